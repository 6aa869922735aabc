#include "devicelibs/ffmpeg/PictureScaler.h"

namespace strovik {

namespace {

// Our pictures are at most this big in either direction; larger targets are shown scaled up by
// the painter instead.
constexpr int kMaxPictureSide = 4096;

}  // namespace

bool PictureScaler::scale(const AVFrame& frame, QSize size, int scaleFlags, QImage& picture) {
    if (frame.width <= 0 || frame.height <= 0 || size.isEmpty()) return false;
    size = size.boundedTo(QSize(kMaxPictureSide, kMaxPictureSide));
    // QImage::Format_RGB32 is 0xffRRGGBB in native order: B, G, R, A in memory on little-endian.
    context_.reset(sws_getCachedContext(context_.release(), frame.width, frame.height,
                                        static_cast<AVPixelFormat>(frame.format), size.width(), size.height(),
                                        AV_PIX_FMT_BGRA, scaleFlags, nullptr, nullptr, nullptr));
    if (!context_) return false;
    if (picture.size() != size || picture.format() != QImage::Format_RGB32 || !picture.isDetached())
        picture = QImage(size, QImage::Format_RGB32);
    if (picture.isNull()) return false;
    uint8_t* destination[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    return sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, destination, destinationStride) > 0;
}

QImage FrameToImage(const AVFrame& frame) {
    PictureScaler scaler;
    QImage picture;
    if (!scaler.scale(frame, QSize(frame.width, frame.height), SWS_BICUBIC, picture)) return {};
    return picture;
}

}  // namespace strovik
