#pragma once

#include "recordings/TimelineScale.h"

#include <QDate>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QAbstractItemModel;

namespace strovik {

// The record page's timeline: the 24 hours of the searched day as a strip, the recordings of the
// record list's model drawn on it as bars coloured by their type, a cursor line with the time under
// the mouse, zoomed with the wheel from the whole day down to two minutes about the mouse. A click
// on a bar asks to play that row from the clicked time. It only shows the model (the list's rows,
// in the list's order) and emits intent. GUI thread only.
class TRecordTimeline final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 56;

    explicit TRecordTimeline(QAbstractItemModel& model, QWidget* parent = nullptr);

    // The day the search covers; the whole day in view.
    void setDay(const QDate& day);
    const TimelineScale& scale() const { return scale_; }
    // The strip's pixels for times (the bars' band).
    QRect stripRect() const;
    // Where row's bar is drawn (clipped to the strip); empty when it lies outside the view.
    QRect barRect(int row) const;
    // The row whose bar lies under position (the last one drawn there), or -1.
    int rowAt(const QPoint& position) const;
    // The colour of a record type's bars.
    static QColor TypeColour(int recordType);

Q_SIGNALS:
    // A click at offsetMs into the recording of row.
    void playRequested(int row, std::int64_t offsetMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Bar {
        std::int64_t startMs;
        std::int64_t endMs;
        int type;
    };
    void rebuild();
    void appendRows(int first, int last);
    double stripX(std::int64_t ms) const;
    std::int64_t timeAtX(double x) const;

    QAbstractItemModel& model_;
    TimelineScale scale_;
    std::vector<Bar> bars_;  // one per model row, in row order
    std::optional<int> cursorX_;
};

}  // namespace strovik
