#include "devicelibs/ffmpeg/DecodeLevels.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace strovik {

DropLevel DropLevelForThrowLevel(std::int32_t level) {
    if (level == 18) return DropLevel::NonReference;
    if (level >= 88 && level % 100 == 88) return DropLevel::NonKey;
    return DropLevel::None;
}

PictureQuality PictureQualityForLevel(std::int32_t level) {
    if (level >= 6) return {SWS_BICUBIC, false};
    if (level >= 4) return {SWS_BILINEAR, false};
    return {SWS_FAST_BILINEAR, true};
}

}  // namespace strovik
