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

// For `target` luma samples (padded to `padded`) over `source`: the source luma and chroma sample
// each target sample takes. The padding repeats the last one, so that the converter reads only
// what was picked.
void PlanAxis(int source, int target, int padded, std::vector<int>& luma, std::vector<int>& chroma) {
    const int chromaSource = (source + 1) / 2;
    luma.resize(static_cast<std::size_t>(padded));
    chroma.resize(static_cast<std::size_t>(padded / 2));
    for (int i = 0; i < padded; ++i) luma[static_cast<std::size_t>(i)] = Nearest(std::min(i, target - 1), source, target);
    for (int i = 0; i < padded / 2; ++i)
        chroma[static_cast<std::size_t>(i)] = NearestChroma(std::min(i, (target - 1) / 2), source, target, chromaSource);
}

}  // namespace

void PointShrink::plan(QSize sourceSize, QSize pictureSize) {
    if (sourceSize == plannedSource_ && pictureSize == plannedPicture_) return;
    PlanAxis(sourceSize.width(), pictureSize.width(), padded_.width(), columns_[0], columns_[1]);
    PlanAxis(sourceSize.height(), pictureSize.height(), padded_.height(), rows_[0], rows_[1]);
    plannedSource_ = sourceSize;
    plannedPicture_ = pictureSize;
}

bool PointShrink::shrink(const AVFrame& frame, QSize pictureSize) {
    if (pictureSize.isEmpty() || pictureSize.width() > frame.width || pictureSize.height() > frame.height ||
        !frame.data[0] || !frame.data[1] || !frame.data[2])
        return false;
    const QSize padded((pictureSize.width() + 15) & ~15, (pictureSize.height() + 1) & ~1);
    if (padded != padded_) {
        padded_ = padded;
        plannedSource_ = QSize();
        strides_ = {padded.width(), padded.width() / 2, padded.width() / 2, 0};
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane == 0 ? padded.height() : padded.height() / 2;
            planes_[static_cast<std::size_t>(plane)].assign(static_cast<std::size_t>(strides_[plane]) * rows, 0);
            planePointers_[static_cast<std::size_t>(plane)] = planes_[static_cast<std::size_t>(plane)].data();
        }
    }
    plan(QSize(frame.width, frame.height), pictureSize);
    for (int plane = 0; plane < 3; ++plane) {
        const std::size_t axis = plane == 0 ? 0 : 1;
        PickPlane(frame.data[plane], frame.linesize[plane], columns_[axis], rows_[axis],
                  planes_[static_cast<std::size_t>(plane)].data(), strides_[static_cast<std::size_t>(plane)]);
    }
    return true;
}

}  // namespace strovik
