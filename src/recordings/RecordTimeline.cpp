#include "recordings/RecordTimeline.h"

#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/SearchRequest.h"
#include "recordings/RecordListModel.h"

#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace strovik {

namespace {

constexpr int kScaleHeight = 16;
constexpr int kSideMargin = 8;
constexpr int kBottomMargin = 6;
// One wheel notch (120 units) zooms in or out by this factor.
constexpr double kZoomPerNotch = 0.8;
constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kTickSteps[] = {kMinute,      2 * kMinute,  5 * kMinute,   10 * kMinute, 15 * kMinute,
                                       30 * kMinute, 60 * kMinute, 120 * kMinute, 180 * kMinute};
constexpr int kMinTickPixels = 60;

const QColor kBackground{0x20, 0x23, 0x28};
const QColor kStrip{0x30, 0x34, 0x3a};
const QColor kTickColour{0x90, 0x98, 0xa0};

QString ClockText(std::int64_t msOfDay, bool seconds) {
    const QTime time = QTime(0, 0).addMSecs(
        static_cast<int>(std::clamp<std::int64_t>(msOfDay, 0, TimelineScale::kDayMs - 1)));
    if (msOfDay >= TimelineScale::kDayMs)
        return seconds ? QStringLiteral("24:00:00") : QStringLiteral("24:00");
    return time.toString(seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

}  // namespace

TRecordTimeline::TRecordTimeline(QAbstractItemModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("RecordTimeline"));
    setMouseTracking(true);
    setMinimumHeight(kHeight);
    setCursor(Qt::PointingHandCursor);
    setDay(QDate::currentDate());
    connect(&model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { appendRows(first, last); });
    connect(&model_, &QAbstractItemModel::modelReset, this, &TRecordTimeline::rebuild);
    connect(&model_, &QAbstractItemModel::layoutChanged, this, &TRecordTimeline::rebuild);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, &TRecordTimeline::rebuild);
    rebuild();
}

QColor TRecordTimeline::TypeColour(int recordType) {
    switch (recordType) {
        case RecordType::Manual:
            return {0x3a, 0x7b, 0xd5};
        case RecordType::Auto:
            return {0x3c, 0xb3, 0x71};
        case RecordType::Alarm:
            return {0xe0, 0x40, 0x40};
        default:
            return {0x9a, 0x9a, 0x9a};
    }
}

void TRecordTimeline::setDay(const QDate& day) {
    const auto start = ToFileTime(LocalDateTime{day.year(), day.month(), day.day(), 0, 0, 0, 0});
    scale_.setDay(start ? static_cast<std::int64_t>(*start / kFileTimeTicksPerMillisecond) : 0);
    update();
}

QRect TRecordTimeline::stripRect() const {
    return {kSideMargin, kScaleHeight, std::max(1, width() - 2 * kSideMargin),
            std::max(1, height() - kScaleHeight - kBottomMargin)};
}

double TRecordTimeline::stripX(std::int64_t ms) const {
    return stripRect().left() + scale_.xOf(ms);
}

std::int64_t TRecordTimeline::timeAtX(double x) const {
    return scale_.timeAt(x - stripRect().left());
}

void TRecordTimeline::rebuild() {
    bars_.clear();
    appendRows(0, model_.rowCount() - 1);
}

void TRecordTimeline::appendRows(int first, int last) {
    // Rows only ever come at the end (the list appends); anything else is rebuilt whole.
    if (first != static_cast<int>(bars_.size())) {
        bars_.clear();
        first = 0;
        last = model_.rowCount() - 1;
    }
    bars_.reserve(static_cast<std::size_t>(std::max(0, last + 1)));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_.index(row, 0);
        bars_.push_back({index.data(RecordListModel::kStartRole).toLongLong(),
                         index.data(RecordListModel::kEndRole).toLongLong(),
                         index.data(RecordListModel::kTypeRole).toInt()});
    }
    update();
}

