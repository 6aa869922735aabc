#pragma once

#include "devicelibs/video/RenderTarget.h"

#include <QWidget>

class QPainter;

#include <memory>

namespace strovik {

// A black widget that shows the pictures of the stream drawn into it: the simplest render target.
// Pictures arrive at the widget's size; while a resize is under way the last picture is stretched
// with nearest-neighbour scaling until the next one comes. Video windows build on it.
class RenderWidget : public QWidget, public RenderTarget {
    Q_OBJECT
public:
    explicit RenderWidget(QWidget* parent = nullptr);
    ~RenderWidget() override;

    std::shared_ptr<PictureSlot> pictureSlot() const override { return slot_; }
    // Distinct pictures painted so far, and the size of the last one (for tests and benchmarks).
    qint64 picturesPainted() const { return picturesPainted_; }
    QSize lastPictureSize() const { return lastPictureSize_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Paints over the black surface while no picture covers it.
    virtual void paintIdle(QPainter&) {}

private:
    std::shared_ptr<PictureSlot> slot_;
    // The picture is not kept between paints (the slot keeps it), so that the worker can reuse
    // its buffer for the next one.
    qint64 lastCacheKey_ = 0;
    QSize lastPictureSize_;
    qint64 picturesPainted_ = 0;
};

}  // namespace strovik
