#include "gui/RemotePlaybackFixture.h"

namespace strovik {
namespace {

using test::FrameFile;
using test::kDeadlineMs;
using test::kFrameRecord;
using test::kPlainRecord;
using test::RemotePlaybackTest;

TEST_F(RemotePlaybackTest, AFrameFormatRecordPlaysPacedInThePickedWindowAndEndsIdleAndConverted) {
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 1));
    ASSERT_EQ(tcp->remoteFileRequests().size(), 1u);
    const RemoteFileRequest request = tcp->remoteFileRequests()[0];
    const QString temp = drive + QStringLiteral("Temp/xPlayerVideo[65].264");
    EXPECT_EQ(request.remoteFileName, kFrameRecord.toStdString());
    EXPECT_EQ(QString::fromStdString(request.localFilePath), temp);
    EXPECT_EQ(request.host, "127.0.0.5");
    EXPECT_EQ(request.port, 7050);
    EXPECT_TRUE(QFileInfo(drive + QStringLiteral("Temp")).isDir()) << "the library needs the folder";
    EXPECT_EQ(window(0).state(), ViewState::Playback);
    EXPECT_EQ(form->grid().selected(), 0);

    // A sound frame before the first key frame; a picture before it too; then 40 ms apart.
    deliverFile(1, temp,
                FrameFile({{FrameType::Audio, 900},
                           {FrameType::Picture, 950},
                           {FrameType::Key, 1000},
                           {FrameType::Picture, 1040},
                           {FrameType::Audio, 1050},
                           {FrameType::Picture, 1080}}));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(0); }, kDeadlineMs));
    const auto opened = playerCalls("X_Play_DVROpenStream");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].port, 65);
    EXPECT_EQ(opened[0].value, 1) << "a sound frame was seen while opening";
    EXPECT_EQ(ReadFrameHeader(opened[0].data.data()).type, FrameType::Picture) << "the first picture header";
    std::vector<std::int32_t> fed;
    for (const auto& call : playerCalls("X_Play_DVRInputData")) {
        fed.push_back(call.value);
        EXPECT_EQ(call.data.size(), 112u) << "body + 12";
    }
    EXPECT_EQ(fed, (std::vector<std::int32_t>{FrameType::Key, FrameType::Picture, FrameType::Picture}));
    EXPECT_GE(clock.elapsed(), 70) << "frames 40 ms apart are paced";
    EXPECT_TRUE(window(0).statusText().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playerCalls("X_Play_DVRtoAVI").empty(); }, kDeadlineMs));
    EXPECT_EQ(playerCalls("X_Play_DVRtoAVI")[0].fileName, temp.toStdString());
    EXPECT_EQ(playerCalls("X_Play_DVRtoAVI")[0].value, 2);
    EXPECT_FALSE(playerCalls("X_Play_CloseStream").empty());
}

TEST_F(RemotePlaybackTest, AFrameFormatEndWaitsUntilThePlayerShowsTheLastPictureOrStopsMoving) {
    // Pictures at 0, 40 and 80 ms of the recording; the player is still showing the first.
    player->setResult("X_Play_GetPlayedTime", 0);
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 1));
    deliverFile(1, drive + QStringLiteral("Temp/xPlayerVideo[65].264"),
                FrameFile({{FrameType::Key, 1000}, {FrameType::Picture, 1040}, {FrameType::Picture, 1080}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playerCalls("X_Play_DVRInputData").size() == 3; }, kDeadlineMs));
    for (int shown = 10; shown < 80; shown += 10) {
        player->setResult("X_Play_GetPlayedTime", shown);
        QTest::qWait(200);
        ASSERT_FALSE(idle(0)) << "a player still moving at " << shown << " ms is waited for";
    }
    player->setResult("X_Play_GetPlayedTime", 80);
    EXPECT_TRUE(QTest::qWaitFor([&] { return idle(0); }, 1000)) << "the last picture fed was shown";

    // A player that stops short of the last picture (a decoder keeping it back) ends it as well.
    player->setResult("X_Play_GetPlayedTime", 40);
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 2));
    deliverFile(2, drive + QStringLiteral("Temp/xPlayerVideo[65].264"),
                FrameFile({{FrameType::Key, 1000}, {FrameType::Picture, 1040}, {FrameType::Picture, 1080}}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return idle(0); }, 5000)) << "well before the longest wait";
}

