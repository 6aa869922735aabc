#pragma once

#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/ffmpeg/PointShrink.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace strovik {

// What part of a frame becomes a picture of what size for a target:
//   - a target up to 2 % smaller than the frame: the frame's centre, cropped to the target's size
//     (when croppable: planar 4:2:0), converted without scaling;
//   - up to 10 % smaller: the whole frame at its own size;
//   - smaller still: the whole frame shrunk to the target's size.
// Pictures are never made larger than the frame: the render target stretches them with
// nearest-neighbour painting, which costs far less than scaling up in libswscale, and conversion
// without scaling takes libswscale's fast path. An empty pictureSize means nothing to make.
struct PicturePlan {
    QRect source;
    QSize pictureSize;
};
PicturePlan PlanPicture(QSize frameSize, QSize targetSize, bool croppable);

// Turns decoded pictures into QImage::Format_RGB32 pictures for a target. Shrinking happens in
// YUV before the conversion to RGB, which is what keeps many small tiles cheap: in one libswscale
// pass, or for point sampling of planar 4:2:0 by PointShrink and then libswscale's unscaled path
// (the picture's lines then lie in a buffer padded to that path's width). Used by one thread at a
// time.
class PictureScaler final {
public:
    // Scales frame into picture for a target of targetSize (see PlanPicture) with the given
    // libswscale flags. picture is reused when nothing else holds it and it has the right size;
    // otherwise a new one is made. False when the frame cannot be converted.
    bool scale(const AVFrame& frame, QSize targetSize, int scaleFlags, QImage& picture);

private:
    bool scalePicked(const AVFrame& frame, QSize pictureSize, QImage& picture);

    SwsContextPtr context_;
    PointShrink pointShrink_;
};

// The frame at its own size, for snapshots.
QImage FrameToImage(const AVFrame& frame);

}  // namespace strovik
