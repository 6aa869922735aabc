#include "devicelibs/ffmpeg/PictureScaler.h"

#include <cstdlib>

namespace strovik {

namespace {

// A shrink by less than this share of a side is left to the painter: converting at the picture's
// own size takes libswscale's fast unscaled path, which costs a fraction of scaling.
constexpr int kLeastScaledShrinkPercent = 10;
// A shrink by at most this share of a side (a grid cell a few pixels smaller than the picture)
// crops the picture's edges instead, so that the painter does not scale either.
constexpr int kMostCroppedPercent = 2;

bool Within(QSize smaller, QSize larger, int percent) {
    return smaller.width() * 100 >= larger.width() * (100 - percent) &&
           smaller.height() * 100 >= larger.height() * (100 - percent);
}

bool IsPlanar420(int format) {
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

// A picture of size whose lines are padded.width() pixels apart, in a buffer of padded.height()
// lines, for converters that write whole padded lines.
QImage PaddedPicture(QSize size, QSize padded) {
    const qsizetype stride = static_cast<qsizetype>(padded.width()) * 4;
    auto* buffer = static_cast<uchar*>(std::malloc(static_cast<std::size_t>(stride) * padded.height()));
    if (!buffer) return {};
    return QImage(buffer, size.width(), size.height(), stride, QImage::Format_RGB32, std::free, buffer);
}

// Whether the worker may write the next picture into picture: nothing else holds it.
bool Reusable(const QImage& picture, QSize size) {
    return picture.size() == size && picture.format() == QImage::Format_RGB32 && picture.isDetached();
}

}  // namespace

PicturePlan PlanPicture(QSize frameSize, QSize targetSize, bool croppable) {
    if (targetSize.isEmpty() || frameSize.isEmpty()) return {};
    const QSize bounded = targetSize.boundedTo(frameSize);
    if (croppable && Within(bounded, frameSize, kMostCroppedPercent)) {
        // Centred, at even offsets so that the chroma planes stay aligned.
        const int left = (frameSize.width() - bounded.width()) / 2 & ~1;
        const int top = (frameSize.height() - bounded.height()) / 2 & ~1;
        return {QRect(QPoint(left, top), bounded), bounded};
    }
    const QRect whole(QPoint(0, 0), frameSize);
    if (Within(bounded, frameSize, kLeastScaledShrinkPercent)) return {whole, frameSize};
    return {whole, bounded};
}

bool PictureScaler::scale(const AVFrame& frame, QSize targetSize, int scaleFlags, QImage& picture) {
    const PicturePlan plan =
        PlanPicture(QSize(frame.width, frame.height), targetSize, IsPlanar420(frame.format));
    if (plan.pictureSize.isEmpty()) return false;
    const QRect& source = plan.source;
    if (scaleFlags == SWS_POINT && source.size() != plan.pictureSize && IsPlanar420(frame.format))
        return scalePicked(frame, plan.pictureSize, picture);
    // QImage::Format_RGB32 is 0xffRRGGBB in native order: B, G, R, A in memory on little-endian.
    context_.reset(sws_getCachedContext(context_.release(), source.width(), source.height(),
                                        static_cast<AVPixelFormat>(frame.format), plan.pictureSize.width(),
                                        plan.pictureSize.height(), AV_PIX_FMT_BGRA, scaleFlags, nullptr,
                                        nullptr, nullptr));
    if (!context_) return false;
    if (!Reusable(picture, plan.pictureSize)) picture = QImage(plan.pictureSize, QImage::Format_RGB32);
    if (picture.isNull()) return false;
    const std::uint8_t* planes[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
    if (source.topLeft() != QPoint(0, 0)) {  // a crop: only for planar 4:2:0, at even offsets
        planes[0] += source.top() * frame.linesize[0] + source.left();
        for (int plane = 1; plane < 3; ++plane)
            planes[plane] += source.top() / 2 * frame.linesize[plane] + source.left() / 2;
    }
    std::uint8_t* destination[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    return sws_scale(context_.get(), planes, frame.linesize, 0, source.height(), destination,
                     destinationStride) > 0;
}

bool PictureScaler::scalePicked(const AVFrame& frame, QSize pictureSize, QImage& picture) {
    if (!pointShrink_.shrink(frame, pictureSize)) return false;
    const QSize padded = pointShrink_.paddedSize();
    context_.reset(sws_getCachedContext(context_.release(), padded.width(), padded.height(),
                                        static_cast<AVPixelFormat>(frame.format), padded.width(), padded.height(),
                                        AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
    if (!context_) return false;
    const qsizetype stride = static_cast<qsizetype>(padded.width()) * 4;
    if (!Reusable(picture, pictureSize) || picture.bytesPerLine() != stride)
        picture = PaddedPicture(pictureSize, padded);
    if (picture.isNull()) return false;
    std::uint8_t* destination[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {static_cast<int>(stride), 0, 0, 0};
    return sws_scale(context_.get(), pointShrink_.planes(), pointShrink_.strides(), 0, padded.height(), destination,
                     destinationStride) > 0;
}

QImage FrameToImage(const AVFrame& frame) {
    PictureScaler scaler;
    QImage picture;
    if (!scaler.scale(frame, QSize(frame.width, frame.height), SWS_BICUBIC, picture)) return {};
    return picture;
}

}  // namespace strovik
