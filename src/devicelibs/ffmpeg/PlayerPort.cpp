#include "devicelibs/ffmpeg/PlayerPort.h"

#include "devicelibs/video/G711.h"
#include "devicelibs/wire/MessageFraming.h"

#include <chrono>
#include <cstring>

namespace strovik {

namespace {

using Clock = std::chrono::steady_clock;

// An MP4 file's leading box (ftyp) is small; anything bigger is not a file we play.
constexpr std::size_t kMaxFileHeaderBytes = 1024;
constexpr int kIoBufferBytes = 32 * 1024;
// As for live streams: pictures that keep failing mean the data is not what the port was opened for.
constexpr int kMaxConsecutiveDecodeErrors = 50;
// A player that fell this far behind its time stamps (the feeder starved it) starts its clock anew.
constexpr std::chrono::milliseconds kMaxLateness{1000};
constexpr std::chrono::milliseconds kSleepSlice{50};

// A frame piece in the source buffer: its type, its time (int64, host order), then its body.
constexpr std::size_t kPiecePrefixBytes = 1 + sizeof(std::int64_t);
// Steps given while the player still works on earlier ones.
constexpr int kMaxStepCredit = 25;

std::uint32_t BigEndian32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           std::uint32_t(at[3]);
}

}  // namespace

PlayerPort::~PlayerPort() {
    close();
}

void PlayerPort::setSourceBufferCallback(std::uint32_t threshold, SourceBufferCallback callback, void* user) {
    buffer_.setCallback(number_, threshold, std::move(callback), user);
}

bool PlayerPort::openFile(const std::uint8_t* header, std::size_t length) {
    std::lock_guard lock(controlMutex_);
    stopLocked();
    kind_ = Kind::Closed;
    if (openMode_ != StreamOpenMode::FileWithHeader || header == nullptr || length < 8 ||
        length > kMaxFileHeaderBytes || BigEndian32(header) != length ||
        std::memcmp(header + 4, "ftyp", 4) != 0)
        return false;
    header_.assign(header, header + length);
    buffer_.clear();
    failed_ = false;
    resetControls();
    kind_ = Kind::File;
    return true;
}

bool PlayerPort::openFrames(const FrameHeader& firstPicture, bool) {
    std::lock_guard lock(controlMutex_);
    stopLocked();
    kind_ = Kind::Closed;
    if (CheckFrameHeader(firstPicture) != FrameHeaderCheck::Ok || !firstPicture.isPicture()) return false;
    header_.clear();
    buffer_.clear();
    failed_ = false;
    resetControls();
    kind_ = Kind::Frames;
    return true;
}

bool PlayerPort::input(const std::uint8_t* data, std::size_t length) {
    if (kind_ != Kind::File || failed_ || data == nullptr) return false;
    return buffer_.write(data, length);
}

bool PlayerPort::inputFrame(const std::uint8_t* body, std::size_t length, std::uint8_t frameType) {
    if (kind_ != Kind::Frames || failed_ || body == nullptr || length == 0 || length > kMaxFrameBodyBytes)
        return false;
    FrameHeader header;
    header.type = frameType;
    if (!header.isPicture() && !header.isAudio()) return false;
    std::uint8_t prefix[kPiecePrefixBytes];
    prefix[0] = frameType;
    const std::int64_t timeMs = nextFrameTime_.exchange(-1);
    std::memcpy(prefix + 1, &timeMs, sizeof timeMs);
    return buffer_.write(prefix, kPiecePrefixBytes, body, length);
}

void PlayerPort::resetControls() {
    paused_ = false;
    stepCredit_ = 0;
    speedStep_ = 0;
    nextFrameTime_ = -1;
    showFrom_ = -1;
    landing_ = false;
    playedTime_ = -1;
    playedFrames_ = 0;
    firstStampMs_ = -1;
}

void PlayerPort::setPaused(bool paused) {
    {
        std::lock_guard lock(holdMutex_);
        paused_ = paused;
        if (!paused) stepCredit_ = 0;
        ++clockEpoch_;
    }
    holdWake_.notify_all();
}

void PlayerPort::setSpeedStep(std::int32_t step) {
    speedStep_ = step;
    ++clockEpoch_;
    holdWake_.notify_all();
}

bool PlayerPort::step() {
    {
        std::lock_guard lock(holdMutex_);
        if (!paused_) return false;
        if (stepCredit_ < kMaxStepCredit) ++stepCredit_;
    }
    holdWake_.notify_all();
    return true;
}

