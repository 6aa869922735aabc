#include "devicelibs/ffmpeg/LiveStream.h"

#include "devicelibs/video/G711.h"

#if defined(__linux__)
#include <sys/resource.h>
#endif

namespace strovik {

namespace {

// A stream whose pictures all fail to decode for this long (at 25 frames a second) is as good as
// lost: the window reconnects instead of showing a frozen picture for ever.
constexpr int kMaxConsecutiveDecodeErrors = 50;

// A grid of 64 streams has 64 workers that want the cores; at the GUI thread's own priority they
// kept it from its events for up to a tenth of a second and more when the machine was overloaded
// (a 10 ms timer's p99 lateness 46 to 170 ms, against 5 to 42 ms with the workers niced by 5).
// A late picture costs less than a late click, and the CPU rule sheds the decoding that falls
// behind.
void LowerWorkerPriority() {
#if defined(__linux__)
    // The nice value is per thread on Linux; 0 names the calling one.
    setpriority(PRIO_PROCESS, 0, 5);
#endif
}

}  // namespace

LiveStream::LiveStream(Setup setup)
    : handle_(setup.handle),
      source_(std::move(setup.source)),
      silenceTimeout_(setup.silenceTimeout),
      onLost_(std::move(setup.onLost)),
      onCaptureFailed_(std::move(setup.onCaptureFailed)),
      format_(setup.format),
      pictures_(std::move(setup.slot)),
      worker_([this] { run(); }) {}

LiveStream::~LiveStream() {
    stopping_ = true;
    source_->interrupt();
    if (worker_.joinable()) worker_.join();
    stopCapture();
}

void LiveStream::setSound(std::shared_ptr<PcmQueue> queue) {
    std::lock_guard lock(soundMutex_);
    sound_ = std::move(queue);
}

bool LiveStream::startCapture(const std::string& fileName) {
    stopCapture();
    AviWriter::Format format{format_.width, format_.height, format_.framesPerSecond, format_.hasAudio};
    const QSize decoded = pictures_.pictureSize();
    if (!decoded.isEmpty()) {  // what the decoder saw beats what the device announced
        format.width = decoded.width();
        format.height = decoded.height();
    }
    auto writer = std::make_unique<AviWriter>(fileName, format);
    if (!writer->isOpen()) return false;
    std::lock_guard lock(captureMutex_);
    capture_ = std::move(writer);
    return true;
}

bool LiveStream::stopCapture() {
    std::unique_ptr<AviWriter> writer;
    {
        std::lock_guard lock(captureMutex_);
        writer = std::move(capture_);
    }
    return writer && writer->finish();
}

void LiveStream::run() {
    LowerWorkerPriority();
    SourcePacket packet;
    while (!stopping_ && source_->next(packet, silenceTimeout_)) {
        if (packet.kind == SourcePacket::Kind::Sound) {
            handleAudio(packet);
        } else if (!handlePicture(packet)) {
            break;
        }
    }
    if (!stopping_ && onLost_) onLost_(handle_);
}

bool LiveStream::handlePicture(const SourcePacket& packet) {
    capture([&](AviWriter& writer) {
        return writer.writeVideo(packet.data, packet.size, packet.keyFrame, packet.timeStampMs);
    });
    decoder_.setDropLevel(DropLevelForThrowLevel(throwLevel_));
    decoder_.setSkipLoopFilter(pictures_.quality().skipLoopFilter);
    const bool decoded = decoder_.decode(packet.data, packet.size, packet.keyFrame,
                                         [this](const AVFrame& frame) { pictures_.show(frame); });
    consecutiveDecodeErrors_ = decoded ? 0 : consecutiveDecodeErrors_ + 1;
    return consecutiveDecodeErrors_ < kMaxConsecutiveDecodeErrors;
}

void LiveStream::capture(const std::function<bool(AviWriter&)>& write) {
    std::unique_ptr<AviWriter> failed;
    {
        std::lock_guard lock(captureMutex_);
        if (!capture_ || write(*capture_)) return;
        failed = std::move(capture_);
    }
    failed.reset();  // closes what was written, outside the lock
    if (onCaptureFailed_) onCaptureFailed_(handle_);
}

void LiveStream::handleAudio(const SourcePacket& packet) {
    if (!format_.hasAudio) return;
    capture([&](AviWriter& writer) { return writer.writeAudio(packet.data, packet.size); });
    std::shared_ptr<PcmQueue> sound;
    {
        std::lock_guard lock(soundMutex_);
        sound = sound_;
    }
    if (!sound) return;
    DecodeMuLaw(packet.data, packet.size, pcm_);
    sound->push(pcm_.data(), pcm_.size());
}

}  // namespace strovik
