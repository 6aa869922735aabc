#include "app/LanAutoSearch.h"

#include "admin/DiscoveredCamera.h"
#include "admin/LanCameraAdding.h"
#include "app/MainWindowState.h"
#include "devicelibs/DiscoveryLibrary.h"
#include "platform/CallbackRelay.h"

#include <QLoggingCategory>

namespace strovik {

namespace {

Q_LOGGING_CATEGORY(discoveryLog, "strovik.discovery", QtWarningMsg)

}  // namespace

LanAutoSearch::LanAutoSearch(MainWindowState& state, std::shared_ptr<DiscoveryLibrary> library, QObject* parent)
    : QObject(parent), state_(state), library_(std::move(library)), relay_(std::make_shared<CallbackRelay>(this)) {
    timer_.setObjectName(QStringLiteral("AutoSearchIPCTimer"));
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (state_.autoSearchCount > 0) StartSearch();
    });
}

LanAutoSearch::~LanAutoSearch() { relay_->detach(); }

void LanAutoSearch::StartSearch() {
    if (!library_) return;
    // The record is the library's and valid during the call only: copy what we need.
    library_->SetIPCSearchCallBack([relay = relay_, self = this](const IpcSearchRecord* record, std::int32_t code) {
        if (code == SearchDone || !record) return;
        const std::int32_t deviceId = record->deviceId;
        const QString address = record->ipText.toQString();
        const std::int32_t videoPort = record->videoPort;
        relay->post([self, deviceId, address, videoPort] { self->OnAutoSearchResult(deviceId, address, videoPort); });
    });
    library_->StartIPCSearch();
}

void LanAutoSearch::OnAutoSearchResult(std::int32_t deviceId, const QString& address, std::int32_t videoPort) {
    const QString name = DeviceNameForCamera(state_.tree, QString::number(deviceId));
    // A camera that gives no usable port keeps the factory port, as the LAN page lists it.
    if (!name.isEmpty() && state_.tree.ApplyLanDiscovery(name, address, CameraVideoPort(videoPort)))
        qCInfo(discoveryLog) << "refreshed" << name << "at" << address;
}

}  // namespace strovik
