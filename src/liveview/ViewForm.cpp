#include "liveview/ViewForm.h"

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "devicelibs/video/VideoClientLibrary.h"
#include "liveview/ChannelTexts.h"
#include "liveview/LiveStartRecords.h"
#include "liveview/MyView.h"
#include "liveview/MyViewFrm.h"
#include "liveview/PlaybackMenu.h"
#include "liveview/RecordNaming.h"
#include "platform/BackgroundCalls.h"
#include "platform/NamedControls.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"
#include "recordings/RemotePlayback.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

namespace strovik {

namespace {

constexpr int kCpuMeterMs = 200;
constexpr int kCpuRuleMs = 1000;
constexpr int kCpuStepMs = 200;
constexpr int kDegradeAbove = 90;
constexpr int kRestoreBelow = 80;
constexpr int kBusyForNewWindows = 80;
constexpr int kAlwaysDecodedWindows = 4;  // windows 0..3 keep their non-reference pictures
constexpr std::int32_t kDecodeAll = 0;
constexpr std::int32_t kSkipNonReference = 18;
constexpr std::int32_t kBestQuality = 6;
constexpr std::int32_t kCheapestQuality = 0;
constexpr int kNoFloatingWindow = 255;
constexpr int kFloatingCaptionRoom = 30;

std::int32_t keyFramesOnlyLevel(int otherLiveWindows) { return otherLiveWindows * 100 + 88; }

}  // namespace

TViewForm::TViewForm(const LiveViewServices& services, QWidget* parent, Kind kind)
    : QWidget(parent), services_(services), kind_(kind) {
    if (!services_.calls) {
        ownCalls_ = std::make_unique<BackgroundCalls>();
        services_.calls = ownCalls_.get();
    }
    setObjectName(kind == Kind::Main ? QStringLiteral("ViewForm") : QStringLiteral("FullScreenViewForm"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0x20, 0x23, 0x28));
    setPalette(background);

    // Created first, so that it lies behind every window and shows only as a 1-pixel rim.
    selectionFrame_ = new QWidget(this);
    selectionFrame_->setObjectName(QStringLiteral("selectionFrame"));
    selectionFrame_->setAutoFillBackground(true);
    QPalette lime = selectionFrame_->palette();
    lime.setColor(QPalette::Window, QColor(0, 255, 0));
    selectionFrame_->setPalette(lime);
    selectionFrame_->hide();

    for (int i = 0; i < kGridWindowCount; ++i) {
        auto* view = new TMyView(i + kWindowTagBase, services_, this);
        view->setGeometry(0, 0, 0, 0);
        connect(view, &TMyView::pressed, this, &TViewForm::VideoFrameMouseDown);
        connect(view, &TMyView::doubleClicked, this, &TViewForm::VideoFrameDblClick);
        views_[static_cast<std::size_t>(i)] = view;
    }

    pmMain_ = MakeControl<QMenu>(this, "pmMain");
    nStopReceive_ = AddMenuItem(pmMain_, "NStopReceive", QStringLiteral("停止视频"));
    nStopAll_ = AddMenuItem(pmMain_, "NStopAll", QStringLiteral("停止所有"));
    nFullscreen_ = AddMenuItem(pmMain_, "NFullscreen", QStringLiteral("全屏/正常"));
    connect(nStopReceive_, &QAction::triggered, this, &TViewForm::NStopReceiveClick);
    connect(nStopAll_, &QAction::triggered, this, &TViewForm::NStopAllClick);
    // Queued: the full-screen grid replaces this one on the screen while the menu still closes.
    connect(nFullscreen_, &QAction::triggered, this, &TViewForm::NFullscreenClick, Qt::QueuedConnection);
    playbackMenu_ = new PlaybackMenu(
        *pmMain_, *services_.strings, [this] { return windowNumbered(0); }, this);
    // Clicking a window gives the grid the keys of the playback commands.
    setFocusPolicy(Qt::ClickFocus);

    timerCpu_.setInterval(kCpuMeterMs);
    connect(&timerCpu_, &QTimer::timeout, this, &TViewForm::TimerCpuTimer);
    timerCpu_.start();
    timer1_.setInterval(kCpuRuleMs);
    connect(&timer1_, &QTimer::timeout, this, &TViewForm::Timer1Timer);
    timer1_.start();
    cpuStepTimer_.setSingleShot(true);
    cpuStepTimer_.setInterval(kCpuStepMs);
    connect(&cpuStepTimer_, &QTimer::timeout, this, &TViewForm::cpuStep);
}

TViewForm::~TViewForm() {
    FormDestroy();
}

void TViewForm::FormDestroy() {
    timer1_.stop();
    timerCpu_.stop();
    cpuStepTimer_.stop();
    if (fullScreen_) delete fullScreen_.data();
    for (TMyView* window : views_) window->Stop();
    // Starts still running finish first, so that the cleanup below ends their streams too.
    services_.calls->waitForDone();
    for (TMyViewForm*& window : floating_) {
        delete window;
        window = nullptr;
    }
    if (clientInitialised_) services_.videoClient->X_ClientCleanup();
}

TMyView* TViewForm::view(int index) const {
    return index >= 0 && index < kGridWindowCount ? views_[static_cast<std::size_t>(index)] : nullptr;
}

TMyView* TViewForm::windowNumbered(int n) const {
    return view(n >= 1 && n <= kGridWindowCount ? n - 1 : selected_);
}

TMyViewForm* TViewForm::floating(int index) const {
    return index >= 0 && index < kGridWindowCount ? floating_[static_cast<std::size_t>(index)] : nullptr;
}

std::uint16_t TViewForm::QualityForLayout(int n) {
    if (n == 1) return kBestQuality;
    if (n >= 2 && n <= 4) return 4;
    return kCheapestQuality;
}

void TViewForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!clientInitialised_) FormShow();
    // A grid hidden (in the tray) ended its CPU rule; shown again, it takes the rule up again.
    if (!timer1_.isActive() && !cpuStepTimer_.isActive()) timer1_.start();
}