QRect TRecordTimeline::barRect(int row) const {
    if (row < 0 || row >= static_cast<int>(bars_.size())) return {};
    const Bar& bar = bars_[static_cast<std::size_t>(row)];
    const QRect strip = stripRect();
    const std::int64_t viewEnd = scale_.viewStartMs() + scale_.spanMs();
    if (bar.endMs <= scale_.viewStartMs() || bar.startMs >= viewEnd) return {};
    const int left = static_cast<int>(std::floor(stripX(std::max(bar.startMs, scale_.viewStartMs()))));
    const int right = static_cast<int>(std::ceil(stripX(std::min(bar.endMs, viewEnd))));
    // However short, a bar stays visible and clickable.
    return {std::clamp(left, strip.left(), strip.right()), strip.top() + 4, std::max(2, right - left),
            strip.height() - 8};
}

int TRecordTimeline::rowAt(const QPoint& position) const {
    for (int row = static_cast<int>(bars_.size()) - 1; row >= 0; --row)
        if (barRect(row).contains(position)) return row;
    return -1;
}

void TRecordTimeline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const QRect strip = stripRect();
    painter.fillRect(strip, kStrip);

    // Ticks: the smallest step that leaves room for its label.
    std::int64_t step = kTickSteps[std::size(kTickSteps) - 1];
    for (const std::int64_t candidate : kTickSteps) {
        if (scale_.xOf(scale_.viewStartMs() + candidate) - scale_.xOf(scale_.viewStartMs()) >=
            kMinTickPixels) {
            step = candidate;
            break;
        }
    }
    const std::int64_t day = scale_.dayStartMs();
    const std::int64_t viewEnd = scale_.viewStartMs() + scale_.spanMs();
    painter.setPen(kTickColour);
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    for (std::int64_t tick = day + (scale_.viewStartMs() - day + step - 1) / step * step; tick <= viewEnd;
         tick += step) {
        const int x = static_cast<int>(std::lround(stripX(tick)));
        painter.drawLine(x, strip.top() - 4, x, strip.top());
        const QRect label(std::clamp(x - 30, 0, std::max(0, width() - 60)), 0, 60, kScaleHeight - 4);
        painter.drawText(label, Qt::AlignCenter, ClockText(tick - day, false));
    }

    for (int row = 0; row < static_cast<int>(bars_.size()); ++row) {
        const QRect bar = barRect(row);
        if (!bar.isEmpty()) painter.fillRect(bar, TypeColour(bars_[static_cast<std::size_t>(row)].type));
    }

    if (cursorX_) {
        painter.setPen(Qt::white);
        painter.drawLine(*cursorX_, strip.top(), *cursorX_, strip.bottom());
        const QString text = ClockText(timeAtX(*cursorX_) - day, true);
        const int textWidth = painter.fontMetrics().horizontalAdvance(text) + 8;
        const int left = std::clamp(*cursorX_ + 4, 0, std::max(0, width() - textWidth));
        const QRect label(left, strip.top() + 2, textWidth, 14);
        painter.fillRect(label, QColor(0, 0, 0, 180));
        painter.drawText(label, Qt::AlignCenter, text);
    }
}

void TRecordTimeline::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    scale_.setWidth(stripRect().width());
}

void TRecordTimeline::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y();
    if (notches == 0) return;
    const double factor = std::pow(kZoomPerNotch, notches / 120.0);
    scale_.zoom(factor, event->position().x() - stripRect().left());
    event->accept();
    update();
}

void TRecordTimeline::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    const QRect strip = stripRect();
    if (x >= strip.left() && x <= strip.right()) {
        cursorX_ = x;
    } else {
        cursorX_.reset();
    }
    update();
}

void TRecordTimeline::leaveEvent(QEvent* event) {
    cursorX_.reset();
    update();
    QWidget::leaveEvent(event);
}

void TRecordTimeline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at);
    if (row < 0) return;
    const Bar& bar = bars_[static_cast<std::size_t>(row)];
    const std::int64_t clicked = std::clamp(timeAtX(at.x()), bar.startMs, bar.endMs);
    Q_EMIT playRequested(row, clicked - bar.startMs);
}

}  // namespace strovik
