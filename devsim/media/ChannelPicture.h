#pragma once

#include "devsim/media/StreamProfile.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace strovik::devsim {

// Paints picture number frameIndex of a loop into a YUV 4:2:0 frame of the stream's size: a
// background colour of its own per device and channel, the device name, the channel number and
// the stream (main or sub) in large letters, and a square that crosses the picture once per loop,
// so that a person sees at a glance which stream a window shows and that it is moving.
void PaintChannelPicture(const StreamId& stream, int frameIndex, AVFrame& frame);

}  // namespace strovik::devsim