void TViewForm::FormShow() {
    if (services_.languageLoaded && *services_.languageLoaded) {
        const StringTable& strings = *services_.strings;
        nStopReceive_->setText(strings.Lookup(4001));
        nStopAll_->setText(strings.Lookup(4002));
        nFullscreen_->setText(strings.Lookup(isFullScreen() ? 4005 : 4004));
    }
    if (services_.videoClient->X_ClientInit(kVideoClientMessage, this) == 0) {
        services_.ui->ShowMessage(this, MessageRequest{QStringLiteral("StrovikForm"),
                                                       QStringLiteral("X_ClientInit failed"), MessageIcon::None,
                                                       MessageButtons::Ok});
        return;
    }
    clientInitialised_ = true;
}

void TViewForm::SetLayout(int n) {
    enlarged_ = false;
    for (int i = 0; i < kGridWindowCount; ++i) {
        TMyView* window = views_[static_cast<std::size_t>(i)];
        if (i < n) {
            window->setGeometry(GridWindowRect(n, i, size()));
            window->show();
            window->SetQuality(QualityForLayout(n));
            window->ThrowBFrame(cpuUsage_ > kBusyForNewWindows ? kSkipNonReference : kDecodeAll);
        } else {
            if (window->isVisible()) window->hide();
            window->Stop();
        }
    }
    layout_ = n;
    SelectWindow(selected_ < n ? selected_ : 0);
}

void TViewForm::SelectWindow(int index) {
    if (index >= 0 && index < kGridWindowCount && index != selected_) {
        views_[static_cast<std::size_t>(selected_)]->SoundOff();
        selected_ = index;
        TMyView* window = views_[static_cast<std::size_t>(selected_)];
        window->SoundOn();
        window->ThrowBFrame(kDecodeAll);
    }
    if (selected_ < layout_) {
        const QRect window = views_[static_cast<std::size_t>(selected_)]->geometry();
        selectionFrame_->setGeometry(window.adjusted(-1, -1, 1, 1));
        selectionFrame_->show();
    } else {
        selectionFrame_->hide();
    }
}

void TViewForm::setMainStream(int index) {
    mainStreamSet_ = index >= 0;
    mainStreamWindow_ = index;
}

