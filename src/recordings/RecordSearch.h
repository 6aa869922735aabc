#pragma once

#include "recordings/RecordSearchRequest.h"
#include "recordings/SearchResultQueue.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace strovik {

class BackgroundCalls;
class DeviceTree;
class RecordListModel;
class StringTable;
class TcpClientLibrary;
class UiServices;
struct LoginState;

// The record search of the record playback page: the search button's rights, firmware and login
// gates, the request on a command connection, and the results that become rows of the record
// list. The connection is opened and the request sent through BackgroundCalls, since a connect
// may block for the library's connect timeout; results arrive on a library thread
// (SearchResultQueue) and are drained here on the main thread in bounded batches.
//
// The search animation is state of its own (searchAnimationChanged): active while it runs,
// visible while it covers the list. Main thread, except offerMessage().
class RecordSearch final : public QObject {
    Q_OBJECT

public:
    struct Context {
        TcpClientLibrary& library;
        LoginState& login;
        DeviceTree& tree;
        const StringTable& strings;
        UiServices& ui;
        BackgroundCalls& calls;
        RecordListModel& list;
        QString& resultAddress;        // the device address that the listed rows come from
        std::int32_t& searchActivity;  // non-zero while results keep arriving
    };

    static constexpr int kSearchTimerMs = 3000;
    // Rows added per turn of the event loop, so that a flood of results keeps the window
    // responsive.
    static constexpr std::size_t kDrainBatch = 4096;

    explicit RecordSearch(Context context, QObject* parent = nullptr);
    ~RecordSearch() override;

    // Shared with the library's receive callback.
    const std::shared_ptr<SearchResultQueue>& queue() const { return queue_; }

    void BtnSearchClick(const SearchInputs& inputs);
    void StartRecordSearch(const SearchInputs& inputs);
    // WM_USER + 101: drains one batch of queued results into the list; posts itself again while
    // more are queued.
    void HandleSearchResults();
    void SearchTimerTimer();

    bool animationActive() const { return animationActive_; }
    bool animationVisible() const { return animationVisible_; }
    QTimer& searchTimer() { return SearchTimer_; }

Q_SIGNALS:
    void searchAnimationChanged(bool active, bool visible);
    // ShowFileList(visible)
    void fileListShown(bool visible);

private:
    struct Connected;
    void setAnimation(bool active, bool visible);
    void finishConnect(std::uint64_t generation, const Connected& connected);
    void showMessage(const QString& caption, const QString& text);

    Context context_;
    std::shared_ptr<SearchResultQueue> queue_ = std::make_shared<SearchResultQueue>();
    QTimer SearchTimer_;
    bool animationActive_ = false;
    bool animationVisible_ = false;
    std::uint64_t loginGeneration_ = 0;
};

}  // namespace strovik
