#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace strovik {

// Owners of FFmpeg handles from the moment they exist.
struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
// An opened input (avformat_open_input).
struct InputFormatClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// An output (avformat_alloc_output_context2) and the file it opened, if any. Closing without
// av_write_trailer leaves the file as far as it got.
struct OutputFormatClose {
    void operator()(AVFormatContext* context) const {
        if (context == nullptr) return;
        if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
// A custom I/O context and its buffer (avio_alloc_context).
struct IoContextFree {
    void operator()(AVIOContext* io) const {
        if (io != nullptr) av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsFree>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatClose>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatClose>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;

inline FramePtr MakeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr MakePacket() {
    return PacketPtr(av_packet_alloc());
}

}  // namespace strovik