void TViewForm::OpenStream(ConnectionInfo connection, const StreamTarget& stream, int n, std::int32_t loginHandle,
                           OpenDone done) {
    const int i = n >= 1 && n <= kGridWindowCount ? n - 1 : PickWindow();
    if (IsAutoSearchedCamera(connection)) {
        if (!mainStreamSet_) {
            setMainStream(i);
        } else {
            connection.channelIndex += 1;  // later windows of such cameras show the sub stream
        }
    }
    TMyView* window = views_[static_cast<std::size_t>(i)];
    window->StartLive(connection, stream, loginHandle, [this, i, window, done = std::move(done)](std::int32_t r) {
        if (r == -1) {
            if (done) done(-1);
            return;
        }
        if (i == selected_) window->SoundOn();
        window->SetQuality(QualityForLayout(layout_));
        if (cpuUsage_ > kBusyForNewWindows && i != selected_ && i >= kAlwaysDecodedWindows)
            window->ThrowBFrame(kSkipNonReference);
        if (i != selected_) SelectWindow(i);
        if (done) done(r);
    });
}

bool TViewForm::PlayRemoteRecord(const TFileInfo& info, std::int32_t port) {
    return playInWindow(PickWindow(), info, port);
}

bool TViewForm::PlayRemoteRecordInSelected(const TFileInfo& info, std::int32_t port, std::int64_t positionMs,
                                           std::int64_t listedDurationMs) {
    if (!playInWindow(selected_, info, port)) return false;
    TMyView* window = views_[static_cast<std::size_t>(selected_)];
    window->playback().setListedDuration(listedDurationMs);
    if (positionMs > 0) window->SeekPlayback(positionMs);
    return true;
}

bool TViewForm::playInWindow(int i, const TFileInfo& info, std::int32_t port) {
    if (i != selected_) SelectWindow(i);
    TMyView* window = views_[static_cast<std::size_t>(i)];
    if (!window->StartRemotePlayback(info, port)) return false;
    if (i == selected_) window->SoundOn();
    window->SetQuality(QualityForLayout(layout_));
    return true;
}

int TViewForm::PickWindow() const {
    if (views_[static_cast<std::size_t>(selected_)]->state() == ViewState::Idle || enlarged_) return selected_;
    for (int i = 0; i < layout_; ++i)
        if (views_[static_cast<std::size_t>(i)]->state() == ViewState::Idle) return i;
    return selected_;
}

void TViewForm::StopWindow(int n) {
    TMyView* window = windowNumbered(n);
    window->Stop();
    if (window->tag() - kWindowTagBase == mainStreamWindow_) setMainStream(-1);
}

std::uint8_t TViewForm::WindowState(int index) const {
    const TMyView* window = view(index);
    return window ? window->state() : 255;
}

bool TViewForm::SnapshotWindow(const QString& directory, int n) {
    return windowNumbered(n)->Snapshot(directory);
}

void TViewForm::CancelPendingStarts() {
    for (TMyView* window : views_) window->CancelPendingStart();
}

void TViewForm::VideoFrameClick(int tag) {
    const int i = tag - kWindowTagBase;
    if (i < 0 || i >= kGridWindowCount) return;
    SelectWindow(i);
    setFocus(Qt::MouseFocusReason);
    Q_EMIT windowClicked();
}

void TViewForm::VideoFrameMouseDown(int tag, Qt::MouseButton button, QPoint globalPosition) {
    if (button == Qt::LeftButton) {
        VideoFrameClick(tag);
        return;
    }
    if (button != Qt::RightButton) return;
    const int i = tag - kWindowTagBase;
    if (i >= 0 && i < kGridWindowCount) SelectWindow(i);
    setFocus(Qt::MouseFocusReason);
    playbackMenu_->prepare();
    pmMain_->popup(globalPosition);
}

void TViewForm::NStopReceiveClick() {
    Q_EMIT stopCommandGiven();
    StopWindow(selected_ + 1);
    Q_EMIT windowsStopped();
}

void TViewForm::NStopAllClick() {
    Q_EMIT stopCommandGiven();
    for (int n = 1; n <= kGridWindowCount; ++n) StopWindow(n);
    Q_EMIT windowsStopped();
}

