#pragma once

#include "devicelibs/video/VideoClientLibrary.h"
#include "liveview/RenderWidget.h"

#include <QObject>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace strovik::test {

inline constexpr std::uint32_t kVideoEventMessage = 0x400 + 1;  // WM_USER + 1, as the grid registers it

// Stands for a grid: keeps the events the video client library posts to it.
class VideoEventRecorder final : public QObject {
public:
    struct Event {
        std::uint32_t message;
        std::int32_t wParam;
        std::int32_t lParam;
        bool onGuiThread;  // delivered on the application's (GUI) thread
    };
    std::vector<Event> events;

protected:
    bool event(QEvent* event) override;
};

// A shown, top-level window holding render widgets of the given sizes (offscreen).
class TargetWindow final {
public:
    explicit TargetWindow(const std::vector<QSize>& sizes);
    RenderWidget& target(std::size_t index) { return *targets_.at(index); }
    QWidget& window() { return window_; }
    // Destroys one target while its stream may be drawing into it.
    void destroyTarget(std::size_t index);

private:
    QWidget window_;
    std::vector<RenderWidget*> targets_;
};

// Waits (bounded) until the target has painted `count` more pictures.
bool WaitForPictures(const RenderWidget& target, int count, int timeoutMs = 10000);

// Records the stream `handle` into file while target paints `pictures` more pictures; the seconds
// it recorded, or -1 when the capture did not start, the pictures did not come within timeoutMs or
// the capture did not stop.
double RecordWhilePainting(VideoClientLibrary& client, std::int32_t handle, const std::string& file,
                           const RenderWidget& target, int pictures, int timeoutMs);

// The process's thread count (Linux), to see that workers end.
int ThreadCount();

}  // namespace strovik::test
