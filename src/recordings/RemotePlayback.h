#pragma once

#include "devicelibs/wire/TransferNotification.h"
#include "recordings/PlayThread.h"
#include "recordings/TFileInfo.h"
#include "recordings/TransferRouter.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace strovik {

class CallbackRelay;

class BackgroundCalls;
class RenderTarget;
class StreamPlayerLibrary;
class StringTable;
class UiServices;

// What a window's remote playback is built from. Every pointer must outlive it.
struct RemotePlaybackServices {
    TransferRouter* transfers = nullptr;
    StreamPlayerLibrary* streamPlayer = nullptr;
    const StringTable* strings = nullptr;
    UiServices* ui = nullptr;
    BackgroundCalls* calls = nullptr;  // runs the conversion after a playback
    TPlayThread::Timing timing;
};

// The remote-playback state of one video window: the transfer that copies a recording from the
// device into the window's temporary file, its totals, and the play thread that feeds that file
// to the window's player port. The window owns it and keeps its own state (2 while this plays).
//
// GUI thread only: the transfer's notifications and the play thread's end reach it as queued
// calls, each tagged with the playback it belongs to, so that a late message of an earlier
// playback in the same window is dropped.
class RemotePlayback final : public QObject {
    Q_OBJECT

public:
    RemotePlayback(std::int32_t playPort, RenderTarget* window, const RemotePlaybackServices& services,
                   QObject* parent = nullptr);
    ~RemotePlayback() override;

    // Starts the transfer into the temporary file under drive (ends with '/'); the device answers
    // later, and a refusal ends in stopRequested. True when started. The window must be idle.
    bool Start(const TFileInfo& info, std::int32_t port, const QString& drive);
    // Stops the transfer and the play thread; true when a playback was stopped.
    bool Stop();

    // A notification of this playback's transfer.
    void HandleTransferNotification(const TransferNotification& notification);
    // WM_USER + 11: the transfer failed; ignored unless handle is the current transfer's.
    void TransferFailed(std::int32_t handle, std::int32_t error);

    // --- controls (they belong to this playback; a new one starts at normal speed, playing) ---
    enum class SeekResult {
        Started,     // landing at once
        Waiting,     // beyond what was copied so far: plays on hidden as the copy grows
        BeyondCopy,  // beyond the end of a completed copy: refused
        NotPlaying,
    };
    struct Progress {
        std::int64_t positionMs = -1;  // of the picture shown; -1 before the first
        std::int64_t copiedMs = -1;    // how far the copied frames reach; -1 when not known
        std::int64_t durationMs = -1;  // the whole recording, estimated while it is copied
        double copiedFraction = 0;     // of the file's bytes
    };
    bool isPlaying() const { return !playbackInfo_.address.isEmpty(); }
    void SetPaused(bool paused);
    bool paused() const { return paused_; }
    // One speed step up (+1) or down (-1); false at the end of the range or when not playing.
    bool ChangeSpeed(int direction);
    std::int32_t speedStep() const { return speedStep_; }
    // False unless paused.
    bool StepFrame();
    SeekResult SeekTo(std::int64_t positionMs);
    Progress progress() const;
    // The recording's length as listed, for a plain file whose frames are not indexed.
    void setListedDuration(std::int64_t durationMs) { listedDurationMs_ = durationMs; }

    std::int32_t transferHandle() const { return transferHandle_; }
    std::int64_t transferTotal() const { return transferTotal_; }
    std::int64_t transferReceived() const { return transferReceived_; }
    bool transferDone() const { return transferDone_; }
    const TFileInfo& playbackInfo() const { return playbackInfo_; }
    bool hasPlayThread() const { return static_cast<bool>(playThread_); }
    QString tempFile() const { return tempFile_; }

Q_SIGNALS:
    // The transfer failed: the window stops itself, then shows statusText when it is not empty.
    void stopRequested(const QString& statusText);
    // WM_USER + 33: the playback ended by itself; statusText says why when it did not play.
    void ended(const QString& statusText);

private:
    void createPlayThread();
    void PlayThreadEnded(std::uint64_t serial, TPlayThread::Outcome outcome);
    void endTransfer();

    const std::int32_t playPort_;
    RenderTarget* const window_;
    const RemotePlaybackServices services_;
    // Carries the transfer's notifications and the play thread's end to this object's thread;
    // declared before the thread, which goes (joined) first.
    const std::shared_ptr<CallbackRelay> relay_;

    std::uint64_t serial_ = 0;  // of the current (or last) playback
    TransferRouter::Ticket pendingStart_ = 0;  // until the device answered the start
    std::int32_t transferHandle_ = 0;
    TFileInfo playbackInfo_;
    QString tempFile_;
    std::int64_t transferTotal_ = 0;
    std::int64_t transferReceived_ = 0;
    bool transferDone_ = false;
    std::unique_ptr<TPlayThread> playThread_;

    bool paused_ = false;
    std::int32_t speedStep_ = 0;
    std::optional<std::int64_t> pendingSeekMs_;  // until the play thread exists
    std::int64_t listedDurationMs_ = -1;
};

}  // namespace strovik
