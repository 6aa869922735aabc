#pragma once

#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <QSize>

#include <array>
#include <cstdint>
#include <vector>

namespace strovik {

// Shrinks a planar 4:2:0 frame by taking, for every sample of the smaller picture, the source
// sample nearest to its centre. The planes come out padded to a width that is a multiple of 16 and
// an even height: the sizes libswscale converts to RGB on its fast unscaled path. Picking and then
// converting unscaled costs about half of libswscale's own point scaling, which runs every line
// through its generic filter chain; for a grid of small tiles that is most of the work besides
// decoding. Used by one thread at a time.
class PointShrink final {
public:
    // Picks frame (planar 4:2:0) down to pictureSize, which must not exceed the frame's size.
    // False when it does or the frame has no planes.
    bool shrink(const AVFrame& frame, QSize pictureSize);

    // The picked planes, valid until the next shrink.
    QSize paddedSize() const { return padded_; }
    const std::uint8_t* const* planes() const { return planePointers_.data(); }
    const int* strides() const { return strides_.data(); }

private:
    // Which source column and row each target column and row takes, for luma and chroma.
    void plan(QSize sourceSize, QSize pictureSize);

    QSize padded_;
    std::array<std::vector<std::uint8_t>, 3> planes_;
    std::array<const std::uint8_t*, 4> planePointers_{};
    std::array<int, 4> strides_{};
    std::array<std::vector<int>, 2> columns_;
    std::array<std::vector<int>, 2> rows_;
    QSize plannedSource_;
    QSize plannedPicture_;
};

}  // namespace strovik
