#include "liveview/PlaybackControlBar.h"

#include "liveview/PlaybackTexts.h"
#include "platform/StringTable.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace strovik {

namespace {

constexpr int kButtonWidth = 22;
constexpr int kTextWidth = 120;
constexpr int kTrackMargin = 6;
constexpr int kTrackHeight = 6;
constexpr qint64 kNoticeMs = 3000;

const QColor kBackground{0, 0, 0, 170};
const QColor kTrack{70, 70, 70};
const QColor kCopied{110, 130, 160};
const QColor kPlayed{220, 220, 220};

}  // namespace

TPlaybackControlBar::TPlaybackControlBar(const RemotePlayback& playback, const StringTable& strings,
                                         QWidget* parent)
    : QWidget(parent), playback_(playback), strings_(strings) {
    setObjectName(QStringLiteral("PlaybackControlBar"));
    setCursor(Qt::ArrowCursor);
    hide();
}

void TPlaybackControlBar::refresh() {
    progress_ = playback_.progress();
    if (!notice_.isEmpty() && noticeAge_.elapsed() > kNoticeMs) notice_.clear();
    update();
}

void TPlaybackControlBar::showNotice(const QString& text) {
    notice_ = text;
    noticeAge_.start();
    update();
}

QString TPlaybackControlBar::notice() const {
    return notice_;
}

QRect TPlaybackControlBar::buttonRect() const {
    return {0, 0, kButtonWidth, height()};
}

QRect TPlaybackControlBar::trackRect() const {
    const int left = kButtonWidth + kTrackMargin;
    const int right = std::max(left + 1, width() - kTextWidth - kTrackMargin);
    return {left, 0, right - left, height()};
}

int TPlaybackControlBar::xOf(std::int64_t ms) const {
    const QRect track = trackRect();
    if (progress_.durationMs <= 0 || ms < 0) return track.left();
    const double share = std::clamp(double(ms) / double(progress_.durationMs), 0.0, 1.0);
    return track.left() + static_cast<int>(share * track.width());
}

std::int64_t TPlaybackControlBar::positionAt(int x) const {
    const QRect track = trackRect();
    if (progress_.durationMs <= 0) return -1;
    const double share = std::clamp(double(x - track.left()) / double(track.width()), 0.0, 1.0);
    return static_cast<std::int64_t>(share * double(progress_.durationMs));
}

void TPlaybackControlBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setRenderHint(QPainter::Antialiasing);

    // The button shows what a click does: two bars pause, a triangle plays.
    const QRect button = buttonRect().adjusted(7, 6, -5, -6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    if (playback_.paused()) {
        QPainterPath triangle;
        triangle.moveTo(button.topLeft());
        triangle.lineTo(button.right(), button.center().y());
        triangle.lineTo(button.bottomLeft());
        triangle.closeSubpath();
        painter.drawPath(triangle);
    } else {
        const int bar = std::max(2, button.width() / 3);
        painter.drawRect(QRect(button.left(), button.top(), bar, button.height()));
        painter.drawRect(QRect(button.right() - bar + 1, button.top(), bar, button.height()));
    }

    const QRect track = trackRect();
    const int top = track.center().y() - kTrackHeight / 2;
    const auto span = [&](int from, int to, const QColor& colour) {
        if (to > from) painter.fillRect(QRect(from, top, to - from, kTrackHeight), colour);
    };
    span(track.left(), track.right(), kTrack);
    const int copiedRight = progress_.copiedMs >= 0 && progress_.durationMs > 0
                                ? xOf(progress_.copiedMs)
                                : track.left() + static_cast<int>(progress_.copiedFraction * track.width());
    span(track.left(), copiedRight, kCopied);
    if (progress_.positionMs >= 0 && progress_.durationMs > 0) {
        const int at = xOf(progress_.positionMs);
        span(track.left(), at, kPlayed);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPoint(at, track.center().y()), 5, 5);
    }

    painter.setPen(Qt::white);
    const QRect text(width() - kTextWidth, 0, kTextWidth - 4, height());
    const QString times =
        notice_.isEmpty()
            ? QStringLiteral("%1 / %2  %3")
                  .arg(PlaybackClockText(progress_.positionMs), PlaybackClockText(progress_.durationMs),
                       playback_.paused() ? strings_.Lookup(PlaybackText::Paused)
                                          : SpeedText(playback_.speedStep()))
            : notice_;
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, times);
}

void TPlaybackControlBar::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (buttonRect().contains(at)) {
        Q_EMIT pauseToggled();
        return;
    }
    if (trackRect().contains(at)) {
        refresh();
        const std::int64_t position = positionAt(at.x());
        if (position >= 0) Q_EMIT seekRequested(position);
    }
}

}  // namespace strovik