TEST_F(RemotePlaybackTest, APlainRecordPlaysInTheNextIdleWindowWithFlowControl) {
    form->grid().view(0)->StartRemotePlayback(TFileInfo{kFrameRecord, QStringLiteral("127.0.0.5")}, 7050);
    // The starts run on background calls: the first must have its handle before the second asks.
    ASSERT_TRUE(transferStarted(0, 1));
    player->setResult("X_Play_GetFileHeadLength", 8);
    player->setResult("X_Play_InputData", 1);
    Q_EMIT form->fileList().playRequested(kPlainRecord);
    ASSERT_TRUE(transferStarted(1, 2));
    ASSERT_EQ(tcp->remoteFileRequests().size(), 2u);
    const QString temp = drive + QStringLiteral("Temp/xPlayerVideo[66].MP4");
    EXPECT_EQ(QString::fromStdString(tcp->remoteFileRequests()[1].localFilePath), temp);
    EXPECT_EQ(form->grid().selected(), 1);
    EXPECT_EQ(window(1).state(), ViewState::Playback);

    deliverFile(2, temp, QByteArray(8 + 4096 + 4096 + 100, 'x'));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playerCalls("X_Play_InputData").size() == 3; }, kDeadlineMs));
    EXPECT_EQ(playerCalls("X_Play_OpenStream")[0].data.size(), 8u);
    EXPECT_EQ(playerCalls("X_Play_InputData")[2].data.size(), 100u);
    EXPECT_EQ(playerCalls("X_Play_SetSourceBufCallBack")[0].value, 10240);
    // The end waits for the player to use up its data, which the buffer callback tells.
    EXPECT_EQ(window(1).state(), ViewState::Playback);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            player->fireSourceBufferCallback(66, 0);
            return idle(1);
        },
        kDeadlineMs));
    EXPECT_EQ(window(0).state(), ViewState::Playback) << "the other window plays on";
}

TEST_F(RemotePlaybackTest, DeviceFailuresShowTheirMessageAndStopTheWindow) {
    struct Case {
        std::int32_t error;
        const char* message;  // empty: a status text instead
    };
    const Case cases[] = {{TransferFailure::NoSuchFile, "File not Exists！"},
                          {TransferFailure::CannotOpen, "Record File Open Failed！"},
                          {TransferFailure::ConnectionLost, ""}};
    std::int32_t handle = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ui.messages.clear();
        Q_EMIT form->fileList().playRequested(kFrameRecord);
        ++handle;
        ASSERT_EQ(window(0).state(), ViewState::Playback);
        notify(handle, TransferCode::Failed, 0, c.error);
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle(0); }, kDeadlineMs));
        if (*c.message != '\0') {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(lastMessage(), QString::fromUtf8(c.message));
            EXPECT_EQ(ui.messages.back().request.caption, QStringLiteral("StrovikForm"));
        } else {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(window(0).statusText(), QStringLiteral("Record File Open Failed！"));
        }
    }
}

TEST_F(RemotePlaybackTest, AStartTheDeviceRefusesOrThatIsStoppedBeforeItsAnswerLeavesTheWindowIdle) {
    tcp->queueRemoteFileAnswer(0);
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    EXPECT_EQ(window(0).state(), ViewState::Playback) << "the window waits for the device off the GUI thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(0); }, kDeadlineMs));
    EXPECT_EQ(window(0).statusText(), QStringLiteral("Record File Open Failed！"));

    Q_EMIT form->fileList().playRequested(kFrameRecord);
    form->grid().StopWindow(1);
    EXPECT_TRUE(idle(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tcp->stoppedTransfers().empty(); }, kDeadlineMs))
        << "the transfer that nobody follows any more is stopped when it answers";
    EXPECT_EQ(tcp->stoppedTransfers(), (std::vector<std::int32_t>{2}));
    EXPECT_TRUE(idle(0));
}

TEST_F(RemotePlaybackTest, MessagesOfAnEarlierPlaybackInTheWindowAreIgnored) {
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 1));
    // Opening another record in the same (selected, enlarged-less, only idle-less) window reuses it.
    form->grid().SetLayout(1);
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 2));
    ASSERT_EQ(tcp->remoteFileRequests().size(), 2u);
    EXPECT_EQ(tcp->stoppedTransfers(), (std::vector<std::int32_t>{1}));
    window(0).playback().TransferFailed(1, TransferFailure::NoSuchFile);
    notify(1, TransferCode::Failed, 0, TransferFailure::NoSuchFile);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(window(0).state(), ViewState::Playback);
    EXPECT_EQ(window(0).playback().transferHandle(), 2);
}