void TViewForm::VideoFrameDblClick(int tag) {
    const int i = tag - kWindowTagBase;
    if (i < 0 || i >= kGridWindowCount) return;
    enlarged_ = !enlarged_;
    if (!enlarged_) {
        SetLayout(layout_);
        return;
    }
    int others = 0;
    for (int j = 0; j < kGridWindowCount; ++j)
        if (j != i && views_[static_cast<std::size_t>(j)]->state() == ViewState::Live) ++others;

    bool switchToMain = false;
    int oldMainWindow = -1;
    for (int j = 0; j < kGridWindowCount; ++j) {
        TMyView* window = views_[static_cast<std::size_t>(j)];
        if (j == i) {
            window->setGeometry(1, 1, width() - 2, height() - 2);
            window->show();
            window->raise();
            window->SetQuality(kBestQuality);
            if (window->state() == ViewState::Live) {
                window->ThrowBFrame(kDecodeAll);
                if (i != mainStreamWindow_ && IsAutoSearchedCamera(window->connection())) {
                    switchToMain = true;
                    if (mainStreamSet_ && mainStreamWindow_ >= 0) oldMainWindow = mainStreamWindow_;
                }
            }
        } else {
            window->hide();
            window->SetQuality(kCheapestQuality);
            window->ThrowBFrame(keyFramesOnlyLevel(others));
        }
    }
    SelectWindow(i);
    if (switchToMain) {
        switchStream(i, true);
        setMainStream(i);
    }
    if (oldMainWindow >= 0) switchStream(oldMainWindow, false);
}

void TViewForm::switchStream(int index, bool toMainStream) {
    TMyView* window = views_[static_cast<std::size_t>(index)];
    const std::int32_t rec = window->recording();
    window->Stop();
    if (toMainStream) {
        window->connection().channelIndex = 0;
    } else {
        window->connection().channelIndex += 1;
    }
    window->Reconnect([window, rec](bool) {
        if (rec != 0) window->StartRecord(RecordingBaseDirectory());
    });
}

bool TViewForm::event(QEvent* event) {
    if (event->type() == VideoClientEvent::eventType()) {
        const auto* message = static_cast<const VideoClientEvent*>(event);
        if (message->message() == kVideoClientMessage) VideoClientMessage(message->wParam(), message->lParam());
        return true;
    }
    return QWidget::event(event);
}

void TViewForm::VideoClientMessage(std::int32_t wParam, std::int32_t lParam) {
    if (wParam == kCaptureFailedEvent) {
        // The library closed the file (a full disk): the window and its buttons say so.
        for (TMyView* window : views_) {
            if (window->state() != ViewState::Live || window->streamHandle() != lParam + kStreamHandleBias) continue;
            window->StopRecord();
            Q_EMIT recordingEnded();
            return;
        }
        return;
    }
    // Any live window whose handle matches, whatever its link type: one library serves every link
    // type here, and a window left out would show its last picture as if it were live.
    for (TMyView* window : views_) {
        if (window->state() != ViewState::Live) continue;
        if (wParam == kStreamLostEvent && window->streamHandle() == lParam + kStreamHandleBias) {
            const std::int32_t rec = window->recording();
            window->Stop();
            window->Reconnect([window, rec](bool) {
                if (rec == 0) return;
                window->StartRecord(RecordingBaseDirectory());
                // Non-zero either way: a timer-driven retry restarts the recording when the
                // stream comes back later.
                window->setRecording(-1);
            });
            return;
        }
        if (wParam == 6 && lParam / 1000 == window->streamHandle()) return;
    }
}

// --- full screen ---

void TViewForm::NFullscreenClick() {
    if (isFullScreen()) {
        close();
        return;
    }
    if (fullScreen_) return;
    // Its windows only show pictures; a pool of its own keeps its closing from waiting for the
    // starts of this grid.
    LiveViewServices services = services_;
    services.calls = nullptr;
    auto* grid = new TViewForm(services, nullptr, Kind::FullScreen);
    fullScreen_ = grid;
    grid->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    grid->setWindowModality(Qt::ApplicationModal);
    grid->nStopReceive_->setVisible(false);
    grid->nStopAll_->setVisible(false);
    const bool wasEnlarged = enlarged_;
    const int shownLayout = wasEnlarged ? 1 : layout_;
    grid->layout_ = shownLayout;
    if (QScreen* display = screen()) grid->setGeometry(display->geometry());
    grid->showFullScreen();
    grid->SetLayout(shownLayout);
    if (wasEnlarged) {
        views_[static_cast<std::size_t>(selected_)]->SetRenderTarget(grid->view(0));
    } else {
        for (int i = 0; i < layout_; ++i) views_[static_cast<std::size_t>(i)]->SetRenderTarget(grid->view(i));
    }
    connect(grid, &TViewForm::closed, this, [this, wasEnlarged] {
        if (wasEnlarged) {
            TMyView* window = views_[static_cast<std::size_t>(selected_)];
            window->SetRenderTarget(window);
        } else {
            for (int i = 0; i < layout_; ++i) {
                TMyView* window = views_[static_cast<std::size_t>(i)];
                window->SetRenderTarget(window);
            }
        }
        if (fullScreen_) fullScreen_->deleteLater();
    });
}

