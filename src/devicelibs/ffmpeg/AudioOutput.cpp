#include "devicelibs/ffmpeg/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>

namespace strovik {

namespace {

// The pull side of a PcmQueue for QAudioSink: what is missing is filled with silence, so the sink
// never sees an underrun and the sound resumes as soon as samples arrive again.
class QueueReader final : public QIODevice {
public:
    explicit QueueReader(std::shared_ptr<PcmQueue> queue) : queue_(std::move(queue)) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + kChunkBytes; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto wanted =
            static_cast<std::size_t>(std::min<qint64>(maxSize, kChunkBytes)) / sizeof(std::int16_t);
        std::int16_t samples[kChunkBytes / sizeof(std::int16_t)];
        const std::size_t pulled = queue_->pull(samples, wanted);
        std::fill(samples + pulled, samples + wanted, std::int16_t{0});
        std::memcpy(data, samples, wanted * sizeof(std::int16_t));
        return static_cast<qint64>(wanted * sizeof(std::int16_t));
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kChunkBytes = 4096;
    std::shared_ptr<PcmQueue> queue_;
};

}  // namespace

AudioOutput::AudioOutput(std::shared_ptr<PcmQueue> queue)
    : queue_(std::move(queue)), source_(std::make_unique<QueueReader>(queue_)) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return;
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->start(source_.get());
}

AudioOutput::~AudioOutput() {
    if (sink_) sink_->stop();
}

bool AudioOutput::isPlaying() const {
    return sink_ && sink_->error() == QAudio::NoError;
}

}  // namespace strovik