TEST_F(RemotePlaybackTest, AStopWhileTheFileIsAwaitedEndsTransferAndThreadAtOnce) {
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    notify(1, TransferCode::Begin, 0, 5000000);
    notify(1, TransferCode::Block, 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window(0).playback().hasPlayThread(); }, kDeadlineMs));
    EXPECT_EQ(window(0).playback().transferTotal(), 5000000);
    EXPECT_EQ(window(0).playback().transferReceived(), 1000);
    QElapsedTimer clock;
    clock.start();
    form->grid().StopWindow(1);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(idle(0));
    EXPECT_FALSE(window(0).playback().hasPlayThread());
    EXPECT_EQ(tcp->stoppedTransfers(), (std::vector<std::int32_t>{1}));
    EXPECT_TRUE(playerCalls("X_Play_DVROpenStream").empty());
}

TEST_F(RemotePlaybackTest, ARecordThatCannotBePlayedReturnsTheWindowToIdleWithAStatusText) {
    struct Case {
        const char* name;
        QByteArray file;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"no picture frame", FrameFile({{FrameType::Audio, 1}, {FrameType::Audio, 2}})},
        {"damaged length", FrameFile({{FrameType::Key, 1, 102385}})},
    };
    std::int32_t handle = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Q_EMIT form->fileList().playRequested(kFrameRecord);
        deliverFile(++handle, drive + QStringLiteral("Temp/xPlayerVideo[65].264"), c.file);
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle(0); }, kDeadlineMs));
        EXPECT_EQ(window(0).statusText(), QStringLiteral("Record File Open Failed！"));
    }
    EXPECT_TRUE(playerCalls("X_Play_DVRInputData").empty());
}

// --- download ---

class DownloadTest : public RemotePlaybackTest {
protected:
    TFormDownLoad* backup(const QString& name, const QString& target) {
        ui.saveFileAnswer = target;
        Q_EMIT form->fileList().backupRequested(name);
        TFormDownLoad* dialog = form->downloadDialog();
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return tcp->remoteFileRequests().size() > requestsSeen; },
                                        kDeadlineMs));
            requestsSeen = tcp->remoteFileRequests().size();
            // The handle reaches the dialog a turn after the library answered.
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialogGone() || dialog->transferHandle() != 0; }, kDeadlineMs));
        }
        return dialog;
    }
    bool dialogGone() { return form->downloadDialog() == nullptr; }
    std::size_t requestsSeen = 0;
};

TEST_F(DownloadTest, AFrameFormatDownloadShowsProgressThenConvertsAndDeletesTheRawFile) {
    const QString target = dir.path() + QStringLiteral("saved.avi");
    TFormDownLoad* dialog = backup(kFrameRecord, target);
    ASSERT_NE(dialog, nullptr);
    const RemoteFileRequest request = tcp->remoteFileRequests()[0];
    EXPECT_EQ(QString::fromStdString(request.localFilePath), target + QStringLiteral("1.part"))
        << "under a partial name until the copy is whole";
    EXPECT_EQ(request.port, 7050);
    EXPECT_EQ(dialog->LabelDownFrom->text(), QStringLiteral("20240102030405_S_03.264  from  127.0.0.5"));
    EXPECT_TRUE(dialog->convertPending());
    EXPECT_EQ(dialog->font().family(), form->state().language.languageFontName) << "the language file's font";
    EXPECT_EQ(dialog->font().pointSize(), form->state().language.languageFontSize);
    EXPECT_FALSE(dialog->Image1->pixmap().isNull());

    dir.write(QStringLiteral("saved.avi1.part"), QByteArray(614400, 'x'));
    notify(1, TransferCode::Begin, 0, 1048576);
    notify(1, TransferCode::Block, 614400);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->LabelSpeed->text().isEmpty(); }, kDeadlineMs));
    EXPECT_EQ(dialog->LabelRemainderTimes->text(), QStringLiteral("(COPIED 600.00  KB , TOTAL 1024.00  KB)"));
    EXPECT_EQ(dialog->LabelSpeed->text(), QStringLiteral("1200.00  KB/s"));
    EXPECT_FALSE(dialog->BtnOpenDir->isEnabled());

    notify(1, TransferCode::Complete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->BtnOpenDir->isEnabled(); }, kDeadlineMs));
    const auto converted = player->callsNamed("X_Play_DVRtoAVI");
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(QString::fromStdString(converted[0].fileName), target + QLatin1Char('1'));
    EXPECT_EQ(converted[0].value, 1);
    EXPECT_FALSE(QFileInfo::exists(target + QLatin1Char('1'))) << "the raw file is deleted";
    EXPECT_TRUE(dialog->Panel1->isHidden());
    EXPECT_EQ(dialog->BtnCancel->text(), QStringLiteral("Close"));
    QTest::mouseClick(dialog->BtnOpenDir, Qt::LeftButton);
    EXPECT_EQ(ui.openedPaths, (std::vector<QString>{QFileInfo(target).absolutePath()}));
    QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
    EXPECT_EQ(player->callsNamed("X_Play_DVRtoAVI").size(), 1u) << "not converted twice";
}

