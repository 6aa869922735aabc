#pragma once

#include "devices/DeviceNode.h"
#include "liveview/LiveViewServices.h"
#include "liveview/RenderWidget.h"
#include "recordings/TFileInfo.h"

#include <QColor>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace strovik {

class RemotePlayback;
class TPlaybackControlBar;

// What a window shows.
namespace ViewState {
inline constexpr std::uint8_t Idle = 0;
inline constexpr std::uint8_t Live = 1;
inline constexpr std::uint8_t Playback = 2;
}  // namespace ViewState

// Status text colours.
inline const QColor kStatusGreen{0, 255, 0};
inline const QColor kStatusRed{255, 0, 0};

// One video window of the grid: a black surface that shows at most one stream. For a live stream
// it owns the stream handle and a copy of the connection it was started with, restarts a lost
// stream on its timer, passes sound, quality and render-target changes to the library by state,
// records, takes snapshots and paints one-line status texts while no picture covers it.
//
// Starting a stream blocks on the network, so StartLive asks the library on a background call and
// finishes on the GUI thread: `done` gets the result (-1 for a failure, else positive) once the
// start ended, possibly before StartLive returns. A window has at most one start in flight; a stop
// or a newer start supersedes it, and a stream it still brings up is stopped at once. GUI thread
// only.
class TMyView final : public RenderWidget {
    Q_OBJECT

public:
    using StartDone = std::function<void(std::int32_t result)>;
    using ReconnectDone = std::function<void(bool started)>;

    // tag is the window's index + 65, the number the grid and the player ports know it by.
    TMyView(int tag, const LiveViewServices& services, QWidget* parent);
    ~TMyView() override;

    int tag() const { return tag_; }
    int playPort() const { return tag_; }

    void StartLive(const ConnectionInfo& connection, const StreamTarget& stream, std::int32_t loginHandle,
                   StartDone done);
    bool StopLive();
    bool Stop();
    void Reconnect(ReconnectDone done = {});
    // Drops a start in flight (its caller hears -1); a stream it brings up later is stopped.
    void CancelPendingStart();
    bool startPending() const { return static_cast<bool>(pendingDone_); }

    // Plays a recording of the device at port (device port + 2000) through a remote transfer into
    // the window's temporary file; true when the transfer started (the window is then in state 2).
    bool StartRemotePlayback(const TFileInfo& info, std::int32_t port);
    // true when a playback was stopped; the window is idle afterwards.
    bool StopRemotePlayback();
    RemotePlayback& playback() { return *playback_; }

    // Playback controls (state 2 only, else false). A refused one says why on the control bar.
    bool TogglePause();
    bool ChangeSpeed(int direction);
    bool StepFrame();
    // positionMs from the start of the recording; true unless refused.
    bool SeekPlayback(std::int64_t positionMs);
    TPlaybackControlBar& controlBar() { return *controlBar_; }

    std::int32_t SoundOn();
    std::int32_t SoundOff();
    void SetQuality(std::uint16_t level);
    void SetRenderTarget(RenderTarget* target);
    // X_ClientThrowBFrame for a live window; nothing otherwise.
    void ThrowBFrame(std::int32_t level);

    // Paints text in colour at the bottom left until the next repaint of the window wipes it.
    void ShowStatusText(const QString& text, const QColor& colour);
    QString statusText() const { return statusText_; }
    QColor statusColour() const { return statusColour_; }
    // Repaints the window black, which wipes a status text.
    void repaintWindow();

    std::int32_t StartRecord(const QString& base);
    void StopRecord();
    bool Snapshot(const QString& directory);
    // Whether record buttons may act on this window: live with a stream.
    bool readyToRecord() const { return state_ == ViewState::Live && streamHandle_ > 0; }

    std::uint8_t state() const { return state_; }
    std::int32_t streamHandle() const { return streamHandle_; }
    std::uint16_t linkType() const { return linkType_; }
    std::int32_t recording() const { return recording_; }
    void setRecording(std::int32_t value) { recording_ = value; }
    const ConnectionInfo& connection() const { return connection_; }
    ConnectionInfo& connection() { return connection_; }
    const StreamTarget& stream() const { return stream_; }
    std::int32_t loginHandle() const { return loginHandle_; }
    int reconnectCount() const { return reconnectCount_; }
    QTimer& ReConnectTimer() { return reconnectTimer_; }
    QTimer& RecTimer() { return recTimer_; }

Q_SIGNALS:
    void pressed(int tag, Qt::MouseButton button, QPoint globalPosition);
    void doubleClicked(int tag);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintIdle(QPainter& painter) override;

private:
    struct StartResult {
        std::int32_t handle = -1;
        std::uint64_t token = 0;
    };
    void finishStart(std::int32_t handle, const ConnectionInfo& connection, const StreamTarget& stream,
                     std::int32_t loginHandle, std::uint16_t linkType);
    void ReConnectTimerTimer();
    void RecTimerTimer();
    // The control bar shows while the mouse is over a playing window, and while it is paused.
    void updateControlBar();

    const int tag_;
    const LiveViewServices services_;

    QTimer recTimer_;
    QTimer reconnectTimer_;
    std::uint8_t state_ = ViewState::Idle;
    std::int32_t streamHandle_ = -1;
    std::uint16_t linkType_ = 0;
    std::int32_t recording_ = 0;
    QString recordDir_;
    int reconnectCount_ = 0;
    ConnectionInfo connection_{};
    StreamTarget stream_{};
    RemotePlayback* playback_ = nullptr;  // child
    TPlaybackControlBar* controlBar_ = nullptr;  // child
    QTimer barTimer_;
    bool hovered_ = false;
    std::int32_t loginHandle_ = -1;

    // The start in flight: its caller and the token its result must carry to count.
    StartDone pendingDone_;
    std::uint64_t startToken_ = 0;

    QString statusText_;
    QColor statusColour_;
};

}  // namespace strovik
