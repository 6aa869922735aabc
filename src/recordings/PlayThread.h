#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"

#include <QFile>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace strovik {

class RenderTarget;

// The playback thread of one video window: waits for the temporary file that a remote transfer is
// writing, opens it on the window's player port and feeds it while it grows. Frame-format files
// (".264") go frame by frame, paced by the frames' time stamps; plain files go in 4096-byte pieces
// with the player's source buffer callback as flow control.
//
// The thread owns the file and the player port's stream from Resume to its end: Terminate (or the
// destructor) sets the stop flag, wakes every wait and joins; the thread then stops and closes the
// stream itself, so the port is never touched from two threads at once by this class. Every wait
// is a bounded slice that checks the stop flag. `ended` is called once on the play thread when the
// thread ends by itself (not when it was told to stop); it must only post to its owner.
class TPlayThread final {
public:
    enum class State : int { Closed = 0, Playing = 1, Stopped = 2, Opened = 4, Finished = 6 };
    enum class Outcome {
        Played,       // the file ended (or stopped growing) after playing
        NoFile,       // the file did not reach the size to open within the wait
        NotPlayable,  // the file could not be opened, is too short, or the player refused it
        Damaged,      // a frame announced an impossible length, or the file could not be read
    };
    using Ended = std::function<void(Outcome outcome)>;

    // The design's waits; tests shorten them.
    struct Timing {
        std::chrono::milliseconds fileWait{30000};
        std::chrono::milliseconds idleSleep{100};
        // How long a plain-format end waits for the player to use up what it was given.
        std::chrono::milliseconds drainWait{10000};
        // How long a player that refuses every piece is waited for before playback gives up.
        std::chrono::milliseconds refusalLimit{20000};
    };

    static constexpr std::int64_t kOpenSize = 102400;
    static constexpr std::size_t kBufferBytes = 102400;
    static constexpr std::uint32_t kBufferThreshold = 10240;

    TPlayThread(StreamPlayerLibrary& player, std::int32_t port, Ended ended, Timing timing);
    ~TPlayThread();
    TPlayThread(const TPlayThread&) = delete;
    TPlayThread& operator=(const TPlayThread&) = delete;

    // Before Resume. totalSize 0: no size was announced.
    void SetSource(RenderTarget* window, std::int64_t totalSize, const QString& fileName);
    void Resume();
    // Any thread: the transfer completed, the file will not grow any more.
    void SetDownloadFinished();
    // Stops and joins; the port's stream is closed when it returns.
    void Terminate();
    State state() const { return static_cast<State>(state_.load()); }

private:
    enum class LoopEnd { NoData, Stopped, Damaged };

    void Execute();
    bool WaitForFile();
    bool OpenFile();
    bool OpenFrameStream();
    bool Start();
    LoopEnd FeedFrames();
    LoopEnd FeedPlain();
    bool FeedFrame(std::uint32_t bodyLength, std::uint8_t type, std::uint32_t interval);
    // Reads into the buffer; -1 on a read error.
    qint64 ReadSome(std::size_t offset, std::size_t length);
    bool IdleOnce(std::int64_t margin);
    void CloseStream();
    bool stopRequested();
    // false when told to stop during the sleep.
    bool SleepFor(std::chrono::milliseconds duration);
    // Waits for the buffer event in 500 ms slices; false when told to stop or after limit.
    bool WaitForBufferEvent(std::chrono::milliseconds limit);
    void SignalBufferEvent();
    void ResetBufferEvent();

    StreamPlayerLibrary& player_;
    const std::int32_t port_;
    const Ended ended_;
    const Timing timing_;

    // Set before Resume, read by the thread.
    RenderTarget* window_ = nullptr;
    std::int64_t totalSize_ = 0;
    QString fileName_;
    bool frameFormat_ = false;

    // The thread's own.
    QFile file_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t headLength_ = 0;
    std::int64_t consumed_ = 0;
    int idleCount_ = 0;
    bool keyFrameSeen_ = false;
    std::uint32_t previousStamp_ = 0;
    bool stampSeen_ = false;
    std::chrono::steady_clock::time_point lastFed_{};
    bool fedOnce_ = false;

    std::atomic<int> state_{static_cast<int>(State::Closed)};
    std::atomic<bool> downloadFinished_{false};

    // The stop flag and the buffer event. Shared with the player's buffer callback, which may
    // still run on the player's thread after this object went.
    struct WakeState {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopRequested = false;
        bool bufferSignalled = false;
        void signalBuffer();
    };
    const std::shared_ptr<WakeState> wakeState_ = std::make_shared<WakeState>();

    std::thread thread_;
};

}  // namespace strovik
