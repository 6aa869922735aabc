#include "liveview/ChannelOpening.h"

#include "devicelibs/TcpClientLibrary.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/DeviceTree.h"
#include "devices/Verification.h"
#include "liveview/ChannelTexts.h"
#include "liveview/LiveStartRecords.h"
#include "liveview/LiveViewState.h"
#include "liveview/MyView.h"
#include "liveview/RecordButtons.h"
#include "liveview/RecordNaming.h"
#include "liveview/ViewForm.h"
#include "platform/BackgroundCalls.h"
#include "platform/StringTable.h"

#include <QAction>

#include <algorithm>

namespace strovik {

namespace {

constexpr int kFailuresBeforeSkipping = 6;

struct StreamRequest {
    ConnectionInfo connection;
    StreamTarget stream;
};

// What the grid is given to open channel c of device d.
StreamRequest BuildStreamRequest(const DeviceNode& device, const DeviceNode& channel) {
    StreamRequest request{device.connection, channel.stream};
    request.connection.channelIndex = channel.connection.channelIndex;
    request.connection.searchState = device.searchState;
    request.connection.deviceName.assign(device.name.view());
    return request;
}

}  // namespace

// One ShowPage as it walks the channels: the plan of devices and their channels taken when it
// began, and where it stands.
struct ChannelOpening::PageRun {
    struct DeviceChannels {
        DeviceNode* device = nullptr;
        std::vector<DeviceNode*> channels;
    };
    std::uint64_t generation = 0;
    int start = 1;
    int layout = 4;
    int w1 = 0;
    std::vector<DeviceChannels> plan;
    const DeviceNode* lastChannel = nullptr;  // the last entry of the channel list
    std::size_t device = 0;
    std::size_t channel = 0;
    int j = 0;
    int failures = 0;
    std::function<void()> done;
    Finished finished;
};

ChannelOpening::ChannelOpening(Context context, BackgroundCalls& calls, QObject* parent)
    : QObject(parent), context_(context), calls_(calls) {
    // Records of a changed tree may be gone: nothing may go on with them.
    DeviceTreeModel& model = context_.tree.model();
    connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ChannelOpening::Cancel);
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, &ChannelOpening::Cancel);
}

ChannelOpening::~ChannelOpening() = default;

void ChannelOpening::Cancel() {
    ++generation_;
    waiting_.clear();
    const bool wasBusy = running_;
    running_ = false;
    context_.grid.CancelPendingStarts();
    if (wasBusy) Q_EMIT idle();
}

void ChannelOpening::enqueue(Job job) {
    waiting_.push_back(std::move(job));
    runNext();
}

void ChannelOpening::runNext() {
    if (running_) return;
    if (waiting_.empty()) {
        Q_EMIT idle();
        return;
    }
    running_ = true;
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    const std::uint64_t generation = generation_;
    job([this, generation] {
        if (!current(generation)) return;
        running_ = false;
        runNext();
    });
}

void ChannelOpening::LoginForChannel(DeviceNode& node, std::function<void(std::int32_t)> done) {
    if (node.rights >= kVerifiedRights) {
        done(node.rights);
        return;
    }
    DeviceVerification verification;
    verification.address = node.connection.address.toQString().trimmed();
    verification.port = node.connection.port;
    verification.channels = node.channelCount == 1 ? DeviceChannels::Single : DeviceChannels::Several;
    const QString password = node.connection.password.toQString().trimmed();
    const QString userName = node.connection.userName.toQString().trimmed();
    TcpClientLibrary* library = &context_.library;
    const std::uint64_t generation = generation_;
    calls_.run<DeviceVerification>(
        this,
        [library, verification, password, userName]() mutable {
            AskDevice(*library, verification, password, userName);
            return verification;
        },
        [this, generation, node = &node, done = std::move(done)](DeviceVerification answered) {
            if (!current(generation)) return;
            const std::int32_t result =
                ApplyDeviceAnswer(context_.library, context_.login, answered, DeviceInfoFetch::ByCaller);
            node->rights = static_cast<std::int8_t>(result);
            if (!NeedsDeviceInfoQuery(answered, result)) {
                done(result);
                return;
            }
            // The device-information connection waits for the device as long as a verification
            // may, so it is opened off the GUI thread too; the opening goes on once it is there.
            fetchDeviceInfo(answered, [result, done] { done(result); });
        });
}

void ChannelOpening::fetchDeviceInfo(const DeviceVerification& verified, std::function<void()> done) {
    TcpClientLibrary* library = &context_.library;
    // The verification's own host: the address is resolved already.
    const TcpServerAddress server{verified.host.toStdString(),
                                  static_cast<std::int32_t>(verified.port + kCommandPortOffset)};
    const std::uint64_t generation = generation_;
    calls_.run<std::int32_t>(
        this, [library, server] { return library->NV_ConnectTCPServer(server); },
        [this, generation, done = std::move(done)](std::int32_t connection) {
            if (!current(generation)) {
                if (connection > 0) context_.library.NV_DisConnectTCPServer(connection);
                return;
            }
            FinishDeviceInfoQuery(context_.library, context_.login, connection);
            done();
        },
        [library](std::int32_t connection) {
            if (connection > 0) library->NV_DisConnectTCPServer(connection);
        });
}

