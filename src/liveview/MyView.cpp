#include "liveview/MyView.h"

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "devicelibs/video/VideoClientLibrary.h"
#include "liveview/ChannelTexts.h"
#include "liveview/LiveStartRecords.h"
#include "liveview/PlaybackControlBar.h"
#include "liveview/PlaybackTexts.h"
#include "liveview/RecordNaming.h"
#include "platform/AppDirectories.h"
#include "platform/BackgroundCalls.h"
#include "platform/StringTable.h"
#include "recordings/RemotePlayback.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

namespace strovik {

namespace {

constexpr int kStatusFontHeight = 12;
constexpr int kStatusMargin = 10;
constexpr std::chrono::milliseconds kFirstReconnectInterval{20000};
constexpr std::chrono::milliseconds kBarRefresh{250};

}  // namespace

TMyView::TMyView(int tag, const LiveViewServices& services, QWidget* parent)
    : RenderWidget(parent), tag_(tag), services_(services) {
    setObjectName(QStringLiteral("VideoFrame%1").arg(tag));
    setCursor(Qt::PointingHandCursor);
    recTimer_.setInterval(services_.recordRotation);
    reconnectTimer_.setInterval(kFirstReconnectInterval);
    connect(&recTimer_, &QTimer::timeout, this, &TMyView::RecTimerTimer);
    connect(&reconnectTimer_, &QTimer::timeout, this, &TMyView::ReConnectTimerTimer);
    playback_ = new RemotePlayback(playPort(), this,
                                   RemotePlaybackServices{services_.transfers, services_.streamPlayer, services_.strings,
                                                          services_.ui, services_.calls, services_.playTiming},
                                   this);
    connect(playback_, &RemotePlayback::stopRequested, this, [this](const QString& statusText) {
        Stop();
        if (!statusText.isEmpty()) ShowStatusText(statusText, kStatusRed);
    });
    connect(playback_, &RemotePlayback::ended, this, [this](const QString& statusText) {
        StopRemotePlayback();
        if (!statusText.isEmpty()) ShowStatusText(statusText, kStatusRed);
    });

    controlBar_ = new TPlaybackControlBar(*playback_, *services_.strings, this);
    connect(controlBar_, &TPlaybackControlBar::pauseToggled, this, [this] { TogglePause(); });
    connect(controlBar_, &TPlaybackControlBar::seekRequested, this,
            [this](std::int64_t positionMs) { SeekPlayback(positionMs); });
    barTimer_.setInterval(kBarRefresh);
    connect(&barTimer_, &QTimer::timeout, controlBar_, &TPlaybackControlBar::refresh);
}

TMyView::~TMyView() = default;

void TMyView::StartLive(const ConnectionInfo& connection, const StreamTarget& stream, std::int32_t loginHandle,
                        StartDone done) {
    if (state_ == ViewState::Live && ShowsSameStream(connection_, connection)) {
        if (done) done(streamHandle_);
        return;
    }
    if (state_ != ViewState::Idle && !Stop()) {
        if (done) done(-1);
        return;
    }
    CancelPendingStart();
    ShowStatusText(services_.strings->Lookup(LiveText::Starting), kStatusGreen);
    loginHandle_ = -1;

    // The address is prepared on the background call too: resolving a host name may block.
    const std::uint16_t linkType = LinkTypeOf(connection);
    linkType_ = linkType;
    pendingDone_ = done ? std::move(done) : StartDone([](std::int32_t) {});
    const std::uint64_t token = ++startToken_;
    VideoClientLibrary* library = services_.videoClient;
    RenderTarget* target = this;
    services_.calls->run<StartResult>(
        this,
        [library, target, connection, loginHandle, linkType, token] {
            ClientStartInfo info =
                FillClientStartInfo(connection, PrepareLibraryAddress(connection.address.toQString()), target);
            std::int32_t handle = 0;
            if (UsesRelay(connection)) {
                handle = library->X_ClientStartEx(
                    info, FillRelayInfo(connection, PrepareLibraryAddress(connection.relayAddress.toQString())),
                    linkType);
            } else {
                handle = library->X_ClientStart(info, loginHandle, linkType);
            }
            return StartResult{handle, token};
        },
        [this, connection, stream, loginHandle, linkType](StartResult result) {
            if (result.token != startToken_ || !pendingDone_) {
                // Superseded while it ran: nobody shows this stream.
                if (result.handle > 0) services_.videoClient->X_ClientStop(result.handle, linkType);
                return;
            }
            finishStart(result.handle, connection, stream, loginHandle, linkType);
        },
        [library, linkType](StartResult result) {
            if (result.handle > 0) library->X_ClientStop(result.handle, linkType);
        });
}

void TMyView::finishStart(std::int32_t handle, const ConnectionInfo& connection, const StreamTarget& stream,
                          std::int32_t loginHandle, std::uint16_t linkType) {
    const StartDone done = std::move(pendingDone_);
    pendingDone_ = nullptr;
    linkType_ = linkType;
    streamHandle_ = handle;
    if (handle < 1) {
        ShowStatusText(StartFailureText(handle), kStatusRed);
        done(-1);
        return;
    }
    ShowStatusText(services_.strings->Lookup(LiveText::Started), kStatusGreen);
    state_ = ViewState::Live;
    loginHandle_ = loginHandle;
    // Copied only on success, so that a reconnect always restarts the last stream that ran.
    connection_ = connection;
    stream_ = stream;
    done(handle);
}

void TMyView::CancelPendingStart() {
    if (!pendingDone_) return;
    ++startToken_;
    StartDone done = std::move(pendingDone_);
    pendingDone_ = nullptr;
    // Queued: the caller may be in the middle of the step that superseded this start.
    QMetaObject::invokeMethod(this, [done = std::move(done)] { done(-1); }, Qt::QueuedConnection);
}

bool TMyView::StopLive() {
    bool stopped = false;
    if (streamHandle_ > 0) {
        if (recording_ != 0) StopRecord();
        SoundOff();
        if (services_.videoClient->X_ClientStop(streamHandle_, linkType_) != 0) {
            streamHandle_ = -1;
            state_ = ViewState::Idle;
            stopped = true;
        }
    }
    repaintWindow();
    return stopped;
}

bool TMyView::Stop() {
    CancelPendingStart();
    bool stopped = false;
    if (state_ == ViewState::Live) stopped = StopLive();
    if (state_ == ViewState::Playback) stopped = StopRemotePlayback();
    reconnectTimer_.stop();
    repaintWindow();
    return stopped;
}

bool TMyView::StartRemotePlayback(const TFileInfo& info, std::int32_t port) {
    if (state_ != ViewState::Idle && !Stop()) return false;
    if (!services_.transfers || !playback_->Start(info, port, DriveRoot())) return false;
    state_ = ViewState::Playback;
    updateControlBar();
    repaintWindow();
    return true;
}

bool TMyView::StopRemotePlayback() {
    SoundOff();
    const bool stopped = playback_->Stop();
    if (stopped) state_ = ViewState::Idle;
    updateControlBar();
    repaintWindow();
    return stopped;
}

bool TMyView::TogglePause() {
    if (state_ != ViewState::Playback) return false;
    playback_->SetPaused(!playback_->paused());
    updateControlBar();
    return true;
}

bool TMyView::ChangeSpeed(int direction) {
    if (state_ != ViewState::Playback || !playback_->ChangeSpeed(direction)) return false;
    updateControlBar();
    return true;
}

bool TMyView::StepFrame() {
    if (state_ != ViewState::Playback) return false;
    if (!playback_->StepFrame()) {
        controlBar_->showNotice(services_.strings->Lookup(PlaybackText::StepNeedsPause));
        updateControlBar();
        return false;
    }
    return true;
}

bool TMyView::SeekPlayback(std::int64_t positionMs) {
    if (state_ != ViewState::Playback) return false;
    switch (playback_->SeekTo(positionMs)) {
        case RemotePlayback::SeekResult::Started:
            break;
        case RemotePlayback::SeekResult::Waiting:
            controlBar_->showNotice(services_.strings->Lookup(PlaybackText::WaitingForCopy));
            break;
        case RemotePlayback::SeekResult::BeyondCopy:
            controlBar_->showNotice(services_.strings->Lookup(PlaybackText::BeyondCopy));
            updateControlBar();
            return false;
        case RemotePlayback::SeekResult::NotPlaying:
            return false;
    }
    updateControlBar();
    return true;
}

void TMyView::updateControlBar() {
    const bool shown = state_ == ViewState::Playback && (hovered_ || playback_->paused());
    if (shown) {
        controlBar_->setGeometry(0, height() - TPlaybackControlBar::kHeight, width(),
                                 TPlaybackControlBar::kHeight);
        controlBar_->refresh();
        controlBar_->show();
        controlBar_->raise();
        barTimer_.start();
    } else {
        controlBar_->hide();
        barTimer_.stop();
    }
}

void TMyView::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    updateControlBar();
    RenderWidget::enterEvent(event);
}

