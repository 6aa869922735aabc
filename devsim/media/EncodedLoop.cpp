#include "devsim/media/EncodedLoop.h"

#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/G711.h"
#include "devsim/media/AnnexB.h"
#include "devsim/media/ChannelPicture.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cmath>
#include <numbers>

namespace strovik::devsim {

namespace {

// A beep in the first fifth of every second, its pitch telling the channels apart.
std::vector<std::vector<std::uint8_t>> MakeAudioLoop(int channelIndex) {
    std::vector<std::vector<std::uint8_t>> frames(kLoopFrames);
    const double pitch = 440.0 + 110.0 * (channelIndex % 8);
    for (int f = 0; f < kLoopFrames; ++f) {
        frames[f].resize(kAudioSamplesPerFrame);
        for (int s = 0; s < kAudioSamplesPerFrame; ++s) {
            const int sample = f * kAudioSamplesPerFrame + s;
            const bool beeping = sample % 8000 < 1600;
            const double value =
                beeping ? 8000.0 * std::sin(2.0 * std::numbers::pi * pitch * sample / 8000.0) : 0.0;
            frames[f][s] = LinearToMuLaw(static_cast<std::int16_t>(value));
        }
    }
    return frames;
}

CodecContextPtr OpenEncoder(int width, int height) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) return nullptr;
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return nullptr;
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, kFramesPerSecond};
    context->framerate = AVRational{kFramesPerSecond, 1};
    context->gop_size = kLoopFrames;
    context->max_b_frames = 2;
    context->thread_count = 1;
    // Two B-frames that nothing refers to, so that dropping such pictures is a real choice for a
    // client; one key frame per loop, so that every loop starts clean.
    av_opt_set(context->priv_data, "preset", "veryfast", 0);
    av_opt_set(context->priv_data, "x264-params",
               "keyint=50:min-keyint=50:scenecut=0:b-pyramid=none:bframes=2:b-adapt=0:log=0", 0);
    av_opt_set(context->priv_data, "crf", "26", 0);
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
    return context;
}

bool Drain(AVCodecContext& encoder, AVPacket& packet, EncodedLoop& loop) {
    for (;;) {
        const int result = avcodec_receive_packet(&encoder, &packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        EncodedPicture picture;
        picture.data.assign(packet.data, packet.data + packet.size);
        picture.pts = packet.pts;
        picture.dts = packet.dts;
        picture.frameType = (packet.flags & AV_PKT_FLAG_KEY) != 0 ? FrameType::Key
                            : IsReferencePicture(picture.data)    ? FrameType::Picture
                                                                  : FrameType::Droppable;
        if (loop.parameterSets.empty() && picture.frameType == FrameType::Key)
            loop.parameterSets = ParameterSets(picture.data);
        loop.pictures.push_back(std::move(picture));
        av_packet_unref(&packet);
    }
}

}  // namespace

std::shared_ptr<const EncodedLoop> EncodeLoop(const StreamId& stream) {
    const StreamProfile profile = ProfileOf(stream);
    CodecContextPtr encoder = OpenEncoder(profile.width, profile.height);
    FramePtr frame = MakeFrame();
    PacketPtr packet = MakePacket();
    if (!encoder || !frame || !packet) return nullptr;
    frame->width = profile.width;
    frame->height = profile.height;
    frame->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;

    auto loop = std::make_shared<EncodedLoop>();
    loop->width = profile.width;
    loop->height = profile.height;
    for (int i = 0; i < kLoopFrames; ++i) {
        if (av_frame_make_writable(frame.get()) < 0) return nullptr;
        PaintChannelPicture(stream, i, *frame);
        frame->pts = i;
        if (avcodec_send_frame(encoder.get(), frame.get()) < 0 || !Drain(*encoder, *packet, *loop))
            return nullptr;
    }
    if (avcodec_send_frame(encoder.get(), nullptr) < 0 || !Drain(*encoder, *packet, *loop)) return nullptr;
    if (loop->pictures.size() != kLoopFrames || loop->parameterSets.empty()) return nullptr;
    if (profile.hasAudio) loop->audioFrames = MakeAudioLoop(stream.channelIndex);
    return loop;
}

}  // namespace strovik::devsim
