// A frame-format recording as a download or a playback copy may leave it (cut short, damaged or
// not one at all): the reader walks it to its end, and its AVI conversion either fails or writes a
// file that libavformat opens and reads to the end.
#include "FuzzSupport.h"
#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/video/FrameFileReader.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

bool ReadsToTheEnd(const std::string& path) {
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) != 0) return false;
    bool whole = avformat_find_stream_info(input, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    int result = 0;
    while ((result = av_read_frame(input, packet)) >= 0) av_packet_unref(packet);
    whole = whole && result == AVERROR_EOF;
    av_packet_free(&packet);
    avformat_close_input(&input);
    return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace strovik;
    av_log_set_level(AV_LOG_QUIET);
    const fuzz::InputFile file(QStringLiteral("LDVR_1_20240102030405_20240102031405_2_0_.264"), data, size);
    const std::string path = file.path().toStdString();
    FrameFileReader reader(path);
    std::size_t frames = 0;
    while (reader.next() == FrameFileReader::Status::Frame) {
        if (reader.body().size() != reader.header().bodyLength) std::abort();
        ++frames;
    }
    if (ConvertFrameFileToAvi(path) && !ReadsToTheEnd(AviPathFor(path))) std::abort();  // converted, but broken
    (void)frames;
    return 0;
}