bool PlayerPort::seek(std::int64_t timeMs) {
    std::lock_guard lock(controlMutex_);
    if (kind_ == Kind::Closed || failed_) return false;
    const bool wasPlaying = player_.joinable();
    stopLocked();
    buffer_.clear();
    showFrom_ = timeMs;
    landing_ = true;
    if (wasPlaying) startLocked();
    return true;
}

bool PlayerPort::holdWhilePaused() {
    std::unique_lock lock(holdMutex_);
    while (!stopping_ && paused_ && stepCredit_ == 0 && !landing_) holdWake_.wait_for(lock, kSleepSlice);
    return !stopping_;
}

bool PlayerPort::admitPicture(std::int64_t timeMs) {
    if (timeMs >= 0 && timeMs < showFrom_) return false;
    if (landing_.exchange(false)) return true;
    if (!holdWhilePaused()) return false;
    std::lock_guard lock(holdMutex_);
    if (paused_ && stepCredit_ > 0) --stepCredit_;
    return true;
}

void PlayerPort::showPicture(const AVFrame& frame, std::int64_t timeMs) {
    pictures_.show(frame);
    // Pictures come out in display order while frame stamps count in decoding order: the played
    // time only moves forward, except across a seek.
    if (timeMs >= 0 && (timeMs > playedTime_ || playedTime_ < showFrom_)) playedTime_ = timeMs;
    ++playedFrames_;
}

bool PlayerPort::play(std::shared_ptr<PictureSlot> slot) {
    std::lock_guard lock(controlMutex_);
    if (kind_ == Kind::Closed || failed_) return false;
    pictures_.setRenderTarget(std::move(slot));
    if (player_.joinable()) return true;
    startLocked();
    return true;
}

void PlayerPort::startLocked() {
    stopping_ = false;
    buffer_.resume();
    headerRead_ = 0;
    consecutiveDecodeErrors_ = 0;
    player_ = std::thread([this] { kind_ == Kind::File ? runFile() : runFrames(); });
}

bool PlayerPort::stop() {
    std::lock_guard lock(controlMutex_);
    const bool wasPlaying = player_.joinable();
    stopLocked();
    pictures_.setRenderTarget(nullptr);
    return wasPlaying || kind_ != Kind::Closed;
}

bool PlayerPort::close() {
    std::lock_guard lock(controlMutex_);
    const bool wasOpen = kind_ != Kind::Closed;
    stopLocked();
    pictures_.setRenderTarget(nullptr);
    kind_ = Kind::Closed;
    header_.clear();
    buffer_.clear();
    failed_ = false;
    resetControls();
    return wasOpen;
}

void PlayerPort::stopLocked() {
    if (!player_.joinable()) return;
    {
        std::lock_guard lock(holdMutex_);
        stopping_ = true;
    }
    holdWake_.notify_all();
    buffer_.interrupt();
    player_.join();
}

void PlayerPort::setSound(std::shared_ptr<PcmQueue> queue) {
    std::lock_guard lock(soundMutex_);
    sound_ = std::move(queue);
}

void PlayerPort::playSound(const std::uint8_t* data, std::size_t length) {
    std::shared_ptr<PcmQueue> sound;
    {
        std::lock_guard lock(soundMutex_);
        sound = sound_;
    }
    if (!sound) return;
    DecodeMuLaw(data, length, pcm_);
    sound->push(pcm_.data(), pcm_.size());
}

bool PlayerPort::decodePicture(H264Decoder& decoder, const std::uint8_t* data, std::size_t length,
                               bool keyFrame, const std::function<void(const AVFrame&)>& onPicture,
                               std::int64_t pts) {
    decoder.setDropLevel(DropLevelForThrowLevel(throwLevel_));
    decoder.setSkipLoopFilter(pictures_.quality().skipLoopFilter);
    const bool decoded = decoder.decode(data, length, keyFrame, onPicture, pts);
    consecutiveDecodeErrors_ = decoded ? 0 : consecutiveDecodeErrors_ + 1;
    return consecutiveDecodeErrors_ < kMaxConsecutiveDecodeErrors;
}

