#pragma once

#include "devsim/media/MediaCache.h"

#include <QDateTime>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strovik::devsim {

enum class RecordingFormat {
    FrameFormat,  // "LDVR" names, played frame by frame and converted to AVI after a download
    Mp4,          // fragmented MP4, played as a plain stream fed in pieces
};

// One recording of a device's catalogue.
struct RecordingEntry {
    QDateTime start;
    QDateTime end;
    int channelIndex = 0;  // 0-based
    int recordType = 1;    // 1 manual, 2 auto, 3 alarm
    RecordingFormat format = RecordingFormat::FrameFormat;
};

// The file name on the device: for the frame format the "LDVR" layout of LdvrRecordingName (the
// alarm flag set for alarm recordings); for MP4 "chNN_1_<start>_<end>.mp4" (NN the 1-based
// channel). Both keep "1" at index 5, so the record list's rewrite of that character leaves them
// unchanged.
std::string RecordingFileName(const RecordingEntry& entry);

// The format a catalogue name asks for: the frame format for any name containing "LDVR" (which is
// how a client tells the two formats apart), MP4 for a name of the MP4 layout above; nullopt for
// any other name, which devsim does not generate.
std::optional<RecordingFormat> RecordingFormatOfName(std::string_view name);

// A recording's content is the main stream's loop repeated for the entry's length, at most
// maxContent: a catalogue of long recordings stays small on disk while still listing their real
// start and end.
inline constexpr std::chrono::seconds kDefaultMaxRecordingContent{60};

// Writes the entry's file at path (whose folder must exist) in the entry's format unless a file is
// there already; false when it could not be written. A file is written under a temporary name and
// renamed when complete, so an interrupted start-up never leaves a truncated recording behind.
bool EnsureRecordingFile(const std::string& path, const std::string& deviceName, const RecordingEntry& entry,
                         MediaCache& media, std::chrono::seconds maxContent = kDefaultMaxRecordingContent);

// The writers behind it, also used by tests: duration is rounded to whole pictures.
bool WriteFrameRecording(const std::string& path, const EncodedLoop& loop, std::chrono::milliseconds duration,
                         std::uint32_t firstStampMs);
bool WriteMp4Recording(const std::string& path, const EncodedLoop& loop, std::chrono::milliseconds duration);

}  // namespace strovik::devsim
