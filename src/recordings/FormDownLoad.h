#pragma once

#include "devicelibs/wire/TransferNotification.h"
#include "recordings/TransferRouter.h"

#include <QDialog>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace strovik {

class BackgroundCalls;
class CallbackRelay;
class StreamPlayerLibrary;
class StringTable;
class UiServices;

// What the download dialog is built from. Every pointer must outlive the dialog.
struct DownloadServices {
    TransferRouter* transfers = nullptr;
    StreamPlayerLibrary* streamPlayer = nullptr;  // converts frame-format downloads to AVI
    const StringTable* strings = nullptr;
    bool languageLoaded = false;  // captions come from strings only then
    UiServices* ui = nullptr;
    BackgroundCalls* calls = nullptr;  // runs the conversions
    QFont font;  // the language file's face and size; applied only when languageLoaded
    QPixmap copyingPicture;   // Image1, shown while copying
    QPixmap completePicture;  // ImageDownComplete, uncovered when done
};

// The download dialog: asks for the target file, copies the recording there through a remote
// transfer, shows progress, amount and speed twice a second, converts a frame-format ("LDVR")
// download to AVI and deletes the raw file, and offers to open the target folder. At most one
// exists. GUI thread only: the transfer's notifications arrive as queued calls; the conversion
// runs on a background call behind the busy indicator.
class TFormDownLoad final : public QDialog {
    Q_OBJECT

public:
    TFormDownLoad(const DownloadServices& services, QWidget* parent = nullptr);
    // Stops a transfer still running (FormClose).
    ~TFormDownLoad() override;

    // Before the dialog is shown.
    QString remoteName;
    QString remoteAddress;
    std::int32_t remotePort = 0;

    std::int32_t transferHandle() const { return transferHandle_; }
    std::int64_t transferTotal() const { return transferTotal_; }
    std::int64_t transferReceived() const { return transferReceived_; }
    bool transferFinished() const { return transferFinished_; }
    QString saveDirectory() const { return saveDirectory_; }
    QString transferPath() const { return transferPath_; }
    bool convertPending() const { return convertPending_; }
    // A conversion is running on its background call.
    bool converting() const { return converting_; }

    void HandleTransferNotification(const TransferNotification& notification);
    // WM_USER + 11: the transfer failed; ignored unless handle is the dialog's transfer.
    void TransferFailed(std::int32_t handle, std::int32_t error);
    void Timer1Timer();
    void Timer2Timer();
    void BtnCancelClick();
    void BtnOpenDirClick();

    QProgressBar* Animate1 = nullptr;  // busy indicator in place of the file-copy animation
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* ImageDownComplete = nullptr;
    QLabel* LabelDownComplete = nullptr;
    QLabel* LabDown = nullptr;
    QLabel* LabelDownFrom = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* LabRemainTime = nullptr;
    QLabel* LabelRemainderTimes = nullptr;
    QLabel* LabSaveTo = nullptr;
    QLabel* LabelSaveHere = nullptr;
    QLabel* LabDownSpeed = nullptr;
    QLabel* LabelSpeed = nullptr;
    QCheckBox* CheckBoxClose = nullptr;
    QPushButton* BtnOpenDir = nullptr;
    QPushButton* BtnCancel = nullptr;
    QTimer Timer1;
    QTimer Timer2;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void createControls();
    void applyCaptions();
    void FormShow();
    void FormClose();
    QString text(int id) const;
    void showMessage(int id);
    void stopTransfer();
    // Gives the partial copy the transfer wrote its final name; false when it cannot.
    bool takeFinishedCopy();
    void TransferStarted(std::int32_t handle, const std::string& host, bool frameFormat);
    // Converts the raw download off the GUI thread and deletes it once the AVI is written;
    // then runs finished on the GUI thread (unless the dialog went).
    void convert(std::function<void(bool converted)> finished);
    void showCompletion();

    const DownloadServices services_;
    const std::shared_ptr<CallbackRelay> relay_;  // the transfer's notifications to this thread
    bool shown_ = false;
    bool closed_ = false;

    TransferRouter::Ticket pendingStart_ = 0;  // until the device answered the start
    std::int32_t transferHandle_ = 0;
    std::int64_t transferTotal_ = 0;
    std::int64_t transferReceived_ = 0;
    std::int64_t lastReceived_ = 0;
    bool transferFinished_ = false;
    QString saveDirectory_;
    QString transferPath_;
    QString convertSource_;
    bool convertPending_ = false;
    bool converting_ = false;
};

}  // namespace strovik
