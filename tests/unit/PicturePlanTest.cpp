#include "devicelibs/ffmpeg/PictureScaler.h"

#include <gtest/gtest.h>

#include <QColor>

namespace strovik {
namespace {

TEST(PicturePlan, CropsSlightShrinksAndNeverScalesUp) {
    const QSize frame(640, 360);
    const struct {
        QSize target;
        bool croppable;
        QRect source;
        QSize picture;
    } cases[] = {
        {{640, 360}, true, {0, 0, 640, 360}, {640, 360}},
        {{638, 358}, true, {0, 0, 638, 358}, {638, 358}},   // 1 pixel off each side: even offset 0
        {{630, 355}, true, {4, 2, 630, 355}, {630, 355}},   // centred crop
        {{638, 358}, false, {0, 0, 640, 360}, {640, 360}},  // not planar 4:2:0: the painter drops them
        {{600, 340}, true, {0, 0, 640, 360}, {640, 360}},   // within 10 %: converted unscaled
        {{1278, 718}, true, {0, 0, 640, 360}, {640, 360}},  // bigger target: the painter stretches
        {{158, 88}, true, {0, 0, 640, 360}, {158, 88}},     // a small tile: shrunk in libswscale
        {{1000, 100}, true, {0, 0, 640, 360}, {640, 100}},
        {{0, 90}, true, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target.width() << "x" << c.target.height());
        const PicturePlan plan = PlanPicture(frame, c.target, c.croppable);
        EXPECT_EQ(plan.pictureSize, c.picture);
        if (!c.picture.isEmpty()) {
            EXPECT_EQ(plan.source, c.source);
        }
    }
}

// A 640 x 360 planar 4:2:0 frame in four solid quadrants: dark grey top left, light grey top right,
// reddish bottom left, bluish bottom right (Y, U, V of each).
FramePtr QuadrantFrame() {
    FramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 640;
    frame->height = 360;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    const std::uint8_t quadrants[4][3] = {{60, 128, 128}, {200, 128, 128}, {90, 100, 220}, {70, 220, 100}};
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        for (int y = 0; y < frame->height >> shift; ++y)
            for (int x = 0; x < frame->width >> shift; ++x) {
                const int quadrant = (y << shift >= 180 ? 2 : 0) + (x << shift >= 320 ? 1 : 0);
                frame->data[plane][y * frame->linesize[plane] + x] = quadrants[quadrant][plane];
            }
    }
    return frame;
}

TEST(PictureScaler, PointShrinksPickTheNearestSamplesAndNeverOverwriteAHeldPicture) {
    const FramePtr frame = QuadrantFrame();
    ASSERT_TRUE(frame);
    QImage reference;
    PictureScaler scaler;
    ASSERT_TRUE(scaler.scale(*frame, QSize(640, 360), SWS_POINT, reference));

    // Odd sizes and sizes that are no multiple of 16 are the ones the padding is for.
    for (const QSize size : {QSize(250, 187), QSize(157, 89), QSize(9, 5), QSize(1, 1)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        QImage picture;
        ASSERT_TRUE(scaler.scale(*frame, size, SWS_POINT, picture));
        ASSERT_EQ(picture.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                // The source position of the sample's centre; chroma blurs a pixel on each side of a
                // quadrant edge.
                const double sx = (x + 0.5) * 640 / size.width(), sy = (y + 0.5) * 360 / size.height();
                if (std::abs(sx - 320) < 640.0 / size.width() + 2 || std::abs(sy - 180) < 360.0 / size.height() + 2)
                    continue;
                const QColor want = reference.pixelColor(static_cast<int>(sx), static_cast<int>(sy));
                const QColor got = picture.pixelColor(x, y);
                ASSERT_LE(std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                              std::abs(got.blue() - want.blue()), 6)
                    << "at " << x << "," << y;
            }
    }

    // The painter may still hold the last picture: the next one goes elsewhere.
    QImage picture;
    ASSERT_TRUE(scaler.scale(*frame, QSize(250, 187), SWS_POINT, picture));
    const uchar* const buffer = picture.constBits();
    ASSERT_TRUE(scaler.scale(*frame, QSize(250, 187), SWS_POINT, picture));
    EXPECT_EQ(picture.constBits(), buffer) << "a picture nobody holds is reused";
    const QImage held = picture;
    const QImage heldCopy = held.copy();
    ASSERT_TRUE(scaler.scale(*frame, QSize(250, 187), SWS_POINT, picture));
    EXPECT_NE(picture.constBits(), held.constBits());
    EXPECT_EQ(held, heldCopy);
}

}  // namespace
}  // namespace strovik
