#pragma once

#include <cstdint>

namespace strovik {

// How much of a stream a decoder skips (X_ClientThrowBFrame, X_Play_ThrowBFrameNum).
enum class DropLevel {
    None,          // level 0: every picture
    NonReference,  // level 18: pictures nothing refers to are not decoded
    NonKey,        // levels n * 100 + 88: key frames only (windows hidden behind an enlarged one)
};
// Levels the callers do not use count as None.
DropLevel DropLevelForThrowLevel(std::int32_t level);

// What the quality hint (X_ClientSetQuality, X_Play_SetPicQuality: 6, 4 or 0) changes.
struct PictureQuality {
    int scaleFlags;       // libswscale algorithm for shrinking to the target
    bool skipLoopFilter;  // skip deblocking of pictures nothing refers to (no drift, less CPU)
};
// Levels of 6 and above are the best, 4 and 5 medium, below 4 the cheapest.
PictureQuality PictureQualityForLevel(std::int32_t level);

}  // namespace strovik