TEST_F(DownloadTest, ClosingWhileTransferringStopsTheTransfer) {
    TFormDownLoad* dialog = backup(kPlainRecord, dir.path() + QStringLiteral("cam3.MP4"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->LabelDownFrom->text(), QStringLiteral("cam3-20240102.MP4  from  127.0.0.5"));
    dir.write(QStringLiteral("cam3.MP4.part"), QByteArray(4096, 'x'));
    notify(1, TransferCode::Begin, 0, 100000);
    notify(1, TransferCode::Block, 4096);
    QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
    EXPECT_EQ(tcp->stoppedTransfers(), (std::vector<std::int32_t>{1}));
    EXPECT_TRUE(player->callsNamed("X_Play_DVRtoAVI").empty());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("cam3.MP4"))) << "a cut-short copy keeps its partial name";
    notify(1, TransferCode::Block, 4096);  // late: nobody receives it
    QCoreApplication::processEvents();
}

TEST_F(DownloadTest, DeviceErrorsShowTheirMessageAndCloseWithoutConverting) {
    struct Case {
        std::int32_t error;
        const char* message;
    };
    const Case cases[] = {{TransferFailure::NoSuchFile, "FILE NOT EXISTS!"},
                          {TransferFailure::CannotOpen, "OPEN FILE FAILED"},
                          {TransferFailure::LocalWrite, "OPEN FILE FAILED"}};
    std::int32_t handle = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ui.messages.clear();
        const QString target = dir.path() + QStringLiteral("x.264");
        ASSERT_NE(backup(kFrameRecord, target), nullptr);
        dir.write(QStringLiteral("x.264.part"), QByteArray(10, 'x'));
        notify(++handle, TransferCode::Failed, 0, c.error);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(lastMessage(), QString::fromUtf8(c.message));
        EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".part")))
            << "no partial file is left to pass for the recording";
        EXPECT_FALSE(QFileInfo::exists(target));
    }
    EXPECT_TRUE(player->callsNamed("X_Play_DVRtoAVI").empty());
}

TEST_F(DownloadTest, AStartTheDeviceRefusesTellsSoAndClosesTheDialog) {
    tcp->queueRemoteFileAnswer(0);
    ui.saveFileAnswer = dir.path() + QStringLiteral("refused.MP4");
    Q_EMIT form->fileList().backupRequested(kPlainRecord);
    ASSERT_NE(form->downloadDialog(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
    EXPECT_EQ(lastMessage(), QStringLiteral("Download connect failed!"));
}

TEST_F(DownloadTest, ATransferCompletingWithoutDataShowsTheCompletion) {
    TFormDownLoad* dialog = backup(kPlainRecord, dir.path() + QStringLiteral("empty.MP4"));
    ASSERT_NE(dialog, nullptr);
    dialog->CheckBoxClose->setChecked(false);
    notify(1, TransferCode::Begin, 0, 0);
    notify(1, TransferCode::Complete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->BtnOpenDir->isEnabled(); }, kDeadlineMs));
    EXPECT_TRUE(dialog->Panel1->isHidden());
}

TEST_F(DownloadTest, ACancelledSaveDialogOrAnUnwritableFolderClosesTheDialog) {
    ui.saveFileAnswer.clear();
    Q_EMIT form->fileList().backupRequested(kPlainRecord);
    ASSERT_NE(form->downloadDialog(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
    EXPECT_TRUE(ui.messages.empty());

    ui.saveFileAnswer = dir.path() + QStringLiteral("missing/folder/x.MP4");
    Q_EMIT form->fileList().backupRequested(kPlainRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogGone(); }, kDeadlineMs));
    EXPECT_EQ(lastMessage(), QStringLiteral("OPEN FILE FAILED"));
    EXPECT_TRUE(tcp->remoteFileRequests().empty());
}

}  // namespace
}  // namespace strovik
