#pragma once

#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <QImage>
#include <QSize>

namespace strovik {

// Turns decoded pictures into QImage::Format_RGB32 pictures of a given size. Shrinking happens in
// YUV before the conversion to RGB (one libswscale pass), which is what keeps many small tiles
// cheap. Used by one thread at a time.
class PictureScaler final {
public:
    // Scales frame into picture at size with the given libswscale flags. picture is reused when
    // nothing else holds it and it has the right size; otherwise a new one is made. False when
    // the frame cannot be converted.
    bool scale(const AVFrame& frame, QSize size, int scaleFlags, QImage& picture);

private:
    SwsContextPtr context_;
};

// The frame at its own size, for snapshots.
QImage FrameToImage(const AVFrame& frame);

}  // namespace strovik
