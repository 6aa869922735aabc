#include "devicelibs/ffmpeg/PictureScaler.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace strovik