void TMyView::leaveEvent(QEvent* event) {
    hovered_ = false;
    updateControlBar();
    RenderWidget::leaveEvent(event);
}

void TMyView::Reconnect(ReconnectDone done) {
    StartLive(connection_, stream_, loginHandle_, [this, done = std::move(done)](std::int32_t result) {
        if (result == -1) {
            reconnectTimer_.setInterval(ReconnectInterval(connection_));
            reconnectTimer_.start();
            if (done) done(false);
            return;
        }
        reconnectCount_ = 0;
        if (done) done(true);
    });
}

void TMyView::ReConnectTimerTimer() {
    reconnectTimer_.stop();
    // Another start is on its way into this window; its end decides, not this retry.
    if (startPending()) {
        reconnectTimer_.start();
        return;
    }
    if (++reconnectCount_ > kMaxReconnectTries) {
        reconnectCount_ = 0;
        return;
    }
    Reconnect([this](bool) {
        if (recording_ != 0) StartRecord(RecordingBaseDirectory());
    });
}

std::int32_t TMyView::SoundOn() {
    if (state_ == ViewState::Live) return services_.videoClient->X_ClientAudioStart(streamHandle_, linkType_);
    if (state_ == ViewState::Playback) return services_.streamPlayer->X_Play_PlaySound(playPort());
    return 0;
}

