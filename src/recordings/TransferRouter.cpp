#include "recordings/TransferRouter.h"

#include "platform/BackgroundCalls.h"
#include "platform/CallbackRelay.h"

namespace strovik {

namespace {

// A transfer reports a begin, its blocks and an end; far fewer reach us before its start answers.
constexpr std::size_t kMostHeldNotifications = 4096;

}  // namespace

TransferRouter::TransferRouter(TcpClientLibrary& library, std::mutex& transferLock, BackgroundCalls& calls)
    : library_(library), transferLock_(transferLock), calls_(calls) {
    library_.NV_SetTCPClientReciveCallback([this](std::int32_t handle, const std::uint8_t* data,
                                                  std::int32_t length) { Receive(handle, data, length); });
}

TransferRouter::~TransferRouter() {
    library_.NV_SetTCPClientReciveCallback({});
    // A start under way still claims its handle here; its answer then finds no context and is
    // stopped as an orphan.
    calls_.waitForDone();
}

TransferRouter::Ticket TransferRouter::StartTransfer(const RemoteFileRequest& request,
                                                     std::shared_ptr<CallbackRelay> receiver, Handler handler,
                                                     Started started) {
    Ticket ticket = 0;
    {
        std::lock_guard lock(transferLock_);
        ticket = ++lastTicket_;
        starts_[ticket] = Start{Route{std::move(receiver), std::move(handler)}, std::move(started), 0, {}};
        ++startsUnderWay_;
    }
    TcpClientLibrary* library = &library_;
    calls_.run<std::int32_t>(
        &context_,
        [this, library, request, ticket] {
            const std::int32_t handle = library->NV_GetRemoteFile(request);
            Claim(ticket, handle);
            return handle;
        },
        [this, ticket](std::int32_t handle) { Finish(ticket, handle); },
        [library](std::int32_t handle) {
            if (handle >= 1) library->NV_StopGetRemoteFile(handle);
        });
    return ticket;
}

void TransferRouter::Claim(Ticket ticket, std::int32_t handle) {
    std::lock_guard lock(transferLock_);
    --startsUnderWay_;
    const auto start = starts_.find(ticket);
    if (handle >= 1 && start != starts_.end()) {
        start->second.handle = handle;
        claimed_[handle] = ticket;
        const auto early = unclaimed_.find(handle);
        if (early != unclaimed_.end()) {
            start->second.held = std::move(early->second);
            unclaimed_.erase(early);
        }
    }
    if (startsUnderWay_ == 0) unclaimed_.clear();
}

void TransferRouter::Finish(Ticket ticket, std::int32_t handle) {
    Start start;
    {
        std::lock_guard lock(transferLock_);
        claimed_.erase(handle);
        // Gone when it was cancelled meanwhile.
        if (const auto found = starts_.find(ticket); found != starts_.end()) {
            start = std::move(found->second);
            starts_.erase(found);
            if (handle >= 1) {
                routes_[handle] = start.route;
                // Queued now, so they reach the receiver after it learnt the handle below.
                for (const TransferNotification& held : start.held) Post(start.route, held);
            }
        }
    }
    if (!start.started) {
        // Nobody will follow this transfer.
        if (handle >= 1) library_.NV_StopGetRemoteFile(handle);
        return;
    }
    start.started(handle);
}

void TransferRouter::CancelStart(Ticket ticket) {
    std::lock_guard lock(transferLock_);
    const auto found = starts_.find(ticket);
    if (found == starts_.end()) return;
    if (found->second.handle >= 1) claimed_.erase(found->second.handle);
    starts_.erase(found);
}

void TransferRouter::Unroute(std::int32_t handle) {
    std::lock_guard lock(transferLock_);
    routes_.erase(handle);
}

void TransferRouter::Post(const Route& route, const TransferNotification& notification) {
    // Through the receiver's relay, whose own lock ThreadSanitizer sees; a relay whose receiver
    // went drops the work.
    route.receiver->post([handler = route.handler, notification] { handler(notification); });
}

void TransferRouter::Hold(std::deque<TransferNotification>& held, const TransferNotification& notification) {
    if (held.size() < kMostHeldNotifications) held.push_back(notification);
}

void TransferRouter::Receive(std::int32_t handle, const std::uint8_t* data, std::int32_t length) {
    // Only whole 520-byte messages are notifications; anything else is dropped here.
    const std::optional<TransferNotification> notification =
        ParseTransferNotification(data, static_cast<std::size_t>(std::max(length, 0)));
    if (!notification) return;
    std::lock_guard lock(transferLock_);
    if (const auto route = routes_.find(handle); route != routes_.end()) {
        Post(route->second, *notification);
    } else if (const auto claimed = claimed_.find(handle); claimed != claimed_.end()) {
        if (const auto start = starts_.find(claimed->second); start != starts_.end())
            Hold(start->second.held, *notification);
    } else if (startsUnderWay_ > 0) {
        Hold(unclaimed_[handle], *notification);
    }
}

}  // namespace strovik
