#include "devicelibs/ffmpeg/LiveSessionSource.h"

#include "devicelibs/video/FrameFormat.h"

namespace strovik {

bool LiveSessionSource::next(SourcePacket& packet, std::chrono::milliseconds silenceTimeout) {
    // The silence timeout counts from the call: skipped frames of other types do not keep a
    // stream alive that sends no pictures or sound.
    const auto deadline = std::chrono::steady_clock::now() + silenceTimeout;
    for (;;) {
        if (reader_->next(kFrameHeaderBytes + kMaxFrameBodyBytes, deadline) != LiveSessionReader::Result::Message ||
            reader_->size() < kFrameHeaderBytes)
            return false;
        const FrameHeader header = ReadFrameHeader(reader_->data());
        if (header.bodyLength != reader_->size() - kFrameHeaderBytes) return false;  // not our frame message
        if (!header.isPicture() && !header.isAudio()) continue;
        packet.kind = header.isPicture() ? SourcePacket::Kind::Picture : SourcePacket::Kind::Sound;
        packet.data = reader_->data() + kFrameHeaderBytes;
        packet.size = header.bodyLength;
        packet.keyFrame = header.type == FrameType::Key;
        packet.timeStampMs = header.timeStampMs;
        return true;
    }
}

void LiveSessionSource::interrupt() {
    reader_->socket().shutdown();
}

}  // namespace strovik
