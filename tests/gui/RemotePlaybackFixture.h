#pragma once

// The main window with the library doubles, as remote playback's GUI tests drive it: recordings
// requested from the list, transfers delivered as the library would, the player's calls.
#include "app/StrovikForm.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/wire/TransferNotification.h"
#include "doubles/ScriptedUiServices.h"
#include "doubles/WindowServices.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "platform/AudioMixer.h"
#include "recordings/FormDownLoad.h"
#include "recordings/RecordFileList.h"
#include "recordings/RemotePlayback.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace strovik::test {

inline constexpr int kDeadlineMs = 10000;
inline const QString kFrameRecord = QStringLiteral("LDVR_1_20240102030405_20240102031405_2_0_.264");
inline const QString kPlainRecord = QStringLiteral("/rec/ch3/cam3-20240102.MP4");

struct Frame {
    std::uint8_t type;
    std::uint32_t stamp;
    std::uint32_t bodyLength = 100;
};

inline QByteArray FrameFile(const std::vector<Frame>& frames) {
    QByteArray file;
    for (const Frame& frame : frames) {
        std::array<std::uint8_t, kFrameHeaderBytes> header{};
        WriteFrameHeader(header.data(), FrameHeader{frame.bodyLength, frame.stamp, frame.type});
        file.append(reinterpret_cast<const char*>(header.data()), header.size());
        file.append(QByteArray(static_cast<qsizetype>(frame.bodyLength), static_cast<char>(frame.type)));
    }
    return file;
}

class RemotePlaybackTest : public ::testing::Test {
protected:
    RemotePlaybackTest() {
        QDir().mkpath(appDir);
        EXPECT_TRUE(
            QFile::copy(QStringLiteral(STROVIK_LANG_DIR "/1033.ini"), appDir + QStringLiteral("1033.ini")));
        qputenv("STROVIK_DRIVE", drive.toUtf8());
        form = std::make_unique<TStrovikForm>(test::WindowServices(dir, appDir, ui, {tcp, nullptr, video, player, nullptr}));
        form->state().resultAddress = QStringLiteral("127.0.0.5");
        form->state().currentPort = 5050;
    }
    ~RemotePlaybackTest() override {
        ui.defaultAnswer = MessageAnswer::Yes;
        form.reset();
        qunsetenv("STROVIK_DRIVE");
    }

    void notify(std::int32_t handle, std::int32_t code, std::int32_t count = 0, std::int32_t value = 0) {
        const TransferNotification message = MakeTransferNotification(code, count, value);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&message);
        tcp->deliverReceive(handle, std::vector<std::uint8_t>(bytes, bytes + sizeof message));
    }
    // What the library does for a whole transfer: the file, then its notifications.
    void deliverFile(std::int32_t handle, const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        notify(handle, TransferCode::Begin, 0, static_cast<std::int32_t>(bytes.size()));
        notify(handle, TransferCode::Block, static_cast<std::int32_t>(bytes.size()));
        notify(handle, TransferCode::Complete);
    }
    std::vector<RecordingStreamPlayerLibrary::Call> playerCalls(const char* name) const {
        return player->callsNamed(name);
    }
    TMyView& window(int index) { return *form->grid().view(index); }
    // The transfer starts on a background call; the window learns its handle a turn later.
    bool transferStarted(int index, std::int32_t handle) {
        return QTest::qWaitFor([&] { return window(index).playback().transferHandle() == handle; },
                               kDeadlineMs);
    }
    bool idle(int index) { return window(index).state() == ViewState::Idle; }
    QString lastMessage() const { return ui.messages.empty() ? QString() : ui.messages.back().request.text; }

    test::TempDir dir;
    QString appDir = dir.path() + QStringLiteral("app/");
    QString drive = dir.path() + QStringLiteral("drive/");
    std::shared_ptr<RecordingTcpClientLibrary> tcp = std::make_shared<RecordingTcpClientLibrary>();
    std::shared_ptr<RecordingVideoClientLibrary> video = std::make_shared<RecordingVideoClientLibrary>();
    std::shared_ptr<RecordingStreamPlayerLibrary> player = std::make_shared<RecordingStreamPlayerLibrary>();
    test::ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

}  // namespace strovik::test
