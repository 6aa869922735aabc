// What remote playback feeds the real stream player from a recording copied off a device: plain
// (MP4) pieces through the source buffer, or frame-format frames one by one. Whatever they hold,
// the player takes them or refuses them, and stops and closes in bounded time.
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/StreamPlayerLibrary.h"

#include <QElapsedTimer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace strovik;

constexpr std::int32_t kPort = 65;
constexpr int kStopWithinMs = 2000;

void FeedPlain(FfmpegStreamPlayer& player, const std::uint8_t* data, std::size_t size, std::size_t pieceBytes) {
    if (size < 4) return;
    const std::int32_t headLength = player.X_Play_GetFileHeadLength(kPort, data);
    if (headLength <= 0 || static_cast<std::size_t>(headLength) > size) return;
    if (!player.X_Play_OpenStream(kPort, data, headLength)) return;
    player.X_Play_Play(kPort, nullptr);
    for (std::size_t at = static_cast<std::size_t>(headLength); at < size; at += pieceBytes) {
        const std::size_t piece = std::min(pieceBytes, size - at);
        if (!player.X_Play_InputData(kPort, data + at, static_cast<std::int32_t>(piece))) break;
    }
}

void FeedFrames(FfmpegStreamPlayer& player, const std::uint8_t* data, std::size_t size) {
    bool opened = false;
    std::vector<std::uint8_t> input;
    for (std::size_t at = 0; at + kFrameHeaderBytes <= size;) {
        const FrameHeader header = ReadFrameHeader(data + at);
        const std::size_t body = std::min<std::size_t>(header.bodyLength, size - at - kFrameHeaderBytes);
        if (!opened) {
            opened = player.X_Play_DVROpenStream(kPort, data + at, kFrameHeaderBytes, 0) != 0;
            if (!opened) return;
            player.X_Play_Play(kPort, nullptr);
        }
        input.assign(kDvrInputLeadBytes, 0);
        input.insert(input.end(), data + at + kFrameHeaderBytes, data + at + kFrameHeaderBytes + body);
        input.resize(input.size() + kDvrInputTailBytes, 0);
        if (!player.X_Play_DVRInputData(kPort, input.data(), static_cast<std::int32_t>(input.size()), header.type))
            break;
        at += kFrameHeaderBytes + body;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    FfmpegStreamPlayer player;
    const std::uint8_t mode = data[0];
    if (mode & 1) {
        FeedFrames(player, data + 1, size - 1);
    } else {
        FeedPlain(player, data + 1, size - 1, 512u * (1u + (mode >> 1)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // let the player thread get going
    QElapsedTimer clock;
    clock.start();
    player.X_Play_Stop(kPort);
    player.X_Play_CloseStream(kPort);
    if (clock.elapsed() > kStopWithinMs) std::abort();  // a stop held up by what was fed
    return 0;
}
