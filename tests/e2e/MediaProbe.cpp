#include "e2e/MediaProbe.h"

#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <algorithm>

namespace strovik::test {

MediaProbe ProbeMediaFile(const std::string& path) {
    MediaProbe probe;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return probe;
    const InputFormatPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return probe;
    probe.opened = true;
    probe.format = input->iformat->name;
    const int videoIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audioIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    CodecContextPtr decoder;
    if (videoIndex >= 0) {
        const AVCodecParameters* video = input->streams[videoIndex]->codecpar;
        probe.videoCodec = avcodec_get_name(video->codec_id);
        probe.width = video->width;
        probe.height = video->height;
        const AVCodec* codec = avcodec_find_decoder(video->codec_id);
        decoder.reset(avcodec_alloc_context3(codec));
        if (decoder && (avcodec_parameters_to_context(decoder.get(), video) < 0 ||
                        avcodec_open2(decoder.get(), codec, nullptr) < 0))
            decoder.reset();
    }
    if (audioIndex >= 0) probe.audioCodec = avcodec_get_name(input->streams[audioIndex]->codecpar->codec_id);

    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    std::int64_t firstStamp = AV_NOPTS_VALUE;
    std::int64_t lastEnd = 0;
    const auto drain = [&] {
        while (decoder && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            ++probe.decodedPictures;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == videoIndex) {
            ++probe.videoPackets;
            if ((packet->flags & AV_PKT_FLAG_KEY) != 0) ++probe.videoKeyPackets;
            const std::int64_t stamp = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
            if (stamp != AV_NOPTS_VALUE) {
                if (firstStamp == AV_NOPTS_VALUE) firstStamp = stamp;
                lastEnd = std::max(lastEnd, stamp + std::max<std::int64_t>(packet->duration, 1));
            }
            if (decoder && avcodec_send_packet(decoder.get(), packet.get()) >= 0) drain();
        } else if (packet->stream_index == audioIndex) {
            ++probe.audioPackets;
        }
        av_packet_unref(packet.get());
    }
    if (decoder && avcodec_send_packet(decoder.get(), nullptr) >= 0) drain();
    if (videoIndex >= 0 && firstStamp != AV_NOPTS_VALUE)
        probe.durationSeconds =
            static_cast<double>(lastEnd - firstStamp) * av_q2d(input->streams[videoIndex]->time_base);
    return probe;
}

}  // namespace strovik::test
