#include "recordings/PlayThread.h"

#include "devicelibs/video/FrameFormat.h"

#include <QFileInfo>

#include <algorithm>
#include <array>

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
    const LoopEnd end = frameFormat_ ? FeedFrames() : FeedPlain();
    state_ = static_cast<int>(State::Finished);
    if (end == LoopEnd::NoData && !frameFormat_) {
        // The player still holds up to a buffer of data: let it play that out.
        ResetBufferEvent();
        WaitForBufferEvent(timing_.drainWait);
    }
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
    for (;;) {
        if (stopRequested()) return LoopEnd::Stopped;
        if (state() == State::Closed) return LoopEnd::Stopped;
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
                interval = stampSeen_ && frame.timeStampMs > previousStamp_
                               ? frame.timeStampMs - previousStamp_
                               : (stampSeen_ ? interval : 0);
                if (!stampSeen_ || frame.timeStampMs > previousStamp_) previousStamp_ = frame.timeStampMs;
                stampSeen_ = true;
            }
            std::fill(buffer_.begin(), buffer_.end(), 0);
            readingHeader = false;
            piece = frame.bodyLength;
            gathered = 0;
            if (piece > 0) continue;
        }
        if (!FeedFrame(frame.bodyLength, frame.type, interval)) return LoopEnd::Stopped;
        readingHeader = true;
        piece = kFrameHeaderBytes;
        gathered = 0;
    }
}

bool TPlayThread::FeedFrame(std::uint32_t bodyLength, std::uint8_t type, std::uint32_t interval) {
    // Sound frames are not played back, nor pictures before the first one decoding can start with.
    if (type == FrameType::Key) keyFrameSeen_ = true;
    const bool drop = type < FrameType::Key || type > FrameType::Droppable || !keyFrameSeen_;
    if (drop) {
        std::fill(buffer_.begin(), buffer_.end(), 0);
        return true;
    }
    const auto length = static_cast<std::int32_t>(bodyLength) + kDvrInputLeadBytes + kDvrInputTailBytes;
    bool accepted = player_.X_Play_DVRInputData(port_, buffer_.data(), length, type) != 0;
    if (!accepted) {
        player_.X_Play_ResetSourceBuffer(port_);
        accepted = player_.X_Play_DVRInputData(port_, buffer_.data(), length, type) != 0;
    }
    std::fill(buffer_.begin(), buffer_.end(), 0);
    if (!accepted) return true;
    const std::chrono::milliseconds frameInterval(interval);
    if (frameInterval > kPacingAllowance && !SleepFor(frameInterval - kPacingAllowance)) return false;
    const auto now = std::chrono::steady_clock::now();
    if (fedOnce_) {
        const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastFed_);
        if (passed < frameInterval) {
            const auto rest = frameInterval - passed;
            if (!SleepFor(rest < kLongRest ? rest : kRestCap)) return false;
        }
    }
    lastFed_ = now;
    fedOnce_ = true;
    return true;
}

TPlayThread::LoopEnd TPlayThread::FeedPlain() {
    qint64 pending = 0;
    for (;;) {
        if (stopRequested()) return LoopEnd::Stopped;
        if (state() == State::Closed) return LoopEnd::Stopped;
        if (pending == 0) {
            pending = ReadSome(kLead, kPlainPiece);
            if (pending < 0) return LoopEnd::Damaged;
            if (pending == 0) {
                if (!IdleOnce(kPlainMargin)) return stopRequested() ? LoopEnd::Stopped : LoopEnd::NoData;
                continue;
            }
        }
        const auto refusedSince = std::chrono::steady_clock::now();
        while (player_.X_Play_InputData(port_, buffer_.data() + kLead, static_cast<std::int32_t>(pending)) ==
               0) {
            ResetBufferEvent();
            const auto waited = std::chrono::steady_clock::now() - refusedSince;
            if (waited >= timing_.refusalLimit) return LoopEnd::Damaged;
            if (!WaitForBufferEvent(kSlice) && stopRequested()) return LoopEnd::Stopped;
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
    SignalBufferEvent();
    state_ = static_cast<int>(State::Closed);
}

bool TPlayThread::stopRequested() {
    std::lock_guard lock(wakeState_->mutex);
    return wakeState_->stopRequested;
}

bool TPlayThread::SleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(wakeState_->mutex);
    if (duration.count() > 0)
        wakeState_->wake.wait_for(lock, duration, [this] { return wakeState_->stopRequested; });
    return !wakeState_->stopRequested;
}

bool TPlayThread::WaitForBufferEvent(std::chrono::milliseconds limit) {
    std::unique_lock lock(wakeState_->mutex);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!wakeState_->bufferSignalled && !wakeState_->stopRequested) {
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
