#include "recordings/RecordSearch.h"

#include "devicelibs/TcpClientLibrary.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/DeviceTree.h"
#include "devices/Functions.h"
#include "devices/LoginState.h"
#include "devices/Verification.h"
#include "platform/BackgroundCalls.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"
#include "recordings/RecordListModel.h"
#include "recordings/SearchRules.h"

#include <thread>

namespace strovik {

namespace {

constexpr char kRightsCaption[] = "Strovik";
constexpr char kLoginCaption[] = "Zentrova";
constexpr char kConnectCaption[] = "StrovikForm";

DeviceNode* deviceAt(const DeviceTree& tree, const QString& address) {
    const QString wanted = address.trimmed();
    for (const auto& device : tree.devices())
        if (device->connection.address.toQString().trimmed() == wanted) return device.get();
    return nullptr;
}

}  // namespace

// What the connecting half hands back to the main thread.
struct RecordSearch::Connected {
    QString host;
    std::int32_t handle = 0;  // 0: the connection failed
    bool sent = false;
};

RecordSearch::RecordSearch(Context context, QObject* parent) : QObject(parent), context_(context) {
    SearchTimer_.setInterval(kSearchTimerMs);
    connect(&SearchTimer_, &QTimer::timeout, this, &RecordSearch::SearchTimerTimer);
    SearchTimer_.start();
}

RecordSearch::~RecordSearch() = default;

void RecordSearch::BtnSearchClick(const SearchInputs& inputs) {
    switch (CheckSearchGate(context_.login, inputs.channelIndex)) {
        case SearchGate::Search:
            StartRecordSearch(inputs);
            return;
        case SearchGate::ChannelDenied:
            showMessage(QLatin1String(kRightsCaption), context_.strings.Lookup(SearchText::ChannelDenied));
            return;
        case SearchGate::Login:
            break;
    }

    DeviceVerification verification;
    verification.address = context_.login.currentAddress;
    verification.port = kDefaultDevicePort;
    QString userName;
    QString password;
    QString deviceName;
    if (const DeviceNode* device = deviceAt(context_.tree, context_.login.currentAddress)) {
        userName = device->connection.userName.toQString();
        password = device->connection.password.toQString();
        verification.port = device->connection.port;
        verification.channels = device->channelCount == 1 ? DeviceChannels::Single : DeviceChannels::Several;
        deviceName = device->name.toQString();
    }
    TcpClientLibrary* library = &context_.library;
    const std::uint64_t generation = ++loginGeneration_;
    context_.calls.run<DeviceVerification>(
        this,
        [library, verification, password, userName]() mutable {
            AskDevice(*library, verification, password, userName);
            return verification;
        },
        [this, generation, inputs, deviceName](DeviceVerification answered) {
            if (generation != loginGeneration_) return;  // the button was pressed again meanwhile
            const std::int32_t result = ApplyDeviceAnswer(context_.library, context_.login, answered);
            // Looked up again: the tree may have been rebuilt while the device was asked.
            if (DeviceNode* device = deviceAt(context_.tree, answered.address))
                device->rights = static_cast<std::int8_t>(result);
            if (MayListRecords(context_.login.currentRights)) {
                StartRecordSearch(inputs);
                return;
            }
            showMessage(QLatin1String(kLoginCaption),
                        SearchLoginFailureText(result, deviceName, context_.strings));
        });
}

void RecordSearch::StartRecordSearch(const SearchInputs& inputs) {
    ++loginGeneration_;
    const bool wasOpen = context_.login.searchConnection != 0;
    if (wasOpen) {
        context_.library.NV_DisConnectTCPServer(context_.login.searchConnection);
        context_.login.searchConnection = 0;
    }
    const std::uint64_t generation = queue_->beginSearch();
    setAnimation(true, true);
    context_.searchActivity = -1;
    context_.list.clear();

    context_.resultAddress = context_.login.currentAddress;
    if (context_.resultAddress.isEmpty()) return;

    const SearchRequest request =
        MakeSearchRequest(inputs, context_.login.currentVersion, context_.login.loginUserName);
    const QString address = context_.login.currentAddress;
    const auto port = static_cast<std::int32_t>(context_.login.currentPort + kCommandPortOffset);
    TcpClientLibrary* library = &context_.library;
    const std::shared_ptr<SearchResultQueue> queue = queue_;
    context_.calls.run<Connected>(
        this,
        [library, queue, generation, request, address, port, wasOpen] {
            // The device is given a moment after the last connection closed.
            if (wasOpen) std::this_thread::sleep_for(kReconnectPause);
            Connected connected;
            connected.host = LibraryHost(address);
            connected.handle =
                library->NV_ConnectTCPServer(TcpServerAddress{connected.host.toStdString(), port});
            if (connected.handle <= 0) {
                connected.handle = 0;
                return connected;
            }
            // Accepted before the request goes out: the first answers may come at once.
            if (!queue->accept(generation, connected.handle)) return connected;
            const auto length = static_cast<std::int32_t>(sizeof(request));
            connected.sent =
                library->NV_ClientSendBuf(connected.handle, reinterpret_cast<const std::uint8_t*>(&request),
                                          length, 0) == length;
            return connected;
        },
        [this, generation](Connected connected) { finishConnect(generation, connected); },
        [library](Connected orphaned) {
            if (orphaned.handle != 0) library->NV_DisConnectTCPServer(orphaned.handle);
        });
}

void RecordSearch::finishConnect(std::uint64_t generation, const Connected& connected) {
    LoginState& login = context_.login;
    if (!queue_->isCurrent(generation)) {
        // A newer search (or its own replacement) took over while this one connected.
        if (connected.handle != 0) context_.library.NV_DisConnectTCPServer(connected.handle);
        return;
    }
    if (connected.handle == 0) {
        const QString text = connected.host == QLatin1String(kOfflineDomainHost)
                                 ? login.currentAddress + context_.strings.Lookup(SearchText::DomainOffline)
                                 : context_.strings.Lookup(SearchText::ConnectFailed);
        showMessage(QLatin1String(kConnectCaption), text);
        return;
    }
    if (!connected.sent) {
        context_.library.NV_DisConnectTCPServer(connected.handle);
        return;
    }
    // A device-information query may have opened a connection meanwhile; the search replaces it.
    if (login.searchConnection != 0 && login.searchConnection != connected.handle)
        context_.library.NV_DisConnectTCPServer(login.searchConnection);
    login.searchConnection = connected.handle;
    Q_EMIT fileListShown(true);
}

void RecordSearch::HandleSearchResults() {
    bool more = false;
    const std::vector<SearchResultRecord> records = queue_->take(kDrainBatch, more);
    if (records.empty()) return;
    std::vector<RecordRow> rows;
    rows.reserve(records.size());
    for (const SearchResultRecord& record : records)
        if (auto row = MakeRecordRow(record, context_.strings)) rows.push_back(std::move(*row));
    if (!rows.empty()) setAnimation(true, true);
    context_.list.append(std::move(rows));
    context_.searchActivity = -1;
    if (more) QMetaObject::invokeMethod(this, &RecordSearch::HandleSearchResults, Qt::QueuedConnection);
}

void RecordSearch::SearchTimerTimer() {
    if (context_.searchActivity == 0) {
        if (animationActive_)
            setAnimation(false, animationVisible_);
        else if (animationVisible_)
            setAnimation(false, false);
    }
    if (context_.searchActivity != 0) context_.searchActivity = 0;
}

void RecordSearch::setAnimation(bool active, bool visible) {
    if (active == animationActive_ && visible == animationVisible_) return;
    animationActive_ = active;
    animationVisible_ = visible;
    Q_EMIT searchAnimationChanged(active, visible);
}

void RecordSearch::showMessage(const QString& caption, const QString& text) {
    context_.ui.ShowMessage(nullptr, MessageRequest{caption, text, MessageIcon::None, MessageButtons::Ok});
}

}  // namespace strovik
