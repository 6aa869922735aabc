#pragma once

#include "devicelibs/ffmpeg/PacketSource.h"
#include "devicelibs/video/LiveSessionReader.h"

#include <memory>

namespace strovik {

// The frames of our live session protocol (docs/media.md), read after the device's answer. A
// message that is not one of our frame messages ends the stream; frames of unknown types are
// skipped.
class LiveSessionSource final : public PacketSource {
public:
    explicit LiveSessionSource(std::unique_ptr<LiveSessionReader> reader) : reader_(std::move(reader)) {}

    bool next(SourcePacket& packet, std::chrono::milliseconds silenceTimeout) override;
    // Shuts the socket down, which wakes the reader.
    void interrupt() override;

private:
    const std::unique_ptr<LiveSessionReader> reader_;
};

}  // namespace strovik
