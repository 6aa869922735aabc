#include "recordings/FormDownLoad.h"

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "liveview/LiveStartRecords.h"
#include "platform/BackgroundCalls.h"
#include "platform/CallbackRelay.h"
#include "platform/NamedControls.h"
#include "platform/StringTable.h"
#include "platform/UiServices.h"
#include "recordings/DownloadNaming.h"
#include "recordings/PlaybackFiles.h"
#include "recordings/TransferMessages.h"
#include "recordings/TransferRouter.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace strovik {

namespace {

constexpr int kTickMs = 500;
constexpr int kSelfCloseMs = 100;
constexpr int kTargetLabelWidth = 280;
constexpr int kShortDirectoryLength = 14;
constexpr std::int32_t kConvertAfterDownload = 1;

namespace Text {
constexpr int Caption = 2001;
constexpr int Download = 2002;
constexpr int From = 2003;
constexpr int Complete = 2004;
constexpr int Progress = 2005;
constexpr int SaveTo = 2006;
constexpr int Speed = 2007;
constexpr int CloseWhenDone = 2008;
constexpr int OpenFolder = 2009;
constexpr int Cancel = 2010;
constexpr int Close = 2011;
constexpr int ConnectFailed = 2101;
constexpr int Total = 2102;
constexpr int Copied = 2103;
constexpr int OpenFailed = 2104;
constexpr int NoSuchFile = 2105;
}  // namespace Text

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
    QLabel* control = MakeControl<QLabel>(parent, name, caption);
    control->setGeometry(place);
    return control;
}

}  // namespace

TFormDownLoad::TFormDownLoad(const DownloadServices& services, QWidget* parent)
    : QDialog(parent), services_(services), relay_(std::make_shared<CallbackRelay>(this)) {
    setObjectName(QStringLiteral("FormDownLoad"));
    setWindowTitle(QStringLiteral("文件下载"));
    setFixedSize(400, 300);
    createControls();
    Timer1.setInterval(kTickMs);
    connect(&Timer1, &QTimer::timeout, this, &TFormDownLoad::Timer1Timer);
    Timer2.setInterval(kSelfCloseMs);
    Timer2.setSingleShot(true);
    connect(&Timer2, &QTimer::timeout, this, &TFormDownLoad::Timer2Timer);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormDownLoad::BtnCancelClick);
    connect(BtnOpenDir, &QPushButton::clicked, this, &TFormDownLoad::BtnOpenDirClick);
}

TFormDownLoad::~TFormDownLoad() {
    FormClose();
}

void TFormDownLoad::createControls() {
    Animate1 = MakeControl<QProgressBar>(this, "Animate1");
    Animate1->setGeometry(20, 10, 360, 20);
    Animate1->setRange(0, 0);
    Animate1->setTextVisible(false);
    Animate1->hide();
    ImageDownComplete = label(this, "ImageDownComplete", {}, {20, 40, 48, 48});
    ImageDownComplete->setPixmap(services_.completePicture);
    LabelDownComplete = label(this, "LabelDownComplete", QStringLiteral("下载完毕"), {80, 55, 300, 20});
    // Covers the completion picture and text until the download is done.
    Panel1 = MakeControl<QFrame>(this, "Panel1");
    Panel1->setGeometry(10, 36, 380, 56);
    Panel1->setAutoFillBackground(true);
    Image1 = label(Panel1, "Image1", {}, {10, 4, 48, 48});
    Image1->setPixmap(services_.copyingPicture);
    LabDown = label(this, "LabDown", QStringLiteral("下载："), {20, 100, 80, 20});
    LabelDownFrom = label(this, "LabelDownFrom", {}, {100, 100, 290, 20});
    ProgressBar1 = MakeControl<QProgressBar>(this, "ProgressBar1");
    ProgressBar1->setGeometry(20, 125, 360, 18);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    LabRemainTime = label(this, "LabRemainTime", QStringLiteral("估计剩余时间："), {20, 150, 100, 20});
    LabelRemainderTimes = label(this, "LabelRemainderTimes", QStringLiteral("未知"), {120, 150, 270, 20});
    LabSaveTo = label(this, "LabSaveTo", QStringLiteral("下载到："), {20, 172, 100, 20});
    LabelSaveHere = label(this, "LabelSaveHere", QStringLiteral("未知"), {120, 172, 270, 20});
    LabDownSpeed = label(this, "LabDownSpeed", QStringLiteral("传输速度："), {20, 194, 100, 20});
    LabelSpeed = label(this, "LabelSpeed", QStringLiteral("未知"), {120, 194, 270, 20});
    CheckBoxClose = MakeControl<QCheckBox>(this, "CheckBoxClose", QStringLiteral("下载完毕后关闭该对话框"));
    CheckBoxClose->setGeometry(20, 220, 360, 20);
    BtnOpenDir = MakeControl<QPushButton>(this, "BtnOpenDir", QStringLiteral("打开文件夹"));
    BtnOpenDir->setGeometry(180, 258, 100, 26);
    BtnOpenDir->setEnabled(false);
    BtnCancel = MakeControl<QPushButton>(this, "BtnCancel", QStringLiteral("取消"));
    BtnCancel->setGeometry(290, 258, 90, 26);
}

