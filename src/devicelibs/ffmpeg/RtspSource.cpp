#include "devicelibs/ffmpeg/RtspSource.h"

#include "devicelibs/cameras/RtspAddress.h"
#include "devicelibs/video/VideoClientLibrary.h"

#include <algorithm>
#include <cerrno>

namespace strovik {

namespace {

constexpr int kNalIdr = 5;
constexpr int kNalSps = 7;

std::int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Whether Annex B data holds a NAL unit of that type.
bool HasNalUnit(const std::uint8_t* data, std::size_t size, int type) {
    for (std::size_t i = 0; i + 3 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            if ((data[i + 3] & 0x1F) == type) return true;
            i += 2;
        }
    }
    return false;
}

bool IsAnnexB(const std::uint8_t* data, std::size_t size) {
    return (size >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1) ||
           (size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1);
}

std::int32_t StartErrorOf(int averror) {
    switch (averror) {
        case AVERROR_HTTP_UNAUTHORIZED:
        case AVERROR_HTTP_FORBIDDEN:
            return ClientStartError::LoginRefused;
        case AVERROR_HTTP_NOT_FOUND:
            return ClientStartError::NoSuchStream;
        case AVERROR(ECONNREFUSED):
        case AVERROR(EHOSTUNREACH):
        case AVERROR(ENETUNREACH):
            return ClientStartError::CannotConnect;
        default:
            return ClientStartError::NoAnswer;
    }
}

int FramesPerSecondOf(const AVStream& stream) {
    for (const AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate}) {
        if (rate.num > 0 && rate.den > 0) return std::clamp(static_cast<int>(av_q2d(rate) + 0.5), 1, 120);
    }
    return 25;
}

}  // namespace

void RtspSource::Interruption::setDeadline(std::chrono::milliseconds fromNow) {
    deadlineNs.store(SteadyNowNs() + std::chrono::duration_cast<std::chrono::nanoseconds>(fromNow).count(),
                     std::memory_order_relaxed);
}

int RtspSource::Interruption::check(void* opaque) {
    const auto* self = static_cast<const Interruption*>(opaque);
    return self->stopped.load(std::memory_order_relaxed) ||
                   SteadyNowNs() > self->deadlineNs.load(std::memory_order_relaxed)
               ? 1
               : 0;
}

RtspSource::Opened RtspSource::open(const std::string& address, const std::string& userName,
                                    const std::string& password, const Options& options) {
    Opened opened;
    opened.error = ClientStartError::BadArguments;
    if (!IsRtspAddress(address)) return opened;

    auto interruption = std::make_unique<Interruption>();
    interruption->setDeadline(options.openTimeout);
    AVFormatContext* raw = avformat_alloc_context();
    opened.error = ClientStartError::NoAnswer;
    if (raw == nullptr) return opened;
    raw->interrupt_callback = {&Interruption::check, interruption.get()};

    AVDictionary* settings = nullptr;
    av_dict_set(&settings, "rtsp_transport", options.overUdp ? "udp" : "tcp", 0);
    // The socket timeout (microseconds) as well: it also ends a UDP stream that falls silent.
    av_dict_set_int(&settings, "timeout",
                    std::chrono::duration_cast<std::chrono::microseconds>(options.openTimeout).count(), 0);
    const std::string url = WithCredentials(address, userName, password);
    // avformat_open_input frees the context when it fails.
    const int result = avformat_open_input(&raw, url.c_str(), av_find_input_format("rtsp"), &settings);
    av_dict_free(&settings);
    if (result < 0) {
        opened.error = StartErrorOf(result);
        return opened;
    }
    InputFormatPtr input(raw);

    int videoIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* codec = input->streams[i]->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && codec->codec_id == AV_CODEC_ID_H264) {
            videoIndex = static_cast<int>(i);
            break;
        }
    }
    if (videoIndex < 0) return opened;  // a camera of another video codec: not a stream we decode

    const AVStream& stream = *input->streams[videoIndex];
    opened.format.width = stream.codecpar->width;
    opened.format.height = stream.codecpar->height;
    opened.format.framesPerSecond = FramesPerSecondOf(stream);
    opened.format.hasAudio = false;
    opened.source.reset(new RtspSource(std::move(interruption), std::move(input), videoIndex));
    opened.error = 0;
    return opened;
}

RtspSource::RtspSource(std::unique_ptr<Interruption> interruption, InputFormatPtr input, int videoIndex)
    : interruption_(std::move(interruption)),
      input_(std::move(input)),
      packet_(MakePacket()),
      videoIndex_(videoIndex),
      timeBase_(input_->streams[videoIndex]->time_base) {
    const AVCodecParameters* codec = input_->streams[videoIndex]->codecpar;
    if (codec->extradata != nullptr && IsAnnexB(codec->extradata, static_cast<std::size_t>(codec->extradata_size)))
        parameterSets_.assign(codec->extradata, codec->extradata + codec->extradata_size);
}

RtspSource::~RtspSource() {
    // No reader is left (the stream's worker has ended): the farewell TEARDOWN, also after an
    // interrupt, gets a moment of its own, and a camera that does not take it holds nobody up.
    interruption_->stopped.store(false, std::memory_order_relaxed);
    interruption_->setDeadline(std::chrono::milliseconds(300));
    input_.reset();
}

void RtspSource::interrupt() {
    interruption_->stopped.store(true, std::memory_order_relaxed);
}

bool RtspSource::next(SourcePacket& packet, std::chrono::milliseconds silenceTimeout) {
    if (over_ || !packet_) return false;
    interruption_->setDeadline(silenceTimeout);
    for (;;) {
        av_packet_unref(packet_.get());
        if (av_read_frame(input_.get(), packet_.get()) < 0) {
            over_ = true;
            return false;
        }
        if (packet_->stream_index != videoIndex_ || packet_->size <= 0) continue;
        break;
    }
    const auto* data = packet_->data;
    const auto size = static_cast<std::size_t>(packet_->size);
    packet.kind = SourcePacket::Kind::Picture;
    packet.keyFrame = (packet_->flags & AV_PKT_FLAG_KEY) != 0 || HasNalUnit(data, size, kNalIdr);
    packet.data = data;
    packet.size = size;
    if (packet.keyFrame && !parameterSets_.empty() && !HasNalUnit(data, size, kNalSps)) {
        keyFrame_.assign(parameterSets_.begin(), parameterSets_.end());
        keyFrame_.insert(keyFrame_.end(), data, data + size);
        packet.data = keyFrame_.data();
        packet.size = keyFrame_.size();
    }
    const std::int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
    if (pts != AV_NOPTS_VALUE && firstPts_ == AV_NOPTS_VALUE) firstPts_ = pts;
    packet.timeStampMs = pts == AV_NOPTS_VALUE
                             ? 0
                             : static_cast<std::uint32_t>(std::max<std::int64_t>(
                                   0, av_rescale_q(pts - firstPts_, timeBase_, AVRational{1, 1000})));
    return true;
}

}  // namespace strovik
