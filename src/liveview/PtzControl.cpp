#include "liveview/PtzControl.h"

#include "devices/DeviceTree.h"
#include "liveview/PtzState.h"
#include "platform/CallbackRelay.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"

#include <algorithm>

namespace strovik {

namespace {

constexpr char kRightsCaption[] = "StrovikForm 2";
constexpr int kRightsMessageId = 18;

}  // namespace

PtzControl::PtzControl(Context context, PtzLink::Options options, QObject* parent)
    : QObject(parent), context_(std::move(context)), options_(options), relay_(std::make_shared<CallbackRelay>(this)) {}

PtzControl::~PtzControl() {
    current_.reset();
    retired_.clear();
}

void PtzControl::BtnUpMouseDown(std::uint8_t pressCode) {
    PtzState& state = context_.state;
    state.ptzRights = -1;
    const PtzWindow window = context_.selectedWindow();
    if (window.live) {
        if (const DeviceNode* device =
                FindPtzDevice(context_.tree.devices(), window.connection.deviceName.toQString()))
            state.ptzRights = device->rights;
    }
    switch (PtzPressActionFor(state.ptzRights)) {
        case PtzPressAction::Send:
            SendPtzCommand(PtzGroup::MultiChannel, state.ptzSpeed, 0, pressCode, state.ptzParam);
            break;
        case PtzPressAction::ShowRightsMessage:
            context_.ui.ShowMessage(
                context_.messageOwner,
                MessageRequest{QLatin1String(kRightsCaption), context_.strings.Lookup(kRightsMessageId),
                               MessageIcon::None, MessageButtons::Ok});
            break;
        case PtzPressAction::Nothing:
            break;
    }
}

void PtzControl::BtnUpMouseUp(std::uint8_t releaseCode) {
    const PtzState& state = context_.state;
    if (PtzRightsPermit(state.ptzRights))
        SendPtzCommand(PtzGroup::MultiChannel, state.ptzSpeed, 0, releaseCode, state.ptzParam);
}

void PtzControl::SendPtzCommand(std::uint8_t group, std::uint8_t speed, std::uint8_t byte2, std::uint8_t code,
                                std::uint8_t parameter) {
    reapRetired();
    const PtzWindow window = context_.selectedWindow();
    if (!window.live) return;
    const DeviceNode* device =
        FindPtzDevice(context_.tree.devices(), window.connection.deviceName.toQString());
    if (!device) return;
    const PtzOrder order =
        PlanPtzCommand(window, *device, PtzCommandFields{group, speed, byte2, code, 0, parameter, {}, {}});

    // Another device (or path) than the open connection's: that connection closes.
    if (current_ && !(current_->target() == order.target)) retireCurrent();
    if (!current_) {
        const std::uint64_t id = ++lastLinkId_;
        // The link's thread reports; this object outlives every link, which it joins first.
        current_ = std::make_unique<PtzLink>(
            order.target, context_.library, options_, [this, id](std::int32_t handle, const QString& host) {
                relay_->post([this, id, handle, host] { connectionReported(id, handle, host); });
            });
        currentId_ = id;
    }
    if (!current_->enqueue(order.record)) ++dropped_;
}

void PtzControl::CloseConnections() {
    retireCurrent();
    reapRetired();
}

bool PtzControl::idle() const {
    if (current_ && !current_->idle()) return false;
    return std::all_of(retired_.begin(), retired_.end(), [](const auto& link) { return link->finished(); });
}

void PtzControl::retireCurrent() {
    PtzState& state = context_.state;
    state.ptzConnection = 0;
    state.ptzHost.clear();
    if (!current_) return;
    current_->retire();
    retired_.push_back(std::move(current_));
}

void PtzControl::reapRetired() {
    retired_.erase(
        std::remove_if(retired_.begin(), retired_.end(), [](const auto& link) { return link->finished(); }),
        retired_.end());
}

void PtzControl::connectionReported(std::uint64_t linkId, std::int32_t handle, const QString& host) {
    // Reports of a link that was retired meanwhile describe a connection that is closing.
    if (!current_ || currentId_ != linkId) return;
    context_.state.ptzConnection = handle;
    context_.state.ptzHost = host;
}

}  // namespace strovik
