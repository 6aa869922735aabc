#include "recordings/PlayThread.h"

#include "devicelibs/video/FrameFormat.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <limits>

namespace strovik {

namespace {

constexpr std::size_t kLead = static_cast<std::size_t>(kDvrInputLeadBytes);
constexpr std::size_t kPlainPiece = 4096;
constexpr int kOpeningHeaders = 6;
constexpr int kIdleLimit = 50;
constexpr int kIdleLimitNearEnd = 15;
constexpr std::int64_t kFrameMargin = 50000;
constexpr std::int64_t kPlainMargin = 5000;
constexpr std::chrono::milliseconds kSlice{500};
constexpr std::chrono::milliseconds kPacingAllowance{30};
constexpr std::chrono::milliseconds kLongRest{200};
constexpr std::chrono::milliseconds kRestCap{100};
// What the frame-format opening hands to X_Play_GetFileHeadLength in place of a file's head.
constexpr std::array<std::uint8_t, 4> kRiff{0x52, 0x49, 0x46, 0x46};
// A step feeds picture frames until the player shows one: the decoder may hold one back.
constexpr int kStepFrameLimit = 8;
constexpr std::chrono::milliseconds kStepPictureWait{40};
constexpr std::chrono::milliseconds kStepPoll{5};
// The end of a frame-format file polls the player's shown picture this often; one that has not
// moved for the stall time holds nothing more to show (a decoder may keep its last picture).
constexpr std::chrono::milliseconds kDrainPoll{20};
constexpr std::chrono::milliseconds kDrainStall{500};
// Frames indexed per piece fed; a seek indexes everything copied.
constexpr int kScanFramesPerTurn = 2000;

}  // namespace

TPlayThread::TPlayThread(StreamPlayerLibrary& player, std::int32_t port, Ended ended, Timing timing)
    : player_(player), port_(port), ended_(std::move(ended)), timing_(timing), buffer_(kBufferBytes, 0) {}

TPlayThread::~TPlayThread() {
    Terminate();
}

void TPlayThread::SetSource(RenderTarget* window, std::int64_t totalSize, const QString& fileName) {
    window_ = window;
    totalSize_ = totalSize;
    fileName_ = fileName;
    frameFormat_ = fileName.contains(QLatin1String(".264"));
}

void TPlayThread::Resume() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TPlayThread::SetDownloadFinished() {
    downloadFinished_ = true;
    std::lock_guard lock(wakeState_->mutex);
    wakeState_->wake.notify_all();
}

void TPlayThread::SetPaused(bool paused) {
    {
        std::lock_guard lock(wakeState_->mutex);
        wakeState_->paused = paused;
        if (!paused) wakeState_->steps = 0;
        wakeState_->commandsPending = true;
    }
    wakeState_->wake.notify_all();
}

void TPlayThread::SetSpeedStep(std::int32_t step) {
    {
        std::lock_guard lock(wakeState_->mutex);
        wakeState_->speedStep = std::clamp(step, kSlowestSpeedStep, kFastestSpeedStep);
        wakeState_->commandsPending = true;
    }
    wakeState_->wake.notify_all();
}

void TPlayThread::StepFrame() {
    {
        std::lock_guard lock(wakeState_->mutex);
        if (!wakeState_->paused) return;
        ++wakeState_->steps;
        wakeState_->commandsPending = true;
    }
    wakeState_->wake.notify_all();
}

void TPlayThread::Seek(std::int64_t positionMs) {
    {
        std::lock_guard lock(wakeState_->mutex);
        wakeState_->seekMs = std::max<std::int64_t>(0, positionMs);
        wakeState_->commandsPending = true;
    }
    wakeState_->wake.notify_all();
}

void TPlayThread::Terminate() {
    {
        std::lock_guard lock(wakeState_->mutex);
        wakeState_->stopRequested = true;
        wakeState_->bufferSignalled = true;
    }
    wakeState_->wake.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TPlayThread::Execute() {
    if (!WaitForFile()) {
        if (stopRequested()) return;
        ended_(Outcome::NoFile);
        return;
    }
    if (!OpenFile()) {
        CloseStream();
        if (stopRequested()) return;
        ended_(Outcome::NotPlayable);
        return;
    }
    LoopEnd end = frameFormat_ ? FeedFrames() : FeedPlain();
    // The player decodes behind the feeding: on a busy machine seconds of pictures can still be
    // queued when the file ends. Let it play them out; a seek meanwhile starts the feeding again.
    while (end == LoopEnd::NoData && DrainPlayer()) end = frameFormat_ ? FeedFrames() : FeedPlain();
    state_ = static_cast<int>(State::Finished);
    CloseStream();
    if (end == LoopEnd::Stopped || stopRequested()) return;
    ended_(end == LoopEnd::NoData ? Outcome::Played : Outcome::Damaged);
}

bool TPlayThread::WaitForFile() {
    const auto deadline = std::chrono::steady_clock::now() + timing_.fileWait;
    for (;;) {
        const QFileInfo info(fileName_);
        if (info.exists() && (info.size() > kOpenSize || downloadFinished_)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!SleepFor(timing_.idleSleep)) return false;
    }
}

bool TPlayThread::OpenFile() {
    file_.setFileName(fileName_);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
    std::array<std::uint8_t, 4> first{};
    if (file_.read(reinterpret_cast<char*>(first.data()), 4) != 4) return false;
    file_.seek(0);

    if (frameFormat_) {
        player_.X_Play_GetFileHeadLength(port_, kRiff.data());
        headLength_ = static_cast<std::int64_t>(kFrameHeaderBytes);
        player_.X_Play_SetStreamOpenMode(port_, StreamOpenMode::FrameStream);
        if (!OpenFrameStream()) return false;
    } else {
        headLength_ = player_.X_Play_GetFileHeadLength(port_, first.data());
        if (headLength_ <= 0 || headLength_ > static_cast<std::int64_t>(kBufferBytes - kLead)) return false;
        player_.X_Play_SetSourceBufCallBack(
            port_, kBufferThreshold,
            [player = &player_, wake = wakeState_](std::int32_t port, std::uint32_t, void*, void*) {
                player->X_Play_ResetSourceBufFlag(port);
                wake->signalBuffer();
            },
            nullptr, nullptr);
        player_.X_Play_SetStreamOpenMode(port_, StreamOpenMode::FileWithHeader);
        if (file_.read(reinterpret_cast<char*>(buffer_.data()), headLength_) != headLength_) return false;
        if (player_.X_Play_OpenStream(port_, buffer_.data(), static_cast<std::int32_t>(headLength_)) == 0)
            return false;
    }
    player_.X_Play_ThrowBFrameNum(port_, 0);
    if (frameFormat_) {
        indexFile_.setFileName(fileName_);
        if (!indexFile_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
    }
    state_ = static_cast<int>(State::Opened);
    ResetBufferEvent();
    return Start();
}

bool TPlayThread::OpenFrameStream() {
    std::array<std::uint8_t, kFrameHeaderBytes> header{};
    std::array<std::uint8_t, kFrameHeaderBytes> picture{};
    bool pictureSeen = false;
    bool audioSeen = false;
    for (int i = 0; i < kOpeningHeaders && !(pictureSeen && audioSeen); ++i) {
        if (file_.read(reinterpret_cast<char*>(header.data()), kFrameHeaderBytes) !=
            static_cast<qint64>(kFrameHeaderBytes))
            break;
        const FrameHeader frame = ReadFrameHeader(header.data());
        if (frame.isAudio()) {
            audioSeen = true;
        } else if (frame.bodyLength > kMaxFrameBodyBytes) {
            return false;
        }
        if (frame.isPicture() && !pictureSeen) {
            picture = header;
            pictureSeen = true;
        }
        if (frame.bodyLength > kMaxFrameBodyBytes || !file_.seek(file_.pos() + frame.bodyLength)) break;
    }
    if (!pictureSeen) return false;
    return player_.X_Play_DVROpenStream(port_, picture.data(), static_cast<std::int32_t>(kFrameHeaderBytes),
                                        audioSeen ? 1 : 0) != 0;
}

bool TPlayThread::Start() {
    if (state() == State::Playing) return player_.X_Play_Play(port_, window_) != 0;
    consumed_ = 0;
    if (!file_.seek(frameFormat_ ? 0 : headLength_)) return false;
    player_.X_Play_ResetSourceBuffer(port_);
    SignalBufferEvent();
    if (player_.X_Play_Play(port_, window_) == 0) return false;
    player_.X_Play_StopSound();
    player_.X_Play_PlaySound(port_);
    state_ = static_cast<int>(State::Playing);
    return true;
}

qint64 TPlayThread::ReadSome(std::size_t offset, std::size_t length) {
    const qint64 got =
        file_.read(reinterpret_cast<char*>(buffer_.data() + offset), static_cast<qint64>(length));
    if (got > 0) {
        consumed_ += got;
        idleCount_ = 0;
    }
    return got;
}

bool TPlayThread::IdleOnce(std::int64_t margin) {
    // A paused playback waits for the operator however long the file stays as it is.
    if (paused()) {
        stepFramesLeft_ = 0;
        return WaitForCommand(kSlice);
    }
    // A completed transfer writes nothing more: the file has ended.
    if (downloadFinished_) return false;
    ++idleCount_;
    const int limit = totalSize_ > 0 && consumed_ + margin > totalSize_ ? kIdleLimitNearEnd : kIdleLimit;
    if (idleCount_ > limit) return false;
    return SleepFor(timing_.idleSleep);
}

TPlayThread::LoopEnd TPlayThread::FeedFrames() {
    std::size_t piece = kFrameHeaderBytes;
    std::size_t gathered = 0;
    bool readingHeader = true;
    FrameHeader frame;
    std::uint32_t interval = 0;
    std::int64_t positionMs = 0;
    for (;;) {
        if (stopRequested()) return LoopEnd::Stopped;
        if (state() == State::Closed) return LoopEnd::Stopped;
        if (ServeCommands()) {
            readingHeader = true;
            piece = kFrameHeaderBytes;
            gathered = 0;
            std::fill(buffer_.begin(), buffer_.end(), 0);
        }
        ScanTimeline(kScanFramesPerTurn);
        if (paused() && stepFramesLeft_ == 0) {
            if (!WaitForCommand(kSlice)) return LoopEnd::Stopped;
            continue;
        }
        const qint64 got = piece > gathered ? ReadSome(kLead + gathered, piece - gathered) : 0;
        if (got < 0) return LoopEnd::Damaged;
        if (got == 0 && piece > gathered) {
            if (!IdleOnce(kFrameMargin)) return stopRequested() ? LoopEnd::Stopped : LoopEnd::NoData;
            continue;
        }
        gathered += static_cast<std::size_t>(got);
        if (gathered < piece) continue;
        if (readingHeader) {
            frame = ReadFrameHeader(buffer_.data() + kLead);
            if (frame.bodyLength > kMaxFrameBodyBytes) return LoopEnd::Damaged;
            if (frame.isPicture()) {
                interval = clock_.advance(frame.timeStampMs);
                positionMs = clock_.positionMs();
            }
            std::fill(buffer_.begin(), buffer_.end(), 0);
            readingHeader = false;
            piece = frame.bodyLength;
            gathered = 0;
            if (piece > 0) continue;
        }
        // A paused playback feeds only for a step, or for a seek's landing picture.
        const bool fedPicture = frame.isPicture() && (keyFrameSeen_ || frame.type == FrameType::Key);
        const bool stepping = paused() && fedPicture && positionMs >= hiddenUntilMs_;
        if (!FeedFrame(frame.bodyLength, frame.type, interval, positionMs)) return LoopEnd::Stopped;
        if (stepping) AwaitStepPicture();
        readingHeader = true;
        piece = kFrameHeaderBytes;
        gathered = 0;
    }
}

bool TPlayThread::ServeCommands() {
    std::optional<std::int64_t> seekMs;
    bool pausedNow = false;
    std::int32_t speedStep = 0;
    int steps = 0;
    {
        std::lock_guard lock(wakeState_->mutex);
        if (!wakeState_->commandsPending) return false;
        wakeState_->commandsPending = false;
        pausedNow = wakeState_->paused;
        speedStep = wakeState_->speedStep;
        seekMs = wakeState_->seekMs;
        wakeState_->seekMs.reset();
        // A step waits until the one before it showed its picture.
        if (stepFramesLeft_ == 0 && wakeState_->steps > 0) {
            steps = 1;
            --wakeState_->steps;
        }
        if (wakeState_->steps > 0) wakeState_->commandsPending = true;
    }
    if (pausedNow != appliedPaused_) {
        player_.X_Play_Pause(port_, pausedNow ? 1 : 0);
        appliedPaused_ = pausedNow;
        if (!pausedNow) {
            stepFramesLeft_ = 0;
            fedOnce_ = false;  // pacing starts afresh
        }
    }
    if (speedStep != appliedSpeedStep_) {
        player_.X_Play_SetPlaySpeed(port_, speedStep);
        appliedSpeedStep_ = speedStep;
    }
    bool moved = false;
    if (seekMs) {
        if (frameFormat_) {
            moved = SeekFrames(*seekMs);
        } else if (player_.X_Play_Seek(port_, *seekMs) != 0 && file_.seek(headLength_)) {
            consumed_ = 0;
            moved = true;
        }
    }
    if (steps > 0 && appliedPaused_) {
        stepBaseFrames_ = player_.X_Play_GetPlayedFrames(port_);
        if (player_.X_Play_StepFrame(port_) != 0 && frameFormat_) stepFramesLeft_ = kStepFrameLimit;
    }
    return moved;
}

bool TPlayThread::SeekFrames(std::int64_t positionMs) {
    ScanTimeline(std::numeric_limits<int>::max());
    // A copy that is complete ends where its last picture is; one still growing is waited for.
    const std::int64_t target =
        downloadFinished_ && timeline_.endMs() >= 0 ? std::min(positionMs, timeline_.endMs()) : positionMs;
    const auto key = timeline_.keyFrameAtOrBefore(target);
    if (!key || !file_.seek(key->fileOffset)) return false;
    player_.X_Play_Seek(port_, target);
    consumed_ = key->fileOffset;
    clock_.restore(key->clockBefore);
    keyFrameSeen_ = false;
    fedOnce_ = false;
    hiddenUntilMs_ = target;
    if (paused()) {
        // The landing picture is shown while paused, as a step would show it.
        stepBaseFrames_ = player_.X_Play_GetPlayedFrames(port_);
        stepFramesLeft_ = kStepFrameLimit;
    }
    return true;
}

void TPlayThread::ScanTimeline(int maxFrames) {
    if (!indexFile_.isOpen()) return;
    std::array<std::uint8_t, kFrameHeaderBytes> header{};
    const qint64 size = indexFile_.size();
    bool reachedCopyEnd = false;
    for (int i = 0; i < maxFrames; ++i) {
        reachedCopyEnd = true;
        if (scanOffset_ + static_cast<qint64>(kFrameHeaderBytes) > size || !indexFile_.seek(scanOffset_))
            break;
        reachedCopyEnd = false;
        if (indexFile_.read(reinterpret_cast<char*>(header.data()), kFrameHeaderBytes) !=
            static_cast<qint64>(kFrameHeaderBytes))
            break;
        const FrameHeader frame = ReadFrameHeader(header.data());
        const std::int64_t next =
            scanOffset_ + static_cast<std::int64_t>(kFrameHeaderBytes) + frame.bodyLength;
        // A damaged header ends the index where the feeding will end too.
        reachedCopyEnd = true;
        if (frame.bodyLength > kMaxFrameBodyBytes || next > size) break;
        reachedCopyEnd = false;
        timeline_.addFrame(frame, scanOffset_);
        scanOffset_ = next;
    }
    copiedEndMs_ = timeline_.endMs();
    copyIndexed_ = reachedCopyEnd;
}

std::chrono::milliseconds TPlayThread::PacedInterval(std::uint32_t intervalMs,
                                                     std::int64_t positionMs) const {
    // Pictures before a seek's target and the pictures of a step are not paced.
    if (positionMs < hiddenUntilMs_ || paused()) return std::chrono::milliseconds(0);
    const std::int64_t ms = intervalMs;
    const std::int32_t step = appliedSpeedStep_;
    return std::chrono::milliseconds(step >= 0 ? ms >> step : ms << -step);
}

void TPlayThread::AwaitStepPicture() {
    const auto deadline = std::chrono::steady_clock::now() + kStepPictureWait;
    while (player_.X_Play_GetPlayedFrames(port_) <= stepBaseFrames_) {
        if (std::chrono::steady_clock::now() >= deadline || stopRequested()) {
            if (stepFramesLeft_ > 0) --stepFramesLeft_;
            return;
        }
        std::this_thread::sleep_for(kStepPoll);
    }
    stepFramesLeft_ = 0;
}

bool TPlayThread::WaitForCommand(std::chrono::milliseconds slice) {
    std::unique_lock lock(wakeState_->mutex);
    wakeState_->wake.wait_for(lock, slice,
                              [this] { return wakeState_->stopRequested || wakeState_->commandsPending; });
    return !wakeState_->stopRequested;
}

bool TPlayThread::DrainPlayer() {
    ResetBufferEvent();
    // Time spent paused does not count towards the wait.
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(timing_.drainWait);
    // Frame format: the first poll, at once below, takes the shown picture as its starting point.
    std::int64_t shownMs = -1;
    auto movedAt = std::chrono::steady_clock::now();
    while (left.count() > 0 && !stopRequested()) {
        if (ServeCommands()) return true;
        if (paused()) {
            WaitForCommand(kSlice);
            movedAt = std::chrono::steady_clock::now();
            continue;
        }
        if (frameFormat_ && FramesPlayedOut(shownMs, movedAt)) return false;
        // Frame format has no buffer callback: the wait is a poll that a control cuts short.
        const auto slice = std::min(left, frameFormat_ ? kDrainPoll : kSlice);
        const auto before = std::chrono::steady_clock::now();
        if (WaitForBufferEvent(slice)) {
            std::lock_guard lock(wakeState_->mutex);
            if (wakeState_->bufferSignalled) return false;
        }
        left -=
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
    }
    return false;
}

bool TPlayThread::FramesPlayedOut(std::int64_t& shownMs, std::chrono::steady_clock::time_point& movedAt) {
    const std::int64_t nowShownMs = player_.X_Play_GetPlayedTime(port_);
    if (nowShownMs >= lastFedMs_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (nowShownMs != shownMs) {
        shownMs = nowShownMs;
        movedAt = now;
        return false;
    }
    return now - movedAt >= kDrainStall;
}

bool TPlayThread::FeedFrame(std::uint32_t bodyLength, std::uint8_t type, std::uint32_t interval,
                            std::int64_t positionMs) {
    // Sound frames are not played back, nor pictures before the first one decoding can start with.
    if (type == FrameType::Key) keyFrameSeen_ = true;
    const bool drop = type < FrameType::Key || type > FrameType::Droppable || !keyFrameSeen_;
    if (drop) {
        std::fill(buffer_.begin(), buffer_.end(), 0);
        return true;
    }
    const auto length = static_cast<std::int32_t>(bodyLength) + kDvrInputLeadBytes + kDvrInputTailBytes;
    player_.X_Play_SetFrameTime(port_, positionMs);
    bool accepted = player_.X_Play_DVRInputData(port_, buffer_.data(), length, type) != 0;
    if (!accepted) {
        player_.X_Play_ResetSourceBuffer(port_);
        player_.X_Play_SetFrameTime(port_, positionMs);
        accepted = player_.X_Play_DVRInputData(port_, buffer_.data(), length, type) != 0;
    }
    std::fill(buffer_.begin(), buffer_.end(), 0);
    if (!accepted) return true;
    lastFedMs_ = positionMs;
    const std::chrono::milliseconds frameInterval = PacedInterval(interval, positionMs);
    if (frameInterval > kPacingAllowance && !SleepFor(frameInterval - kPacingAllowance)) return false;
    const auto now = std::chrono::steady_clock::now();
    if (fedOnce_) {
        const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastFed_);
        if (passed < frameInterval) {
            const auto rest = frameInterval - passed;
            if (!SleepFor(rest < kLongRest ? rest : kRestCap)) return false;
        }
    }
    // Taken after the rest too: taken before it, every other frame followed its predecessor after
    // only interval - 30 ms, and recordings played some 1.6 times too fast.
    lastFed_ = std::chrono::steady_clock::now();
    fedOnce_ = true;
    return true;
}

TPlayThread::LoopEnd TPlayThread::FeedPlain() {
    qint64 pending = 0;
    for (;;) {
        if (stopRequested()) return LoopEnd::Stopped;
        if (state() == State::Closed) return LoopEnd::Stopped;
        if (ServeCommands()) pending = 0;
        if (pending == 0) {
            pending = ReadSome(kLead, kPlainPiece);
            if (pending < 0) return LoopEnd::Damaged;
            if (pending == 0) {
                if (!IdleOnce(kPlainMargin)) return stopRequested() ? LoopEnd::Stopped : LoopEnd::NoData;
                continue;
            }
        }
        auto refusedSince = std::chrono::steady_clock::now();
        bool moved = false;
        while (!moved && player_.X_Play_InputData(port_, buffer_.data() + kLead,
                                                  static_cast<std::int32_t>(pending)) == 0) {
            ResetBufferEvent();
            // A paused player is full because it is paused, not because it is stuck.
            if (paused()) refusedSince = std::chrono::steady_clock::now();
            const auto waited = std::chrono::steady_clock::now() - refusedSince;
            if (waited >= timing_.refusalLimit) return LoopEnd::Damaged;
            if (!WaitForBufferEvent(kSlice) && stopRequested()) return LoopEnd::Stopped;
            moved = ServeCommands();
        }
        pending = 0;
    }
}

void TPlayThread::CloseStream() {
    if (state() != State::Stopped) {
        player_.X_Play_Stop(port_);
        ResetBufferEvent();
        state_ = static_cast<int>(State::Stopped);
        consumed_ = 0;
    }
    player_.X_Play_ResetSourceBuffer(port_);
    player_.X_Play_CloseStream(port_);
    file_.close();
    indexFile_.close();
    SignalBufferEvent();
    state_ = static_cast<int>(State::Closed);
}

bool TPlayThread::stopRequested() {
    std::lock_guard lock(wakeState_->mutex);
    return wakeState_->stopRequested;
}

bool TPlayThread::SleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(wakeState_->mutex);
    // A control cuts a pacing sleep short: the loop carries it out before the next frame.
    if (duration.count() > 0)
        wakeState_->wake.wait_for(
            lock, duration, [this] { return wakeState_->stopRequested || wakeState_->commandsPending; });
    return !wakeState_->stopRequested;
}

bool TPlayThread::WaitForBufferEvent(std::chrono::milliseconds limit) {
    std::unique_lock lock(wakeState_->mutex);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!wakeState_->bufferSignalled && !wakeState_->stopRequested && !wakeState_->commandsPending) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        wakeState_->wake.wait_for(lock,
                                  std::min<std::chrono::steady_clock::duration>(kSlice, deadline - now));
    }
    return !wakeState_->stopRequested;
}

void TPlayThread::WakeState::signalBuffer() {
    {
        std::lock_guard lock(mutex);
        bufferSignalled = true;
    }
    wake.notify_all();
}

void TPlayThread::SignalBufferEvent() {
    wakeState_->signalBuffer();
}

void TPlayThread::ResetBufferEvent() {
    std::lock_guard lock(wakeState_->mutex);
    if (!wakeState_->stopRequested) wakeState_->bufferSignalled = false;
}

}  // namespace strovik
