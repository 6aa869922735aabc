#include "devicelibs/ffmpeg/SoundRoute.h"

#include "devicelibs/ffmpeg/AudioOutput.h"
#include "devicelibs/ffmpeg/PcmQueue.h"
#include "platform/CallbackRelay.h"

#include <QObject>
#include <QThread>

namespace strovik {

namespace {

// Half a second of sound: enough to ride out scheduling hiccups, short enough to stay in step.
constexpr std::size_t kQueueSamples = AudioOutput::kSampleRate / 2;

}  // namespace

SoundRoute::SoundRoute()
    : context_(std::make_unique<QObject>()), relay_(std::make_unique<CallbackRelay>(context_.get())) {}

SoundRoute::~SoundRoute() = default;

std::shared_ptr<PcmQueue> SoundRoute::start() {
    auto queue = std::make_shared<PcmQueue>(kQueueSamples);
    {
        std::lock_guard lock(mutex_);
        wanted_ = queue;
    }
    refresh();
    return queue;
}

void SoundRoute::stop() {
    {
        std::lock_guard lock(mutex_);
        wanted_.reset();
    }
    refresh();
}

void SoundRoute::refresh() {
    if (QThread::currentThread() == context_->thread()) {
        apply();
        return;
    }
    relay_->post([this] { apply(); });
}

void SoundRoute::apply() {
    std::shared_ptr<PcmQueue> wanted;
    {
        std::lock_guard lock(mutex_);
        wanted = wanted_;
    }
    if (output_ && output_->queue() == wanted) return;
    output_.reset();
    if (wanted) output_ = std::make_unique<AudioOutput>(std::move(wanted));
}

}  // namespace strovik