void ChannelOpening::TreeViewListDblClick(DeviceTreeModel::TreeNode* node) {
    if (!node || !node->record()) return;
    DeviceTreeModel::TreeNode* parent = node->parent();
    if (!parent || !parent->record() || !node->record()->isChannel()) {
        context_.login.currentAddress = node->record()->connection.address.toQString();
        return;
    }
    DeviceNode* channel = node->record();
    DeviceNode* device = parent->record();
    const QString address = device->connection.address.toQString();
    enqueue([this, channel, device, address](Finished finished) {
        openChannelOfTree(channel, device, address, std::move(finished));
    });
}

void ChannelOpening::openChannelOfTree(DeviceNode* channel, DeviceNode* device, const QString& address,
                                       Finished finished) {
    const StreamRequest request = BuildStreamRequest(*device, *channel);
    const std::uint64_t generation = generation_;
    auto endOpening = [this, generation, address, finished] {
        if (!current(generation)) return;
        context_.login.currentAddress = address;
        finished();
    };
    auto afterLogin = [this, generation, device, request, endOpening](std::int32_t rights) {
        if (!current(generation)) return;
        TViewForm& grid = context_.grid;
        if (rights < kVerifiedRights) {
            grid.view(grid.selected())->ShowStatusText(
                ChannelLoginFailureText(rights, device->name.toQString(), context_.strings), kStatusGreen);
            endOpening();
            return;
        }
        device->rights = static_cast<std::int8_t>(rights);
        grid.OpenStream(request.connection, request.stream, 0, -1,
                        [this, generation, device, endOpening](std::int32_t result) {
                            if (!current(generation)) return;
                            if (result > 0) {
                                markOpened(*device);
                                context_.recordButtons.EnableRecordAllButton();
                                context_.recordButtons.EnableRecordButton();
                            }
                            endOpening();
                        });
    };

    if (channel->rights >= kVerifiedRights) {
        afterLogin(channel->rights);
    } else if (device->rights >= kVerifiedRights) {
        channel->rights = device->rights;
        afterLogin(channel->rights);
    } else {
        TViewForm& grid = context_.grid;
        grid.view(grid.selected())->ShowStatusText(ConnectingText(context_.strings), kStatusGreen);
        channel->channelCount = device->channelCount;
        LoginForChannel(*channel, afterLogin);
    }
}

void ChannelOpening::ShowPage(int start, std::function<void()> done) {
    Cancel();
    auto run = std::make_shared<PageRun>();
    run->start = start;
    run->done = std::move(done);
    enqueue([this, run](Finished finished) {
        run->generation = generation_;
        run->finished = std::move(finished);
        TViewForm& grid = context_.grid;
        grid.SetLayout(grid.layout());
        run->layout = grid.layout();

        const DeviceTree& tree = context_.tree;
        for (const auto& device : tree.devices()) {
            PageRun::DeviceChannels entry{device.get(), {}};
            for (const auto& channel : tree.channels())
                if (channel->parentId == device->id) entry.channels.push_back(channel.get());
            run->plan.push_back(std::move(entry));
        }
        if (!tree.channels().empty()) run->lastChannel = tree.channels().back().get();
        int firstDeviceChannels = 0;
        for (const auto& entry : run->plan) {
            if (entry.channels.empty()) continue;
            firstDeviceChannels = static_cast<int>(entry.channels.size());
            break;
        }
        run->w1 = std::clamp(firstDeviceChannels - run->start + 1, 0, run->layout);
        pageStep(run);
    });
}

void ChannelOpening::pageStep(const std::shared_ptr<PageRun>& run) {
    while (current(run->generation)) {
        if (run->device >= run->plan.size()) {
            finishPage(run);
            return;
        }
        PageRun::DeviceChannels& entry = run->plan[run->device];
        if (run->channel >= entry.channels.size()) {
            ++run->device;
            run->channel = 0;
            run->failures = 0;
            continue;
        }
        ++run->j;
        if (run->j >= run->start + run->layout) {
            finishPage(run);
            return;
        }
        if (run->j < run->start) {
            ++run->channel;
            continue;
        }

        const int w = run->j - run->start;
        DeviceNode* device = entry.device;
        StreamRequest request = BuildStreamRequest(*device, *entry.channels[run->channel]);
        // The window passes the tens of the network type to the library.
        request.connection.netType = static_cast<std::uint8_t>(request.connection.netType + run->w1 * 10);
        TMyView* window = context_.grid.view(w);
        auto afterLogin = [this, run, w, window, device, request](std::int32_t rights) {
            if (!current(run->generation)) return;
            if (rights < kVerifiedRights) {
                window->ShowStatusText(ChannelLoginFailureText(rights, device->name.toQString(), context_.strings),
                                       kStatusGreen);
                pageChannelDone(run, true);
                return;
            }
            context_.grid.OpenStream(request.connection, request.stream, w + 1, -1,
                                     [this, run, device](std::int32_t result) {
                                         if (!current(run->generation)) return;
                                         if (result > 0) markOpened(*device);
                                         pageChannelDone(run, result == -1);
                                     });
        };
        if (device->rights >= kVerifiedRights) {
            afterLogin(device->rights);
        } else {
            window->ShowStatusText(ConnectingText(context_.strings), kStatusGreen);
            LoginForChannel(*device, afterLogin);
        }
        return;
    }
}

