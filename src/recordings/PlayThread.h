#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "recordings/FrameTimeline.h"

#include <QFile>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
//
// Controls (pause, speed, step, seek) are handed over under the wake lock and carried out by the
// thread itself between two pieces, in the order given, also when they came before the file was
// opened. While paused the thread reads nothing more (frame format) or only until the player
// refuses (plain format), and neither an idle file nor a full player counts towards an end.
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
        // How long the end of a file waits for the player to use up what it was given.
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

    // Any thread; they never block.
    void SetPaused(bool paused);
    // kSlowestSpeedStep .. kFastestSpeedStep (2^step times normal speed).
    void SetSpeedStep(std::int32_t step);
    // While paused: one more picture.
    void StepFrame();
    // To positionMs from the start of the recording. A frame-format file lands there exactly; one
    // whose copy has not reached it yet plays on hidden as the copy grows. A plain file starts again
    // from its first fragment, hidden up to positionMs.
    void Seek(std::int64_t positionMs);
    // How far the complete frames of a frame-format copy reach; -1 before the first picture or for
    // a plain file.
    std::int64_t copiedEndMs() const { return copiedEndMs_; }
    // Whether copiedEndMs covers everything the file held when last looked at.
    bool copyIndexed() const { return copyIndexed_; }

private:
    enum class LoopEnd { NoData, Stopped, Damaged };

    void Execute();
    bool WaitForFile();
    bool OpenFile();
    bool OpenFrameStream();
    bool Start();
    LoopEnd FeedFrames();
    LoopEnd FeedPlain();
    bool FeedFrame(std::uint32_t bodyLength, std::uint8_t type, std::uint32_t interval,
                   std::int64_t positionMs);
    // Reads into the buffer; -1 on a read error.
    qint64 ReadSome(std::size_t offset, std::size_t length);
    bool IdleOnce(std::int64_t margin);
    // Carries out the controls handed over; true when a seek moved the file position.
    bool ServeCommands();
    bool SeekFrames(std::int64_t positionMs);
    // Indexes the complete frames the copy holds beyond what was indexed, at most maxFrames.
    void ScanTimeline(int maxFrames);
    // Waits until a control arrives, stop, or the slice passed; false when told to stop.
    bool WaitForCommand(std::chrono::milliseconds slice);
    bool paused() const { return appliedPaused_; }
    // Frame format: the pacing interval of a picture at positionMs at the current speed.
    std::chrono::milliseconds PacedInterval(std::uint32_t intervalMs, std::int64_t positionMs) const;
    // Frame format while stepping: after a picture frame was fed, whether the player showed one.
    void AwaitStepPicture();
    // Waits for the player to use up what it was given; true when a seek wants feeding again.
    bool DrainPlayer();
    // Frame format: whether the player showed the last picture fed, or stopped moving short of it.
    bool FramesPlayedOut(std::int64_t& shownMs, std::chrono::steady_clock::time_point& movedAt);
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
    FramePlayClock clock_;
    // The controls as the port has them.
    bool appliedPaused_ = false;
    std::int32_t appliedSpeedStep_ = 0;
    int stepFramesLeft_ = 0;  // picture frames a step may still feed
    std::int32_t stepBaseFrames_ = 0;
    std::int64_t hiddenUntilMs_ = -1;  // pictures before a seek's target are fed unpaced
    // Frame format: the key frames of the copy, read with a handle of their own.
    QFile indexFile_;
    FrameTimeline timeline_;
    std::int64_t scanOffset_ = 0;
    std::atomic<std::int64_t> copiedEndMs_{-1};
    std::atomic<bool> copyIndexed_{false};
    std::chrono::steady_clock::time_point lastFed_{};
    bool fedOnce_ = false;
    std::int64_t lastFedMs_ = -1;  // frame format: the position of the last picture fed

    std::atomic<int> state_{static_cast<int>(State::Closed)};
    std::atomic<bool> downloadFinished_{false};

    // The stop flag and the buffer event. Shared with the player's buffer callback, which may
    // still run on the player's thread after this object went.
    struct WakeState {
        std::mutex mutex;
        std::condition_variable wake;
        bool stopRequested = false;
        bool bufferSignalled = false;
        // Controls handed over and not yet carried out.
        bool commandsPending = false;
        bool paused = false;
        std::int32_t speedStep = 0;
        int steps = 0;
        std::optional<std::int64_t> seekMs;
        void signalBuffer();
    };
    const std::shared_ptr<WakeState> wakeState_ = std::make_shared<WakeState>();

    std::thread thread_;
};

}  // namespace strovik
