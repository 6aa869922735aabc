#pragma once

#include "devices/DeviceTreeModel.h"

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;

namespace strovik {

class BackgroundCalls;
class DeviceTree;
class RecordButtons;
class StringTable;
class TcpClientLibrary;
class TViewForm;
struct DeviceNode;
struct DeviceVerification;
struct LiveViewState;
struct LoginState;

// The main window's side of the live view: opening a channel double-clicked in the tree, opening
// a page of channels (start all) and paging through them. Each channel needs a verified login on
// its device first, cached in the records' rights; failures are painted in the window concerned.
//
// Verifications and stream starts block on the network, so they run as background calls and each
// opening continues on the GUI thread when its call returns, step by step in the order of a
// sequential run. Openings run one after another as they were asked for; a new page, a layout or
// a stop command, or a change of the device tree supersedes every opening in progress or waiting
// (late results are dropped and streams they still bring up are stopped). Main thread only.
class ChannelOpening final : public QObject {
    Q_OBJECT

public:
    struct Context {
        DeviceTree& tree;
        LoginState& login;
        LiveViewState& live;
        const StringTable& strings;
        TcpClientLibrary& library;
        TViewForm& grid;
        RecordButtons& recordButtons;
        QAction* NUpPage = nullptr;
        QAction* NDownPage = nullptr;
    };
    ChannelOpening(Context context, BackgroundCalls& calls, QObject* parent = nullptr);
    ~ChannelOpening() override;

    // Verified login on the device a record describes; done gets the rights level (32 and above)
    // or the failure, possibly before this returns.
    void LoginForChannel(DeviceNode& node, std::function<void(std::int32_t)> done);

    void TreeViewListDblClick(DeviceTreeModel::TreeNode* node);
    void ShowPage(int start, std::function<void()> done = {});
    void NStartAllClick();
    void PlayAllBtnClick();
    void NUpPageClick();
    void NDownPageClick();
    // A layout item of the layout menu.
    void N1FrameClick(int layout);

    // Ends every opening in progress or waiting.
    void Cancel();
    // Whether an opening is in progress or waiting (tests).
    bool busy() const { return running_ || !waiting_.empty(); }

Q_SIGNALS:
    // The opening in progress ended (tests and benchmarks wait for it).
    void idle();

private:
    using Finished = std::function<void()>;
    using Job = std::function<void(Finished)>;
    struct PageRun;

    void enqueue(Job job);
    void runNext();
    bool current(std::uint64_t generation) const { return generation == generation_; }
    void openChannelOfTree(DeviceNode* channel, DeviceNode* device, const QString& address, Finished finished);
    void pageStep(const std::shared_ptr<PageRun>& run);
    void pageChannelDone(const std::shared_ptr<PageRun>& run, bool failed);
    void finishPage(const std::shared_ptr<PageRun>& run);
    // Connects for the device-information query that a verification began, off the GUI thread.
    void fetchDeviceInfo(const DeviceVerification& verified, std::function<void()> done);
    void markOpened(const DeviceNode& device);
    int channelCount() const;
    // Opens the page at start and makes it the current page; withRecordButtons: the record
    // buttons follow the opened windows once it is done.
    void showPageAt(int start, bool withRecordButtons);
    void startAll(bool withRecordButtons);
    // Before the first start-all the paging commands only disable themselves.
    bool noPageYet();

    Context context_;
    BackgroundCalls& calls_;
    std::uint64_t generation_ = 0;
    bool running_ = false;
    std::deque<Job> waiting_;
};

}  // namespace strovik