QString TFormDownLoad::text(int id) const {
    return services_.strings->Lookup(id);
}

void TFormDownLoad::applyCaptions() {
    if (!services_.languageLoaded) return;
    setFont(services_.font);
    setWindowTitle(text(Text::Caption));
    LabelDownComplete->setText(text(Text::Complete));
    LabDown->setText(text(Text::Download));
    LabRemainTime->setText(text(Text::Progress));
    LabSaveTo->setText(text(Text::SaveTo));
    LabDownSpeed->setText(text(Text::Speed));
    CheckBoxClose->setText(text(Text::CloseWhenDone));
    BtnOpenDir->setText(text(Text::OpenFolder));
    BtnCancel->setText(text(Text::Cancel));
}

void TFormDownLoad::showMessage(int id) {
    ShowTransferMessage(*services_.ui, this, text(id));
}

void TFormDownLoad::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // After the dialog is on the screen: the save dialog opens over it.
    QTimer::singleShot(0, this, &TFormDownLoad::FormShow);
}

void TFormDownLoad::FormShow() {
    applyCaptions();
    LabelRemainderTimes->clear();
    LabelSaveHere->clear();
    LabelSpeed->clear();
    if (remoteAddress.trimmed().isEmpty()) {
        Timer2.start();
        return;
    }
    const bool frameFormat = IsFrameFormatRecording(remoteName);
    const QString proposed = DefaultDownloadName(remoteName);
    LabelDownFrom->setText(proposed + QLatin1String("  ") + text(Text::From) + QLatin1String("  ") +
                           remoteAddress);

    const QString chosen = services_.ui->AskSaveFileName(this, windowTitle(), proposed, QString());
    if (chosen.isEmpty()) {
        Timer2.start();
        return;
    }
    const QFileInfo target(chosen);
    saveDirectory_ = target.absolutePath();
    LabelSaveHere->setText(chosen);
    if (LabelSaveHere->fontMetrics().horizontalAdvance(chosen) > kTargetLabelWidth)
        LabelSaveHere->setText(saveDirectory_.left(kShortDirectoryLength) + QLatin1String("...\\") +
                               target.fileName());
    transferPath_ = DownloadTransferPath(chosen, frameFormat);
    if (frameFormat) convertSource_ = transferPath_;

    // A folder the library cannot write to would only fail inside it, without a word.
    if (!QFileInfo(saveDirectory_).isDir() || !QFileInfo(saveDirectory_).isWritable()) {
        showMessage(Text::OpenFailed);
        Timer2.start();
        return;
    }
    const std::string host = PrepareLibraryAddress(remoteAddress);
    // Connecting may take the library's whole timeout on a dead host: the dialog stays live.
    Animate1->show();
    pendingStart_ = services_.transfers->StartTransfer(
        RemoteFileRequest{remoteName.toStdString(), PartialCopyPath(transferPath_).toStdString(), host, remotePort},
        relay_,
        [this](const TransferNotification& notification) { HandleTransferNotification(notification); },
        [this, host, frameFormat](std::int32_t handle) { TransferStarted(handle, host, frameFormat); });
}

void TFormDownLoad::TransferStarted(std::int32_t handle, const std::string& host, bool frameFormat) {
    pendingStart_ = 0;
    if (handle < 1) {
        Animate1->hide();
        if (!ReportOfflineDomain(*services_.ui, this, *services_.strings, host, remoteAddress))
            showMessage(Text::ConnectFailed);
        Timer2.start();
        return;
    }
    transferHandle_ = handle;
    convertPending_ = frameFormat;
}

void TFormDownLoad::HandleTransferNotification(const TransferNotification& notification) {
    // Notifications queued before the close stopped the transfer.
    if (closed_) return;
    switch (notification.code) {
        case TransferCode::Begin:
            ProgressBar1->setRange(0, std::max(notification.value, 0));
            transferTotal_ = notification.value;
            transferReceived_ = 0;
            transferFinished_ = false;
            break;
        case TransferCode::Complete:
            stopTransfer();
            if (!takeFinishedCopy()) {
                showMessage(Text::OpenFailed);
                close();
                return;
            }
            transferFinished_ = true;
            // Without any data block the tick never started: show the completion now.
            if (!Timer1.isActive()) Timer1Timer();
            break;
        case TransferCode::Block:
            transferReceived_ += notification.count;
            Animate1->show();
            if (!Timer1.isActive()) Timer1.start();
            break;
        case TransferCode::Failed:
            TransferFailed(transferHandle_, notification.value);
            break;
        default:
            break;
    }
}

