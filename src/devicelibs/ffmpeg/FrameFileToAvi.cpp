#include "devicelibs/ffmpeg/FrameFileToAvi.h"

#include "devicelibs/ffmpeg/AviWriter.h"
#include "devicelibs/ffmpeg/H264Decoder.h"
#include "devicelibs/video/FrameFileReader.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace strovik {

namespace {

// How far into the file the format is judged: enough pictures for a steady frame interval.
constexpr int kProbePictures = 100;
constexpr int kDefaultFramesPerSecond = 25;

struct FrameFileFormat {
    bool valid = false;
    AviWriter::Format format;
};

// Sizes the picture by decoding the first key frame, and takes the frame rate from the median
// interval between picture time stamps.
FrameFileFormat ProbeFrameFile(const std::string& path) {
    FrameFileFormat probe;
    FrameFileReader reader(path);
    H264Decoder decoder;
    std::vector<std::uint32_t> intervals;
    std::uint32_t previousStamp = 0;
    int pictures = 0;
    while (pictures < kProbePictures && reader.next() == FrameFileReader::Status::Frame) {
        const FrameHeader& header = reader.header();
        if (header.isAudio()) probe.format.hasAudio = true;
        if (!header.isPicture()) continue;
        if (pictures++ > 0 && header.timeStampMs > previousStamp)
            intervals.push_back(header.timeStampMs - previousStamp);
        previousStamp = header.timeStampMs;
        if (probe.valid) continue;
        decoder.decode(reader.body().data(), reader.body().size(), header.type == FrameType::Key,
                       [&](const AVFrame& frame) {
                           probe.format.width = frame.width;
                           probe.format.height = frame.height;
                           probe.valid = frame.width > 0 && frame.height > 0;
                       });
    }
    probe.format.framesPerSecond = kDefaultFramesPerSecond;
    if (!intervals.empty()) {
        std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
        const std::uint32_t median = intervals[intervals.size() / 2];
        probe.format.framesPerSecond = std::clamp(static_cast<int>((1000 + median / 2) / median), 1, 60);
    }
    return probe;
}

}  // namespace

std::string AviPathFor(const std::string& frameFilePath) {
    const std::size_t slash = frameFilePath.find_last_of("/\\");
    const std::size_t dot = frameFilePath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? frameFilePath.substr(0, dot) : frameFilePath) + ".avi";
}

bool ConvertFrameFileToAvi(const std::string& frameFilePath) {
    const std::string aviPath = AviPathFor(frameFilePath);
    if (aviPath == frameFilePath) return false;  // would overwrite what it reads
    const FrameFileFormat probe = ProbeFrameFile(frameFilePath);
    if (!probe.valid) return false;
    // Under a name of its own until it is whole: a conversion cut short (a killed process, a full
    // disk) never leaves an AVI that looks like the finished one.
    const std::string partPath = aviPath + ".part";
    bool converted = false;
    {
        AviWriter writer(partPath, probe.format);
        if (!writer.isOpen()) return false;
        FrameFileReader reader(frameFilePath);
        bool written = true;
        while (written && reader.next() == FrameFileReader::Status::Frame) {
            const FrameHeader& header = reader.header();
            const std::vector<std::uint8_t>& body = reader.body();
            if (header.isPicture())
                written = writer.writeVideo(body.data(), body.size(), header.type == FrameType::Key,
                                            header.timeStampMs);
            else if (header.isAudio())
                written = writer.writeAudio(body.data(), body.size());
        }
        converted = writer.finish() && written && writer.videoFramesWritten() > 0;
    }
    std::error_code error;
    if (converted) std::filesystem::rename(partPath, aviPath, error);
    const bool renamed = converted && !error;
    if (!renamed) std::filesystem::remove(partPath, error);
    return renamed;
}

}  // namespace strovik
