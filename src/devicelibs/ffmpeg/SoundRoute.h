#pragma once

#include <memory>
#include <mutex>

class QObject;

namespace strovik {

class AudioOutput;
class CallbackRelay;
class PcmQueue;

// The one sound a library plays at a time. start() and stop() may be called on any thread (remote
// playback switches the player's sound from its own thread); the sound output itself is made and
// destroyed on the thread that made the route, the GUI thread, through a relay when needed.
class SoundRoute final {
public:
    SoundRoute();
    ~SoundRoute();
    SoundRoute(const SoundRoute&) = delete;
    SoundRoute& operator=(const SoundRoute&) = delete;

    // A fresh queue for the new source to push into; the previous source's queue is dropped.
    std::shared_ptr<PcmQueue> start();
    void stop();

private:
    void refresh();
    void apply();  // owner thread

    std::unique_ptr<QObject> context_;  // lives on the owner thread; relayed work dies with it
    std::unique_ptr<CallbackRelay> relay_;
    std::mutex mutex_;
    std::shared_ptr<PcmQueue> wanted_;
    std::unique_ptr<AudioOutput> output_;  // owner thread only
};

}  // namespace strovik