void TFormDownLoad::Timer1Timer() {
    if (static_cast<std::uint64_t>(transferReceived_) <= static_cast<std::uint64_t>(transferTotal_)) {
        ProgressBar1->setValue(static_cast<int>(transferReceived_));
        LabelRemainderTimes->setText(DownloadAmountLine(static_cast<std::uint64_t>(transferReceived_),
                                                        static_cast<std::uint64_t>(transferTotal_),
                                                        text(Text::Copied), text(Text::Total)));
        LabelSpeed->setText(DownloadSpeedLine(static_cast<std::uint64_t>(transferReceived_ - lastReceived_)));
        lastReceived_ = transferReceived_;
    }
    if (!transferFinished_) return;
    Timer1.stop();
    if (!convertPending_) {
        showCompletion();
        return;
    }
    convertPending_ = false;
    convert([this](bool converted) {
        if (!converted) {
            // The raw download stays: nothing is presented as converted.
            showMessage(Text::OpenFailed);
            close();
            return;
        }
        showCompletion();
    });
}

void TFormDownLoad::showCompletion() {
    Animate1->hide();
    Panel1->hide();
    BtnOpenDir->setEnabled(true);
    BtnCancel->setText(services_.languageLoaded ? text(Text::Close) : QStringLiteral("关闭"));
    if (CheckBoxClose->isChecked()) close();
}

void TFormDownLoad::convert(std::function<void(bool converted)> finished) {
    converting_ = true;
    Animate1->show();
    StreamPlayerLibrary* player = services_.streamPlayer;
    const std::string source = convertSource_.toStdString();
    const QString sourcePath = convertSource_;
    // The raw file goes with the conversion, even when the dialog has closed in the meantime.
    services_.calls->run<bool>(
        this,
        [player, source, sourcePath] {
            const bool converted = player->X_Play_DVRtoAVI(source, kConvertAfterDownload) != 0;
            if (converted) QFile::remove(sourcePath);
            return converted;
        },
        [this, finished = std::move(finished)](bool converted) {
            converting_ = false;
            if (finished) finished(converted);
        });
}

void TFormDownLoad::TransferFailed(std::int32_t handle, std::int32_t error) {
    if (handle <= 0 || handle != transferHandle_) return;
    stopTransfer();
    convertPending_ = false;
    if (error == TransferFailure::NoSuchFile) {
        showMessage(Text::NoSuchFile);
    } else if (error == TransferFailure::CannotOpen || error == TransferFailure::LocalWrite) {
        showMessage(Text::OpenFailed);
    } else {
        showMessage(Text::ConnectFailed);
    }
    // What the failed transfer left (at most a cut-off copy) must not pass for the recording.
    QFile::remove(PartialCopyPath(transferPath_));
    close();
}

bool TFormDownLoad::takeFinishedCopy() {
    const QString part = PartialCopyPath(transferPath_);
    if (!QFileInfo::exists(part)) {
        // Renamed already, or a transfer with nothing in it: an empty recording.
        QFile empty(transferPath_);
        return empty.exists() || empty.open(QIODevice::WriteOnly);
    }
    // The save dialog has asked before replacing a file of that name.
    if (QFileInfo::exists(transferPath_)) QFile::remove(transferPath_);
    return QFile::rename(part, transferPath_);
}

void TFormDownLoad::stopTransfer() {
    if (pendingStart_ != 0) {
        services_.transfers->CancelStart(pendingStart_);
        pendingStart_ = 0;
    }
    if (transferHandle_ == 0) return;
    const std::int32_t handle = transferHandle_;
    transferHandle_ = 0;
    services_.transfers->Unroute(handle);
    services_.transfers->library().NV_StopGetRemoteFile(handle);
}

void TFormDownLoad::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormDownLoad::FormClose() {
    if (closed_) return;
    closed_ = true;
    Animate1->hide();
    Timer1.stop();
    Timer2.stop();
    stopTransfer();
    if (convertPending_) {
        // A download cut short is converted as far as it got. A plain copy cut short keeps its
        // partial name: nothing passes for the whole recording.
        convertPending_ = false;
        if (takeFinishedCopy()) convert({});
    }
}

void TFormDownLoad::Timer2Timer() {
    Timer2.stop();
    close();
}

void TFormDownLoad::BtnCancelClick() {
    close();
}

void TFormDownLoad::BtnOpenDirClick() {
    services_.ui->OpenWithShell(saveDirectory_);
}

}  // namespace strovik