std::int32_t TMyView::SoundOff() {
    if (state_ == ViewState::Live) return services_.videoClient->X_ClientAudioStop(linkType_);
    if (state_ == ViewState::Playback) return services_.streamPlayer->X_Play_StopSound();
    return 0;
}

void TMyView::SetQuality(std::uint16_t level) {
    if (state_ == ViewState::Live) {
        services_.videoClient->X_ClientSetQuality(streamHandle_, level, linkType_);
    } else if (state_ == ViewState::Playback) {
        services_.streamPlayer->X_Play_SetPicQuality(playPort(), level);
    }
}

void TMyView::SetRenderTarget(RenderTarget* target) {
    if (state_ == ViewState::Live) {
        services_.videoClient->X_ClientChangeRenderHandle(streamHandle_, target, linkType_);
    } else if (state_ == ViewState::Playback) {
        services_.streamPlayer->X_Play_ChangeRenderHandle(playPort(), target);
    }
}

void TMyView::ThrowBFrame(std::int32_t level) {
    if (state_ == ViewState::Live) services_.videoClient->X_ClientThrowBFrame(streamHandle_, level, linkType_);
}

void TMyView::ShowStatusText(const QString& text, const QColor& colour) {
    statusText_ = text;
    statusColour_ = colour;
    update();
}

void TMyView::repaintWindow() {
    statusText_.clear();
    update();
}

void TMyView::paintIdle(QPainter& painter) {
    if (statusText_.isEmpty()) return;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(kStatusFontHeight);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(statusColour_);
    // The baseline-free equivalent of drawing with the text's top at height - 12 - 10.
    const QRect line(kStatusMargin, height() - kStatusFontHeight - kStatusMargin, width() - kStatusMargin,
                     kStatusFontHeight + kStatusMargin);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, statusText_);
}

void TMyView::resizeEvent(QResizeEvent* event) {
    statusText_.clear();
    RenderWidget::resizeEvent(event);
    if (controlBar_->isVisible()) updateControlBar();
}

std::int32_t TMyView::StartRecord(const QString& base) {
    recordDir_ = base;
    const QDateTime when = QDateTime::currentDateTime();
    if (state_ != ViewState::Live) return 0;
    QDir dir;
    if (!dir.exists(base)) dir.mkdir(base);
    if (!dir.exists(base)) return 0;
    const QString dateDir = RecordingDateDirectory(base, when);
    dir.mkdir(dateDir);
    const QString deviceName = connection_.deviceName.toQString();
    const QString deviceDir = dateDir + QLatin1Char('/') + deviceName;
    if (!dir.exists(deviceDir)) dir.mkdir(deviceDir);
    if (!dir.exists(deviceDir)) return 0;
    if (recording_ != 0) StopRecord();
    const QString file = RecordingFilePath(base, deviceName, connection_.channelIndex, when);
    recording_ = services_.videoClient->X_ClientStartCaptureFile(streamHandle_, file.toStdString(), linkType_);
    if (recording_ != 0) recTimer_.start();
    return recording_;
}

void TMyView::StopRecord() {
    if (recording_ == 0) return;
    recTimer_.stop();
    services_.videoClient->X_ClientStopCapture(streamHandle_, linkType_);
    recording_ = 0;
}

void TMyView::RecTimerTimer() {
    if (state_ != ViewState::Live || recording_ == 0) return;
    StopRecord();
    StartRecord(recordDir_);
}

bool TMyView::Snapshot(const QString& directory) {
    if (!directory.isEmpty() && !QDir(directory).exists()) QDir().mkdir(directory);
    const QString file = SnapshotFilePath(directory, connection_.deviceName.toQString(), connection_.channelIndex,
                                          QDateTime::currentDateTime());
    if (state_ == ViewState::Live)
        return services_.videoClient->X_ClientCapPicFile(streamHandle_, file.toStdString(), linkType_) != 0;
    if (state_ == ViewState::Playback)
        return services_.streamPlayer->X_Play_CapPicFile(playPort(), file.toStdString()) != 0;
    return false;
}

void TMyView::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(tag_, event->button(), event->globalPosition().toPoint());
    RenderWidget::mousePressEvent(event);
}

void TMyView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT doubleClicked(tag_);
    RenderWidget::mouseDoubleClickEvent(event);
}

}  // namespace strovik
