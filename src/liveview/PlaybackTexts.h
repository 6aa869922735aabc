#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

// Caption IDs of the playback controls.
namespace PlaybackText {
inline constexpr int PauseResume = 7100;
inline constexpr int Faster = 7101;
inline constexpr int Slower = 7102;
inline constexpr int NextFrame = 7103;
inline constexpr int Paused = 7104;
inline constexpr int WaitingForCopy = 7105;
inline constexpr int BeyondCopy = 7106;
inline constexpr int StepNeedsPause = 7107;
}  // namespace PlaybackText

// "m:ss", or "h:mm:ss" from an hour on; "-:--" for an unknown time.
QString PlaybackClockText(std::int64_t ms);
// The speed of a speed step: "1/8x" .. "1x" .. "8x".
QString SpeedText(std::int32_t speedStep);

}  // namespace strovik