void TViewForm::keyPressEvent(QKeyEvent* event) {
    if (isFullScreen() && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (playbackMenu_->handleKey(event->key())) return;
    QWidget::keyPressEvent(event);
}

void TViewForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (isFullScreen()) Q_EMIT closed();
}

// --- floating windows ---

void TViewForm::FloatSelected() {
    TMyView* window = views_[static_cast<std::size_t>(selected_)];
    if (window->state() != ViewState::Live) return;
    TMyViewForm*& slot = floating_[static_cast<std::size_t>(selected_)];
    if (slot) {
        slot->ownerWindow = nullptr;
        slot->close();
        delete slot;
        slot = nullptr;
    }
    const QRect display = screen() ? screen()->geometry() : QRect(0, 0, 1280, 800);
    slot = new TMyViewForm;
    slot->resize(display.width() / 6, display.height() / 4 - kFloatingCaptionRoom);
    window->SetRenderTarget(slot);
    window->repaintWindow();
    slot->setWindowTitle(services_.strings->Lookup(LiveText::FloatingCaption) +
                         QString::number(window->connection().channelIndex + 1));
    slot->windowIndex = selected_;
    slot->ownerWindow = this;
    arrangeFloatingWindows();
    SelectWindow(selected_ + 1);
}

void TViewForm::arrangeFloatingWindows() {
    const QRect display = screen() ? screen()->geometry() : QRect(0, 0, 1280, 800);
    int x = display.left();
    int y = display.top();
    for (TMyViewForm* window : floating_) {
        if (!window || !window->ownerWindow) continue;
        window->move(x, y);
        if (display.height() + kFloatingCaptionRoom < y - display.top() + window->height()) {
            x += window->width();
            y = display.top();
            window->move(x, y);
        }
        y = window->y() + window->height();
        window->show();
    }
}

void TViewForm::FloatingWindowClosed(int index) {
    if (index == kNoFloatingWindow) return;
    TMyView* window = view(index);
    if (window && window->isVisible()) window->SetRenderTarget(window);
}

// --- the CPU rule ---

void TViewForm::TimerCpuTimer() {
    timerCpu_.stop();
    const std::int32_t usage = services_.streamPlayer->X_Play_GetCPUUsage();
    if (usage >= 0 && usage <= 100) cpuUsage_ = usage;
    timerCpu_.start();
}

void TViewForm::Timer1Timer() {
    timer1_.stop();
    if (enlarged_ || !isVisible()) {
        endCpuPass();
        return;
    }
    degrading_ = cpuUsage_ > kDegradeAbove;
    cpuPassIndex_ = degrading_ ? kGridWindowCount - 1 : 0;
    cpuStep();
}

void TViewForm::cpuStep() {
    if (enlarged_ || !isVisible()) {
        endCpuPass();
        return;
    }
    const int direction = degrading_ ? -1 : 1;
    while (cpuPassIndex_ >= 0 && cpuPassIndex_ < kGridWindowCount &&
           views_[static_cast<std::size_t>(cpuPassIndex_)]->state() != ViewState::Live)
        cpuPassIndex_ += direction;
    if (cpuPassIndex_ < 0 || cpuPassIndex_ >= kGridWindowCount) {
        endCpuPass();
        return;
    }
    if (degrading_ ? cpuUsage_ <= kDegradeAbove : cpuUsage_ >= kRestoreBelow) {
        endCpuPass();
        return;
    }
    TMyView* window = views_[static_cast<std::size_t>(cpuPassIndex_)];
    if (degrading_) {
        window->SetQuality(kCheapestQuality);
        if (cpuPassIndex_ != selected_ && cpuPassIndex_ >= kAlwaysDecodedWindows) window->ThrowBFrame(kSkipNonReference);
    } else {
        window->SetQuality(QualityForLayout(layout_));
        window->ThrowBFrame(kDecodeAll);
    }
    cpuPassIndex_ += direction;
    cpuStepTimer_.start();
}

void TViewForm::endCpuPass() {
    cpuStepTimer_.stop();
    if (isVisible()) timer1_.start();
}

void TViewForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SetLayout(layout_);
}

}  // namespace strovik
