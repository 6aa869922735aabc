#pragma once

#include "devices/DeviceNode.h"
#include "liveview/GridLayout.h"
#include "liveview/LiveViewServices.h"
#include "recordings/TFileInfo.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace strovik {

class BackgroundCalls;
class PlaybackMenu;
class TMyView;
class TMyViewForm;

// The video client library's events reach the grid as this message (wParam 5: a stream was lost),
// and a closing floating window's as the other.
inline constexpr std::uint32_t kVideoClientMessage = 0x400 + 1;
inline constexpr std::uint32_t kFloatingClosedMessage = 0x400 + 102;

// The video grid: owns the 64 video windows, lays 1, 4, 9, 16, 25, 36 or 64 of them out in a
// square, keeps one selected (framed in lime, the only one with sound), enlarges a window on
// double-click, copies pictures into a full-screen grid or floating windows, lowers the decoding
// load while the CPU is busy, and restarts streams the library reports lost. GUI thread only.
class TViewForm : public QWidget {
    Q_OBJECT

public:
    enum class Kind { Main, FullScreen };
    using OpenDone = std::function<void(std::int32_t result)>;

    explicit TViewForm(const LiveViewServices& services, QWidget* parent = nullptr, Kind kind = Kind::Main);
    // FormDestroy: every window stopped, the library's registration cleaned up.
    ~TViewForm() override;

    void SetLayout(int n);
    void SelectWindow(int index);
    // Starts a live stream in window n (1..64; another number lets the grid pick one). done gets
    // the window's StartLive result once the start ended.
    void OpenStream(ConnectionInfo connection, const StreamTarget& stream, int n, std::int32_t loginHandle,
                    OpenDone done = {});
    // Plays a recording of the device at port (device port + 2000) in the window PickWindow
    // chooses, which becomes the selected one; true when its transfer started.
    bool PlayRemoteRecord(const TFileInfo& info, std::int32_t port);
    // The same in the selected window, whatever it shows, from positionMs into the recording
    // (the timeline's click); listedDurationMs is the recording's length as listed.
    bool PlayRemoteRecordInSelected(const TFileInfo& info, std::int32_t port, std::int64_t positionMs,
                                    std::int64_t listedDurationMs);
    int PickWindow() const;
    void StopWindow(int n);
    std::uint8_t WindowState(int index) const;
    bool SnapshotWindow(const QString& directory, int n);
    void FloatSelected();
    void NFullscreenClick();
    void NStopReceiveClick();
    void NStopAllClick();
    // Drops every window's start in flight (a newer command took over the windows).
    void CancelPendingStarts();

    int layout() const { return layout_; }
    int selected() const { return selected_; }
    bool enlarged() const { return enlarged_; }
    bool isFullScreen() const { return kind_ == Kind::FullScreen; }
    bool mainStreamSet() const { return mainStreamSet_; }
    int mainStreamWindow() const { return mainStreamWindow_; }
    void setMainStream(int index);
    int cpuUsage() const { return cpuUsage_; }
    TMyView* view(int index) const;
    // The window n (1..64) names, or the selected one.
    TMyView* windowNumbered(int n) const;
    TMyViewForm* floating(int index) const;
    TViewForm* fullScreenGrid() const { return fullScreen_; }
    QMenu* pmMain() const { return pmMain_; }
    PlaybackMenu& playbackMenu() const { return *playbackMenu_; }
    QAction* NFullscreen() const { return nFullscreen_; }
    QTimer& Timer1() { return timer1_; }
    QTimer& TimerCpu() { return timerCpu_; }

    // The quality a window of an n-window layout decodes at.
    static std::uint16_t QualityForLayout(int n);

    // WM_USER + 102: the floating window of grid window index closed.
    void FloatingWindowClosed(int index);
    // WM_USER + 1 from the video client library.
    void VideoClientMessage(std::int32_t wParam, std::int32_t lParam);

Q_SIGNALS:
    // A window was clicked: the main window refreshes its record button.
    void windowClicked();
    // A stop command of the popup menu is about to stop windows (openings in progress end), and
    // has stopped them (the record buttons follow).
    void stopCommandGiven();
    void windowsStopped();
    // The full-screen grid closed.
    void closed();
    // A window's recording ended without a command: its file could not be written any more.
    void recordingEnded();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormDestroy();
    void VideoFrameClick(int tag);
    void VideoFrameMouseDown(int tag, Qt::MouseButton button, QPoint globalPosition);
    void VideoFrameDblClick(int tag);
    // Restarts window index on the main (channel 0) or the next stream, keeping its recording.
    void switchStream(int index, bool toMainStream);
    bool playInWindow(int index, const TFileInfo& info, std::int32_t port);
    void arrangeFloatingWindows();
    void closeFullScreen();
    void TimerCpuTimer();
    void Timer1Timer();
    void cpuStep();
    void endCpuPass();

    LiveViewServices services_;
    std::unique_ptr<BackgroundCalls> ownCalls_;
    const Kind kind_;

    QWidget* selectionFrame_ = nullptr;
    std::array<TMyView*, kGridWindowCount> views_{};
    std::array<TMyViewForm*, kGridWindowCount> floating_{};
    QMenu* pmMain_ = nullptr;
    QAction* nStopReceive_ = nullptr;
    QAction* nStopAll_ = nullptr;
    QAction* nFullscreen_ = nullptr;
    PlaybackMenu* playbackMenu_ = nullptr;
    QPointer<TViewForm> fullScreen_;

    int layout_ = kStartLayout;
    int selected_ = 0;
    bool enlarged_ = false;
    bool mainStreamSet_ = false;
    int mainStreamWindow_ = -1;
    int cpuUsage_ = 40;
    bool clientInitialised_ = false;

    // The CPU rule: Timer1 starts a pass every second, which treats one live window per step of
    // cpuStepMs, so input and repaints go on between the steps.
    QTimer timer1_;
    QTimer timerCpu_;
    QTimer cpuStepTimer_;
    bool degrading_ = false;
    int cpuPassIndex_ = 0;
};

}  // namespace strovik
