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
    // The lowest level is what the grid asks for with 9 and more windows: tiles a third of the
    // picture's side or smaller, painted nearest-neighbour anyway. Point sampling picks only the
    // samples it keeps and converts them unscaled (PictureScaler), several times cheaper than
    // fast bilinear there.
    return {SWS_POINT, true};
}

}  // namespace strovik
