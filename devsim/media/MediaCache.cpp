#include "devsim/media/MediaCache.h"

namespace strovik::devsim {

std::shared_ptr<const EncodedLoop> MediaCache::loop(const StreamId& stream) {
    std::promise<std::shared_ptr<const EncodedLoop>> promise;
    std::shared_future<std::shared_ptr<const EncodedLoop>> future;
    bool encodeHere = false;
    {
        std::lock_guard lock(mutex_);
        const auto found = loops_.find(stream);
        if (found != loops_.end()) {
            future = found->second;
        } else {
            future = promise.get_future().share();
            loops_.emplace(stream, future);
            encodeHere = true;
        }
    }
    // Encoding runs outside the lock, so other streams are not held up by this one.
    if (encodeHere) promise.set_value(EncodeLoop(stream));
    return future.get();
}

}  // namespace strovik::devsim
