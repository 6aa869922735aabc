#include "devicelibs/ffmpeg/AviWriter.h"

#include <algorithm>
#include <cstring>

namespace strovik {

namespace {

constexpr int kMuLawSampleRate = 8000;

}  // namespace

AviWriter::AviWriter(const std::string& path, const Format& format)
    : framesPerSecond_(std::clamp(format.framesPerSecond, 1, 120)) {
    if (format.width <= 0 || format.height <= 0) return;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str()) < 0) return;
    OutputFormatPtr output(raw);

    video_ = avformat_new_stream(output.get(), nullptr);
    if (video_ == nullptr) return;
    video_->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video_->codecpar->codec_id = AV_CODEC_ID_H264;
    video_->codecpar->codec_tag = MKTAG('H', '2', '6', '4');
    video_->codecpar->width = format.width;
    video_->codecpar->height = format.height;
    video_->time_base = AVRational{1, framesPerSecond_};
    video_->avg_frame_rate = AVRational{framesPerSecond_, 1};

    if (format.hasAudio) {
        audio_ = avformat_new_stream(output.get(), nullptr);
        if (audio_ == nullptr) return;
        audio_->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        audio_->codecpar->codec_id = AV_CODEC_ID_PCM_MULAW;
        audio_->codecpar->sample_rate = kMuLawSampleRate;
        av_channel_layout_default(&audio_->codecpar->ch_layout, 1);
        audio_->codecpar->bits_per_coded_sample = 8;
        audio_->codecpar->block_align = 1;
        audio_->codecpar->bit_rate = kMuLawSampleRate * 8;
        audio_->time_base = AVRational{1, kMuLawSampleRate};
    }

    // Packets of one stream wait in the muxer for the other's at most a second, so that what a
    // killed process leaves behind is at most a second short.
    output->max_interleave_delta = AV_TIME_BASE;
    if (avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return;
    if (avformat_write_header(output.get(), nullptr) < 0) return;
    output_ = std::move(output);
}

AviWriter::~AviWriter() {
    finish();
}

bool AviWriter::writeVideo(const std::uint8_t* data, std::size_t size, bool keyFrame,
                           std::uint32_t timeStampMs) {
    if (!output_) return false;
    if (!started_) {
        if (!keyFrame) return true;
        started_ = true;
        firstStampMs_ = timeStampMs;
    }
    // Stamps count from the first frame; wrap-around of the 32-bit stamp is harmless here.
    const auto elapsedMs = static_cast<std::int64_t>(static_cast<std::uint32_t>(timeStampMs - firstStampMs_));
    const std::int64_t stamp = std::max(lastVideoStamp_ + 1, (elapsedMs * framesPerSecond_ + 500) / 1000);
    lastVideoStamp_ = stamp;
    if (!write(video_, data, size, stamp, keyFrame)) return false;
    ++videoFrames_;
    if (stamp - flushedAtStamp_ >= framesPerSecond_) {
        flushedAtStamp_ = stamp;
        avio_flush(output_->pb);
        if (output_->pb->error < 0) {
            fail();
            return false;
        }
    }
    return true;
}

bool AviWriter::writeAudio(const std::uint8_t* data, std::size_t size) {
    if (!output_ || audio_ == nullptr || !started_) return output_ != nullptr;
    const std::int64_t stamp = audioSamples_;
    audioSamples_ += static_cast<std::int64_t>(size);  // one byte per sample
    return write(audio_, data, size, stamp, true);
}

bool AviWriter::write(AVStream* stream, const std::uint8_t* data, std::size_t size, std::int64_t timeStamp,
                      bool keyFrame) {
    if (size == 0 || size > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) return true;
    PacketPtr packet = MakePacket();
    if (!packet || av_new_packet(packet.get(), static_cast<int>(size)) < 0) {
        fail();
        return false;
    }
    std::memcpy(packet->data, data, size);
    packet->stream_index = stream->index;
    packet->pts = packet->dts = av_rescale_q(
        timeStamp, stream == video_ ? AVRational{1, framesPerSecond_} : AVRational{1, kMuLawSampleRate},
        stream->time_base);
    if (keyFrame) packet->flags |= AV_PKT_FLAG_KEY;
    if (av_interleaved_write_frame(output_.get(), packet.get()) < 0) {
        fail();
        return false;
    }
    return true;
}

void AviWriter::fail() {
    failed_ = true;
    output_.reset();
}

bool AviWriter::finish() {
    if (!output_) return !failed_;
    const bool trailerWritten = av_write_trailer(output_.get()) >= 0;
    output_.reset();
    failed_ = failed_ || !trailerWritten;
    return !failed_;
}

}  // namespace strovik
