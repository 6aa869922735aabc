#pragma once

#include "devsim/media/EncodedLoop.h"

#include <future>
#include <map>
#include <memory>
#include <mutex>

namespace strovik::devsim {

// The encoded loops of all streams served so far, made on first use: a stream nobody opens costs
// nothing, and every further session or recording of a stream reuses its loop. Thread-safe;
// sessions that ask for a stream being encoded wait for that one encoding.
class MediaCache final {
public:
    // nullptr when the stream cannot be encoded.
    std::shared_ptr<const EncodedLoop> loop(const StreamId& stream);

private:
    std::mutex mutex_;
    std::map<StreamId, std::shared_future<std::shared_ptr<const EncodedLoop>>> loops_;
};

}  // namespace strovik::devsim
