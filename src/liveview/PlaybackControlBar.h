#pragma once

#include "recordings/RemotePlayback.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

namespace strovik {

class StringTable;

// The slim bar over a video window that plays a recording: a pause / play button, the track (the
// copied part of the recording, the played part up to the picture shown, the position marker) and
// the position, length and speed as text. A click on the button or the track only emits the
// operator's intent; the window carries it out. GUI thread only; refresh() reads the playback's
// state (never blocks).
class TPlaybackControlBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 22;

    TPlaybackControlBar(const RemotePlayback& playback, const StringTable& strings, QWidget* parent);

    void refresh();
    // A short text in place of the times for a few seconds (a refused command).
    void showNotice(const QString& text);
    QString notice() const;
    QRect buttonRect() const;
    QRect trackRect() const;
    // The position a click at x asks for; -1 while the recording's length is not known.
    std::int64_t positionAt(int x) const;
    const RemotePlayback::Progress& shownProgress() const { return progress_; }

Q_SIGNALS:
    void pauseToggled();
    void seekRequested(std::int64_t positionMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int xOf(std::int64_t ms) const;

    const RemotePlayback& playback_;
    const StringTable& strings_;
    RemotePlayback::Progress progress_;
    QString notice_;
    QElapsedTimer noticeAge_;
};

}  // namespace strovik