void ChannelOpening::pageChannelDone(const std::shared_ptr<PageRun>& run, bool failed) {
    if (failed) ++run->failures;
    const DeviceNode* channel = run->plan[run->device].channels[run->channel];
    if (run->failures >= kFailuresBeforeSkipping && channel != run->lastChannel) {
        context_.grid.view(run->j - run->start)
            ->ShowStatusText(context_.strings.Lookup(LiveText::TooManyFailures), kStatusRed);
        // The device's remaining channels take no position on this page.
        ++run->device;
        run->channel = 0;
        run->failures = 0;
    } else {
        ++run->channel;
    }
    pageStep(run);
}

void ChannelOpening::finishPage(const std::shared_ptr<PageRun>& run) {
    TViewForm& grid = context_.grid;
    for (int n = run->j - run->start + 2; n <= run->layout; ++n) grid.StopWindow(n);
    grid.SelectWindow(0);
    if (run->done) run->done();
    run->finished();
}

void ChannelOpening::markOpened(const DeviceNode& device) {
    DeviceTreeModel& model = context_.tree.model();
    for (const auto& root : model.roots()) {
        if (root->record() != &device) continue;
        model.setIcon(root.get(), OpenedTreeIconFor(device));
        return;
    }
}

int ChannelOpening::channelCount() const {
    return static_cast<int>(context_.tree.channels().size());
}

void ChannelOpening::showPageAt(int start, bool withRecordButtons) {
    context_.live.pageStart = start;
    RecordButtons& buttons = context_.recordButtons;
    ShowPage(start, [&buttons, withRecordButtons] {
        if (!withRecordButtons) return;
        buttons.EnableRecordAllButton();
        buttons.EnableRecordButton();
    });
}

bool ChannelOpening::noPageYet() {
    if (context_.live.pageStart != 0) return false;
    context_.NDownPage->setEnabled(false);
    context_.NUpPage->setEnabled(false);
    return true;
}

void ChannelOpening::startAll(bool withRecordButtons) {
    showPageAt(context_.live.startPosition, withRecordButtons);
    context_.NUpPage->setEnabled(false);
    if (context_.grid.layout() < channelCount()) context_.NDownPage->setEnabled(true);
}

void ChannelOpening::NStartAllClick() {
    startAll(true);
}

void ChannelOpening::PlayAllBtnClick() {
    startAll(false);
}

void ChannelOpening::NUpPageClick() {
    if (noPageYet()) return;
    const int layout = context_.grid.layout();
    int start = context_.live.pageStart - layout;
    if (start <= layout) start = 1;  // with layout 4 a page at 8 goes back to 1, not to 4
    showPageAt(start, true);
    context_.NUpPage->setEnabled(start > 1);
    context_.NDownPage->setEnabled(channelCount() - start >= layout);
}

void ChannelOpening::NDownPageClick() {
    if (noPageYet()) return;
    const int layout = context_.grid.layout();
    if (channelCount() - layout - context_.live.pageStart + 1 <= 0) {  // no channel after this page
        context_.NDownPage->setEnabled(false);
        return;
    }
    const int start = context_.live.pageStart + layout;
    showPageAt(start, true);
    if (channelCount() - start < layout) context_.NDownPage->setEnabled(false);
    context_.NUpPage->setEnabled(true);
}

void ChannelOpening::N1FrameClick(int layout) {
    Cancel();
    TViewForm& grid = context_.grid;
    grid.SetLayout(layout);
    TMyView* window = grid.view(grid.selected());
    if (window->state() != ViewState::Live) return;
    if (grid.selected() == grid.mainStreamWindow()) {
        window->ThrowBFrame(0);
        return;
    }
    if (!IsAutoSearchedCamera(window->connection())) return;
    const std::int32_t rec = window->recording();
    window->Stop();
    window->connection().channelIndex = 0;
    window->Reconnect([window, rec](bool) {
        if (rec != 0) window->StartRecord(RecordingBaseDirectory());
    });
    grid.setMainStream(grid.selected());
}

}  // namespace strovik
