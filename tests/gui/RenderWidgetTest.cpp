#include "liveview/RenderWidget.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <thread>

namespace strovik {
namespace {

QImage TwoColourPicture() {
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 255));
    return picture;
}

TEST(RenderWidget, PublishesItsSizeAndStretchesThePictureOrShowsBlack) {
    RenderWidget widget;
    widget.resize(100, 50);
    widget.show();
    const std::shared_ptr<PictureSlot> slot = widget.pictureSlot();
    EXPECT_EQ(slot->targetSize(), QSize(100, 50));
    EXPECT_EQ(widget.grab().toImage().pixel(50, 25), qRgb(0, 0, 0));

    QImage picture = TwoColourPicture();
    slot->publish(picture);
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget.picturesPainted() == 1; }, 5000));
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(shown.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(90, 40), qRgb(0, 0, 255));
    EXPECT_EQ(widget.lastPictureSize(), QSize(2, 1));

    slot->clear();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return widget.grab().toImage().pixel(10, 10) == qRgb(0, 0, 0); }, 5000));
}

TEST(RenderWidget, AWorkerCanReuseItsPictureOnceTheWidgetHasPaintedIt) {
    RenderWidget widget;
    widget.resize(40, 20);
    widget.show();
    const std::shared_ptr<PictureSlot> slot = widget.pictureSlot();
    QImage first = TwoColourPicture();
    slot->publish(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget.picturesPainted() == 1; }, 5000));
    QImage second = TwoColourPicture();
    slot->publish(second);  // hands back the first picture
    EXPECT_TRUE(second.isDetached()) << "the widget keeps no copy between paints";
}

TEST(RenderWidget, PicturesInFlightOutliveTheWidget) {
    auto widget = std::make_unique<RenderWidget>();
    widget->resize(40, 20);
    widget->show();
    const std::shared_ptr<PictureSlot> slot = widget->pictureSlot();
    std::atomic<bool> running{true};
    std::thread worker([&] {
        QImage picture = TwoColourPicture();
        while (running) slot->publish(picture);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget->picturesPainted() > 0; }, 5000));
    widget.reset();
    QCoreApplication::processEvents();  // events posted before the widget went died with it
    running = false;
    worker.join();
    EXPECT_GT(slot->picturesPublished(), 1u);
}

}  // namespace
}  // namespace strovik
