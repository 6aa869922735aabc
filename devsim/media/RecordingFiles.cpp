#include "devsim/media/RecordingFiles.h"

#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/LdvrName.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace strovik::devsim {

namespace {

std::int64_t PicturesFor(std::chrono::milliseconds duration) {
    return std::max<std::int64_t>(1, duration.count() / kFrameIntervalMs);
}

bool WriteFrame(QSaveFile& file, std::uint8_t type, std::uint32_t stampMs,
                const std::vector<std::uint8_t>& body) {
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {static_cast<std::uint32_t>(body.size()), stampMs, type});
    return file.write(reinterpret_cast<const char*>(header), kFrameHeaderBytes) == kFrameHeaderBytes &&
           file.write(reinterpret_cast<const char*>(body.data()), static_cast<qint64>(body.size())) ==
               static_cast<qint64>(body.size());
}

AVStream* AddVideoStream(AVFormatContext& output, const EncodedLoop& loop) {
    AVStream* video = avformat_new_stream(&output, nullptr);
    if (video == nullptr) return nullptr;
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_H264;
    video->codecpar->width = loop.width;
    video->codecpar->height = loop.height;
    video->time_base = AVRational{1, kFramesPerSecond};
    video->avg_frame_rate = AVRational{kFramesPerSecond, 1};
    // The muxer turns Annex B parameter sets and pictures into the MP4 (avcC) form itself.
    video->codecpar->extradata =
        static_cast<std::uint8_t*>(av_mallocz(loop.parameterSets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (video->codecpar->extradata == nullptr) return nullptr;
    std::copy(loop.parameterSets.begin(), loop.parameterSets.end(), video->codecpar->extradata);
    video->codecpar->extradata_size = static_cast<int>(loop.parameterSets.size());
    return video;
}

}  // namespace

std::string RecordingFileName(const RecordingEntry& entry) {
    if (entry.format == RecordingFormat::FrameFormat)
        return LdvrRecordingName(entry.start, entry.end, entry.channelIndex, entry.recordType == 3);
    char channel[32];
    std::snprintf(channel, sizeof channel, "ch%02d_1_", entry.channelIndex + 1);
    return channel + entry.start.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() + "_" +
           entry.end.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() + ".mp4";
}

std::optional<RecordingFormat> RecordingFormatOfName(std::string_view name) {
    if (name.find("LDVR") != std::string_view::npos) return RecordingFormat::FrameFormat;
    static const QRegularExpression mp4Layout(QStringLiteral("^ch\\d{2}_1_\\d{14}_\\d{14}\\.mp4$"));
    if (mp4Layout.match(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))).hasMatch())
        return RecordingFormat::Mp4;
    return std::nullopt;
}

bool EnsureRecordingFile(const std::string& path, const std::string& deviceName, const RecordingEntry& entry,
                         MediaCache& media, std::chrono::seconds maxContent) {
    if (QFile::exists(QString::fromStdString(path))) return true;
    const std::shared_ptr<const EncodedLoop> loop =
        media.loop({deviceName, entry.channelIndex, StreamKind::Main});
    if (!loop) return false;
    const auto length =
        std::chrono::milliseconds(std::max<qint64>(entry.start.msecsTo(entry.end), kFrameIntervalMs));
    const auto duration = std::min<std::chrono::milliseconds>(length, maxContent);
    return entry.format == RecordingFormat::FrameFormat
               ? WriteFrameRecording(path, *loop, duration,
                                     static_cast<std::uint32_t>(entry.start.toMSecsSinceEpoch()))
               : WriteMp4Recording(path, *loop, duration);
}

bool WriteFrameRecording(const std::string& path, const EncodedLoop& loop, std::chrono::milliseconds duration,
                         std::uint32_t firstStampMs) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const std::int64_t pictures = PicturesFor(duration);
    for (std::int64_t n = 0; n < pictures; ++n) {
        const auto index = static_cast<std::size_t>(n % kLoopFrames);
        const auto stampMs = static_cast<std::uint32_t>(firstStampMs + n * kFrameIntervalMs);
        const EncodedPicture& picture = loop.pictures[index];
        if (!WriteFrame(file, picture.frameType, stampMs, picture.data)) return false;
        if (!loop.audioFrames.empty() &&
            !WriteFrame(file, FrameType::Audio, stampMs, loop.audioFrames[index]))
            return false;
    }
    return file.commit();
}

bool WriteMp4Recording(const std::string& path, const EncodedLoop& loop, std::chrono::milliseconds duration) {
    const std::string partial = path + ".part";
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "mp4", partial.c_str()) < 0) return false;
    OutputFormatPtr output(raw);
    AVStream* video = AddVideoStream(*output, loop);
    if (video == nullptr || avio_open(&output->pb, partial.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    const int headerWritten = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (headerWritten < 0) return false;

    PacketPtr packet = MakePacket();
    const std::int64_t pictures = PicturesFor(duration);
    bool written = packet != nullptr;
    for (std::int64_t n = 0; written && n < pictures; ++n) {
        const EncodedPicture& picture = loop.pictures[static_cast<std::size_t>(n % kLoopFrames)];
        const std::int64_t loopStart = n / kLoopFrames * kLoopFrames;
        written = av_new_packet(packet.get(), static_cast<int>(picture.data.size())) >= 0;
        if (!written) break;
        std::copy(picture.data.begin(), picture.data.end(), packet->data);
        packet->stream_index = video->index;
        packet->pts =
            av_rescale_q(loopStart + picture.pts, AVRational{1, kFramesPerSecond}, video->time_base);
        packet->dts =
            av_rescale_q(loopStart + picture.dts, AVRational{1, kFramesPerSecond}, video->time_base);
        packet->duration = av_rescale_q(1, AVRational{1, kFramesPerSecond}, video->time_base);
        if (picture.frameType == FrameType::Key) packet->flags |= AV_PKT_FLAG_KEY;
        written = av_interleaved_write_frame(output.get(), packet.get()) >= 0;
    }
    written = av_write_trailer(output.get()) >= 0 && written;
    output.reset();  // closes the file before it is renamed
    QFile::remove(QString::fromStdString(path));
    if (!written || !QFile::rename(QString::fromStdString(partial), QString::fromStdString(path))) {
        QFile::remove(QString::fromStdString(partial));
        return false;
    }
    return true;
}

}  // namespace strovik::devsim
