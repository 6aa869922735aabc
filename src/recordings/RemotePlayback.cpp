#include "recordings/RemotePlayback.h"

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "liveview/LiveStartRecords.h"
#include "platform/BackgroundCalls.h"
#include "platform/CallbackRelay.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"
#include "recordings/PlaybackFiles.h"
#include "recordings/TransferMessages.h"
#include "recordings/TransferRouter.h"

#include <algorithm>

namespace strovik {

namespace {

constexpr int kRecordOpenFailedText = 11;
constexpr int kRecordMissingText = 12;
constexpr std::int32_t kConvertAfterPlayback = 2;

}  // namespace

RemotePlayback::RemotePlayback(std::int32_t playPort, RenderTarget* window,
                               const RemotePlaybackServices& services, QObject* parent)
    : QObject(parent),
      playPort_(playPort),
      window_(window),
      services_(services),
      relay_(std::make_shared<CallbackRelay>(this)) {}

RemotePlayback::~RemotePlayback() {
    Stop();
}

bool RemotePlayback::Start(const TFileInfo& info, std::int32_t port, const QString& drive) {
    transferTotal_ = 0;
    transferReceived_ = 0;
    transferDone_ = false;
    paused_ = false;
    speedStep_ = 0;
    pendingSeekMs_.reset();
    listedDurationMs_ = -1;
    tempFile_ = TempPlaybackFile(drive, playPort_, info.fileName);
    // The library cannot create the file in a folder that does not exist.
    EnsureParentFolder(tempFile_);
    const std::string host = PrepareLibraryAddress(info.address);
    const std::uint64_t serial = ++serial_;
    playbackInfo_ = info;
    pendingStart_ = services_.transfers->StartTransfer(
        RemoteFileRequest{info.fileName.toStdString(), tempFile_.toStdString(), host, port}, relay_,
        [this, serial](const TransferNotification& notification) {
            if (serial == serial_) HandleTransferNotification(notification);
        },
        [this, serial, host, address = info.address](std::int32_t handle) {
            // Stopped before the device answered: the router cancelled the start.
            if (serial != serial_) return;
            pendingStart_ = 0;
            if (handle >= 1) {
                transferHandle_ = handle;
                return;
            }
            const bool told = ReportOfflineDomain(*services_.ui, nullptr, *services_.strings, host, address);
            Q_EMIT stopRequested(told ? QString() : services_.strings->Lookup(kRecordOpenFailedText));
        });
    return true;
}

void RemotePlayback::HandleTransferNotification(const TransferNotification& notification) {
    switch (notification.code) {
        case TransferCode::Begin:
            transferTotal_ = notification.value;
            transferReceived_ = 0;
            transferDone_ = false;
            break;
        case TransferCode::Complete:
            transferDone_ = true;
            endTransfer();
            // A recording too small for any data block still gets its thread, which finds it
            // unplayable and ends the playback instead of leaving the window waiting.
            if (!playThread_) createPlayThread();
            playThread_->SetDownloadFinished();
            break;
        case TransferCode::Block:
            transferReceived_ += notification.count;
            if (!playThread_) createPlayThread();
            break;
        case TransferCode::Failed:
            TransferFailed(transferHandle_, notification.value);
            break;
        case TransferCode::Over:
            endTransfer();
            break;
        default:
            break;
    }
}

void RemotePlayback::endTransfer() {
    if (transferHandle_ != 0) services_.transfers->Unroute(transferHandle_);
    transferHandle_ = 0;
}

void RemotePlayback::createPlayThread() {
    const std::uint64_t serial = serial_;
    // The thread only posts: the relay's work dies with this object, which joins the thread first.
    playThread_ = std::make_unique<TPlayThread>(
        *services_.streamPlayer, playPort_,
        [this, serial](TPlayThread::Outcome outcome) {
            relay_->post([this, serial, outcome] { PlayThreadEnded(serial, outcome); });
        },
        services_.timing);
    playThread_->SetSource(window_, transferTotal_, tempFile_);
    if (transferDone_) playThread_->SetDownloadFinished();
    // Controls given before the first data came.
    if (paused_) playThread_->SetPaused(true);
    if (speedStep_ != 0) playThread_->SetSpeedStep(speedStep_);
    if (pendingSeekMs_) playThread_->Seek(*pendingSeekMs_);
    pendingSeekMs_.reset();
    playThread_->Resume();
}

void RemotePlayback::SetPaused(bool paused) {
    if (!isPlaying()) return;
    paused_ = paused;
    if (playThread_) playThread_->SetPaused(paused);
}

bool RemotePlayback::ChangeSpeed(int direction) {
    const std::int32_t step = speedStep_ + (direction > 0 ? 1 : -1);
    if (!isPlaying() || step < kSlowestSpeedStep || step > kFastestSpeedStep) return false;
    speedStep_ = step;
    if (playThread_) playThread_->SetSpeedStep(step);
    return true;
}

bool RemotePlayback::StepFrame() {
    if (!isPlaying() || !paused_) return false;
    if (playThread_) playThread_->StepFrame();
    return true;
}

RemotePlayback::SeekResult RemotePlayback::SeekTo(std::int64_t positionMs) {
    if (!isPlaying()) return SeekResult::NotPlaying;
    positionMs = std::max<std::int64_t>(0, positionMs);
    if (!playThread_) {
        pendingSeekMs_ = positionMs;
        return SeekResult::Waiting;
    }
    const std::int64_t copied = playThread_->copiedEndMs();
    if (IsFrameFormatRecording(playbackInfo_.fileName) && transferDone_ && playThread_->copyIndexed() &&
        copied >= 0 && positionMs > copied)
        return SeekResult::BeyondCopy;
    playThread_->Seek(positionMs);
    return copied >= 0 && positionMs > copied ? SeekResult::Waiting : SeekResult::Started;
}

RemotePlayback::Progress RemotePlayback::progress() const {
    Progress progress;
    if (!isPlaying()) return progress;
    progress.positionMs = services_.streamPlayer->X_Play_GetPlayedTime(playPort_);
    progress.copiedMs = playThread_ ? playThread_->copiedEndMs() : -1;
    progress.copiedFraction = transferDone_ ? 1.0
                              : transferTotal_ > 0
                                  ? std::min(1.0, double(transferReceived_) / double(transferTotal_))
                                  : 0.0;
    if (progress.copiedMs >= 0 && transferDone_) {
        progress.durationMs = progress.copiedMs;
    } else if (progress.copiedMs > 0 && progress.copiedFraction > 0) {
        progress.durationMs = static_cast<std::int64_t>(double(progress.copiedMs) / progress.copiedFraction);
    } else {
        progress.durationMs = listedDurationMs_;
    }
    return progress;
}

void RemotePlayback::PlayThreadEnded(std::uint64_t serial, TPlayThread::Outcome outcome) {
    if (serial != serial_ || playbackInfo_.address.isEmpty()) return;
    Q_EMIT ended(outcome == TPlayThread::Outcome::Played ? QString()
                                                         : services_.strings->Lookup(kRecordOpenFailedText));
}

void RemotePlayback::TransferFailed(std::int32_t handle, std::int32_t error) {
    if (handle <= 0 || handle != transferHandle_) return;
    const int text = error == TransferFailure::NoSuchFile   ? kRecordMissingText
                     : error == TransferFailure::CannotOpen ? kRecordOpenFailedText
                                                            : 0;
    if (text != 0) ShowTransferMessage(*services_.ui, nullptr, services_.strings->Lookup(text));
    // Failures that no message box names are told on the window itself.
    Q_EMIT stopRequested(text == 0 ? services_.strings->Lookup(kRecordOpenFailedText) : QString());
}

bool RemotePlayback::Stop() {
    if (pendingStart_ != 0) {
        services_.transfers->CancelStart(pendingStart_);
        pendingStart_ = 0;
    }
    if (transferHandle_ != 0) {
        const std::int32_t handle = transferHandle_;
        endTransfer();
        services_.transfers->library().NV_StopGetRemoteFile(handle);
    }
    // Joins the thread, which closes the player port's stream on its way out.
    playThread_.reset();
    if (playbackInfo_.address.isEmpty()) return false;
    if (IsFrameFormatRecording(playbackInfo_.fileName) && services_.calls) {
        // A long recording takes a while to convert: not on the GUI thread.
        StreamPlayerLibrary* player = services_.streamPlayer;
        const std::string file = tempFile_.toStdString();
        services_.calls->run<std::int32_t>(
            this, [player, file] { return player->X_Play_DVRtoAVI(file, kConvertAfterPlayback); },
            [](std::int32_t) {});
    }
    playbackInfo_ = {};
    paused_ = false;
    speedStep_ = 0;
    pendingSeekMs_.reset();
    transferTotal_ = 0;
    transferReceived_ = 0;
    transferDone_ = false;
    return true;
}

}  // namespace strovik
