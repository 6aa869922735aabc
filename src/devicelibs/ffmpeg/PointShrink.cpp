#include "devicelibs/ffmpeg/PointShrink.h"

#include <algorithm>

namespace strovik {

namespace {

// The source sample nearest to the centre of target sample i, when `target` samples cover `source`.
int Nearest(int i, int source, int target) {
    return std::min(source - 1, static_cast<int>((2LL * i + 1) * source / (2LL * target)));
}

// A chroma sample covers two luma samples, so its centre lies between them, at luma position
// 2i + 1 of the target: source luma position (2i + 1) * s / t, half that in source chroma.
int NearestChroma(int i, int lumaSource, int lumaTarget, int chromaSource) {
    return std::min(chromaSource - 1, static_cast<int>((2LL * i + 1) * lumaSource / (2LL * lumaTarget)));
}

void PickPlane(const std::uint8_t* source, int sourceStride, const std::vector<int>& columns,
               const std::vector<int>& rows, std::uint8_t* target, int targetStride) {
    // Bytes may alias anything: with the vectors' bounds in locals the compiler need not reload
    // them after every byte stored, which doubles the speed of the loop.
    const int* const column = columns.data();
    const std::size_t width = columns.size();
    const std::size_t height = rows.size();
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* from = source + static_cast<std::ptrdiff_t>(rows[y]) * sourceStride;
        std::uint8_t* to = target + static_cast<std::ptrdiff_t>(y) * targetStride;
        for (std::size_t x = 0; x < width; ++x) to[x] = from[column[x]];
    }
}

}  // namespace

void PointShrink::planColumns(int sourceWidth, int pictureWidth) {
    if (sourceWidth == plannedSourceWidth_ && pictureWidth == plannedPictureWidth_) return;
    const int chromaSource = (sourceWidth + 1) / 2;
    columns_[0].resize(static_cast<std::size_t>(padded_.width()));
    columns_[1].resize(static_cast<std::size_t>(padded_.width() / 2));
    // The padding repeats the last column, so that the converter reads only what was picked.
    for (int x = 0; x < padded_.width(); ++x)
        columns_[0][static_cast<std::size_t>(x)] = Nearest(std::min(x, pictureWidth - 1), sourceWidth, pictureWidth);
    for (int x = 0; x < padded_.width() / 2; ++x)
        columns_[1][static_cast<std::size_t>(x)] =
            NearestChroma(std::min(x, (pictureWidth - 1) / 2), sourceWidth, pictureWidth, chromaSource);
    plannedSourceWidth_ = sourceWidth;
    plannedPictureWidth_ = pictureWidth;
}

bool PointShrink::shrink(const AVFrame& frame, QSize pictureSize) {
    if (pictureSize.isEmpty() || pictureSize.width() > frame.width || pictureSize.height() > frame.height ||
        !frame.data[0] || !frame.data[1] || !frame.data[2])
        return false;
    const QSize padded((pictureSize.width() + 15) & ~15, (pictureSize.height() + 1) & ~1);
    if (padded != padded_) {
        padded_ = padded;
        plannedSourceWidth_ = 0;
        strides_ = {padded.width(), padded.width() / 2, padded.width() / 2, 0};
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane == 0 ? padded.height() : padded.height() / 2;
            planes_[static_cast<std::size_t>(plane)].assign(static_cast<std::size_t>(strides_[plane]) * rows, 0);
            planePointers_[static_cast<std::size_t>(plane)] = planes_[static_cast<std::size_t>(plane)].data();
        }
    }
    planColumns(frame.width, pictureSize.width());

    std::vector<int>& rows = rows_;
    rows.resize(static_cast<std::size_t>(padded.height()));
    for (int y = 0; y < padded.height(); ++y)
        rows[static_cast<std::size_t>(y)] = Nearest(std::min(y, pictureSize.height() - 1), frame.height, pictureSize.height());
    PickPlane(frame.data[0], frame.linesize[0], columns_[0], rows, planes_[0].data(), strides_[0]);

    const int chromaHeight = (frame.height + 1) / 2;
    rows.resize(static_cast<std::size_t>(padded.height() / 2));
    for (int y = 0; y < padded.height() / 2; ++y)
        rows[static_cast<std::size_t>(y)] =
            NearestChroma(std::min(y, (pictureSize.height() - 1) / 2), frame.height, pictureSize.height(), chromaHeight);
    for (int plane = 1; plane < 3; ++plane)
        PickPlane(frame.data[plane], frame.linesize[plane], columns_[1], rows,
                  planes_[static_cast<std::size_t>(plane)].data(), strides_[static_cast<std::size_t>(plane)]);
    return true;
}

}  // namespace strovik