void PlayerPort::runFrames() {
    H264Decoder decoder;
    std::vector<std::uint8_t> piece;
    const auto show = [this](const AVFrame& frame) {
        const std::int64_t timeMs =
            frame.best_effort_timestamp == AV_NOPTS_VALUE ? -1 : frame.best_effort_timestamp;
        if (admitPicture(timeMs)) showPicture(frame, timeMs);
    };
    while (!stopping_ && buffer_.take(piece)) {
        if (piece.size() <= kPiecePrefixBytes) continue;
        const std::uint8_t type = piece[0];
        std::int64_t timeMs = -1;
        std::memcpy(&timeMs, piece.data() + 1, sizeof timeMs);
        const std::uint8_t* body = piece.data() + kPiecePrefixBytes;
        const std::size_t length = piece.size() - kPiecePrefixBytes;
        if (type == FrameType::Audio) {
            // Sound goes with pictures shown at their own pace only.
            if (!paused_ && speedStep_ == 0 && (timeMs < 0 || timeMs >= showFrom_)) playSound(body, length);
        } else if (!decodePicture(decoder, body, length, type == FrameType::Key, show,
                                  timeMs >= 0 ? timeMs : AV_NOPTS_VALUE)) {
            failed_ = true;
            buffer_.clear();
            return;
        }
    }
}

int PlayerPort::ReadFileBytes(void* opaque, std::uint8_t* data, int size) {
    auto* port = static_cast<PlayerPort*>(opaque);
    if (size <= 0) return 0;
    if (port->headerRead_ < port->header_.size()) {
        const std::size_t taken =
            std::min(static_cast<std::size_t>(size), port->header_.size() - port->headerRead_);
        std::memcpy(data, port->header_.data() + port->headerRead_, taken);
        port->headerRead_ += taken;
        return static_cast<int>(taken);
    }
    const std::size_t taken = port->buffer_.read(data, static_cast<std::size_t>(size));
    return taken > 0 ? static_cast<int>(taken) : AVERROR_EXIT;
}

void PlayerPort::runFile() {
    auto* ioBuffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (ioBuffer == nullptr) return;
    IoContextPtr io(avio_alloc_context(ioBuffer, kIoBufferBytes, 0, this, &ReadFileBytes, nullptr, nullptr));
    if (!io) {
        av_free(ioBuffer);
        return;
    }
    io->seekable = 0;
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) return;
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->interrupt_callback = {[](void* port) { return static_cast<PlayerPort*>(port)->stopping_ ? 1 : 0; },
                               this};
    if (avformat_open_input(&raw, nullptr, av_find_input_format("mp4"), nullptr) < 0) {  // frees raw
        if (!stopping_) failed_ = true;
        return;
    }
    const InputFormatPtr input(raw);
    const int videoIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0 || input->streams[videoIndex]->codecpar->codec_id != AV_CODEC_ID_H264) {
        failed_ = true;
        return;
    }
    const AVStream* video = input->streams[videoIndex];
    H264Decoder decoder(video->codecpar);

    PacketPtr packet = MakePacket();
    Clock::time_point clockStart;
    std::int64_t stampStartMs = 0;
    std::uint64_t clockEpoch = 0;
    bool clockRunning = false;
    const auto paceAndShow = [&](const AVFrame& frame) {
        const std::int64_t stampMs =
            av_rescale_q(frame.best_effort_timestamp, video->time_base, AVRational{1, 1000});
        if (firstStampMs_ < 0) firstStampMs_ = stampMs;
        const std::int64_t timeMs = std::max<std::int64_t>(0, stampMs - firstStampMs_);
        if (timeMs < showFrom_) return;  // before a seek's target: decoded only
        const auto scaled = [&](std::int64_t ms) {
            const std::int32_t step = speedStep_;
            return std::chrono::milliseconds(step >= 0 ? ms >> step : ms << -step);
        };
        Clock::time_point due = clockStart + scaled(timeMs - stampStartMs);
        if (!clockRunning || clockEpoch != clockEpoch_ || Clock::now() > due + kMaxLateness ||
            timeMs < stampStartMs) {
            clockStart = Clock::now();
            stampStartMs = timeMs;
            clockEpoch = clockEpoch_;
            clockRunning = true;
            due = clockStart;
        }
        while (!stopping_ && !paused_ && clockEpoch == clockEpoch_ && Clock::now() < due)
            std::this_thread::sleep_for(std::min<Clock::duration>(kSleepSlice, due - Clock::now()));
        if (!stopping_ && admitPicture(timeMs)) showPicture(frame, timeMs);
    };
    // Other tracks (sound) are skipped: plain files are played as pictures only.
    while (!stopping_ && packet && av_read_frame(input.get(), packet.get()) >= 0) {
        const bool shown = packet->stream_index != videoIndex ||
                           decodePicture(decoder, packet->data, static_cast<std::size_t>(packet->size),
                                         (packet->flags & AV_PKT_FLAG_KEY) != 0, paceAndShow, packet->pts);
        av_packet_unref(packet.get());
        if (!shown) break;
    }
    if (!stopping_) {  // the data ended in something that is not our MP4
        failed_ = true;
        buffer_.clear();
    }
}

}  // namespace strovik
