#include "devicelibs/ffmpeg/H264Decoder.h"

#include <cstring>

namespace strovik {

H264Decoder::H264Decoder(const AVCodecParameters* parameters) : packet_(MakePacket()), frame_(MakeFrame()) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr || !packet_ || !frame_) return;
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return;
    if (parameters != nullptr && avcodec_parameters_to_context(context.get(), parameters) < 0) return;
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return;
    context_ = std::move(context);
}

void H264Decoder::setDropLevel(DropLevel level) {
    if (!context_) return;
    if (dropLevel_ == DropLevel::NonKey && level != DropLevel::NonKey) waitingForKeyFrame_ = true;
    dropLevel_ = level;
    context_->skip_frame = level == DropLevel::NonReference ? AVDISCARD_NONREF
                           : level == DropLevel::NonKey     ? AVDISCARD_NONKEY
                                                            : AVDISCARD_DEFAULT;
}

void H264Decoder::setSkipLoopFilter(bool skip) {
    if (context_) context_->skip_loop_filter = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

bool H264Decoder::decode(const std::uint8_t* data, std::size_t size, bool keyFrame,
                         const std::function<void(const AVFrame&)>& onPicture, std::int64_t pts) {
    if (!context_ || size == 0 || size > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) return false;
    if (!keyFrame && (waitingForKeyFrame_ || dropLevel_ == DropLevel::NonKey)) return true;
    waitingForKeyFrame_ = false;
    if (av_new_packet(packet_.get(), static_cast<int>(size)) < 0) return false;
    std::memcpy(packet_->data, data, size);
    if (keyFrame) packet_->flags |= AV_PKT_FLAG_KEY;
    packet_->pts = pts;
    const int sent = avcodec_send_packet(context_.get(), packet_.get());
    av_packet_unref(packet_.get());
    bool ok = sent >= 0 || sent == AVERROR(EAGAIN);
    for (;;) {
        const int received = avcodec_receive_frame(context_.get(), frame_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
        if (received < 0) {
            ok = false;
            break;
        }
        onPicture(*frame_);
        av_frame_unref(frame_.get());
    }
    return ok;
}

}  // namespace strovik
