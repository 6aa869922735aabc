#pragma once

#include "devicelibs/ffmpeg/DecodeLevels.h"
#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/ffmpeg/PictureScaler.h"
#include "devicelibs/video/RenderTarget.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace strovik {

// Where a stream's decoded pictures go: each one is scaled to the render target's size and
// published into its slot, and the newest one is kept at full size for snapshots.
// show() runs on the stream's worker thread; the other calls on any thread. targetMutex_ and
// snapshotMutex_ each guard one member and are never held together.
class PictureOutput final {
public:
    explicit PictureOutput(std::shared_ptr<PictureSlot> slot = nullptr) : slot_(std::move(slot)) {}
    // Blanks the target: the stream is gone.
    ~PictureOutput();
    PictureOutput(const PictureOutput&) = delete;
    PictureOutput& operator=(const PictureOutput&) = delete;

    // Moves the pictures to another target; the old one turns black.
    void setRenderTarget(std::shared_ptr<PictureSlot> slot);
    void setQuality(std::int32_t level) { quality_ = level; }
    PictureQuality quality() const { return PictureQualityForLevel(quality_); }

    void show(const AVFrame& frame);
    // A BMP of the newest picture at its own size.
    bool savePicture(const std::string& fileName) const;
    // The newest picture's size (0 x 0 before the first one).
    QSize pictureSize() const;

private:
    std::atomic<std::int32_t> quality_{6};

    mutable std::mutex targetMutex_;
    std::shared_ptr<PictureSlot> slot_;

    mutable std::mutex snapshotMutex_;
    FramePtr lastPicture_;

    // Worker thread only.
    PictureScaler scaler_;
    QImage scratch_;
};

}  // namespace strovik
