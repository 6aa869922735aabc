// Files the program writes survive the program being killed (SIGKILL, a power cut of the process):
// a recording keeps what it had a second before and plays, a download never leaves a file that
// passes for the whole recording, and the device list is the old one or the new one, never a mix.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "MediaProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <thread>

namespace strovik {
namespace {

using namespace std::chrono_literals;
using devsim::DevsimProcess;
using test::DeviceSection;
using test::ReadWholeFile;
using test::TempDir;

constexpr int kStartMs = 20000;

// Starts the victim and waits for the line that says its work is under way.
bool StartVictim(QProcess& victim, const QStringList& arguments, const char* line) {
    victim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    victim.start(QStringLiteral(STROVIK_CRASH_VICTIM), arguments);
    QElapsedTimer clock;
    clock.start();
    QByteArray said;
    while (clock.elapsed() < kStartMs && victim.state() != QProcess::NotRunning) {
        victim.waitForReadyRead(100);
        said += victim.readAllStandardOutput();
        if (said.contains(line)) return true;
    }
    return false;
}

void Kill(QProcess& victim) {
    ASSERT_EQ(::kill(static_cast<pid_t>(victim.processId()), SIGKILL), 0);
    ASSERT_TRUE(victim.waitForFinished(10000));
    EXPECT_EQ(victim.exitStatus(), QProcess::CrashExit);
}

QString DeviceList(int devices, const QString& addressPrefix, int port) {
    QString text;
    for (int i = 0; i < devices; ++i)
        text += QStringLiteral("[Device %1]\nAddr=%2%3\nPort=%4\nChnCount=4\nNetType=1\nServerType=2\nDeviceType=1\n"
                               "User=admin\nPwd=secret%1\nAutoSearch=0\n")
                    .arg(i)
                    .arg(addressPrefix)
                    .arg(i % 250)
                    .arg(port);
    return text;
}

TEST(CrashSafetyE2E, ARecordingKilledMidwayKeepsAllButItsLastSecondAndPlays) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(DeviceSection(QStringLiteral("dvr"), devsim.address(2),
                                           QStringLiteral("Channels=1\nUser1=admin\nPassword1=admin\nRights1=58\n"))))
        << devsim.errorString().toStdString();
    TempDir dir;
    const QString file = dir.file(QStringLiteral("killed.avi"));
    QProcess victim;
    ASSERT_TRUE(StartVictim(victim, {QStringLiteral("record"), QString::fromStdString(devsim.address(2)), file},
                            "recording"));
    // The capture starts at the next key frame (at most 2 s away); 5 s then hold at least 3 s of
    // pictures, of which no more than the last second may be lost.
    std::this_thread::sleep_for(5s);
    Kill(victim);

    const test::MediaProbe probe = test::ProbeMediaFile(file.toStdString());
    ASSERT_TRUE(probe.opened) << "a killed recording still opens";
    EXPECT_EQ(probe.videoCodec, "h264");
    EXPECT_GE(probe.videoPackets, 2 * 25) << probe.videoPackets;
    EXPECT_GE(probe.decodedPictures, probe.videoPackets - 2) << "and plays";
}

TEST(CrashSafetyE2E, ADownloadKilledMidwayLeavesNoFileThatPassesForTheRecording) {
    DevsimProcess devsim;
    const QString name = QStringLiteral("LDVR_1_20240301080000_20240301083000_0_0_.264");
    ASSERT_TRUE(devsim.start(DeviceSection(
        QStringLiteral("dvr"), devsim.address(2),
        QStringLiteral("Channels=1\nUser1=admin\nPassword1=admin\nRights1=58\nRecordings=recordings\n"
                       "RecordingContentSeconds=20\nTransferRate=100000\nTransferBlock=16384\n"
                       "Recording1=%1, 2024-03-01 08:00:00, 2024-03-01 08:30:00, 1, auto\n")
            .arg(name))))
        << devsim.errorString().toStdString();
    TempDir dir;
    const QString target = dir.file(QStringLiteral("saved.avi"));
    QProcess victim;
    ASSERT_TRUE(StartVictim(
        victim, {QStringLiteral("download"), QString::fromStdString(devsim.address(2)), name, target},
        "transferring"));
    std::this_thread::sleep_for(1s);
    Kill(victim);

    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("1.part"))) << "what arrived is kept, as partial";
    EXPECT_FALSE(QFileInfo::exists(target)) << "no AVI";
    EXPECT_FALSE(QFileInfo::exists(target + QLatin1Char('1'))) << "no raw copy under the recording's name";
}

TEST(CrashSafetyE2E, TheDeviceListIsTheOldOrTheNewOneAfterAKillInTheMiddleOfASave) {
    TempDir dir;
    dir.write(QStringLiteral("a.ini"), DeviceList(400, QStringLiteral("10.0.0."), 5050).toUtf8());
    dir.write(QStringLiteral("b.ini"), DeviceList(400, QStringLiteral("192.168.7."), 6060).toUtf8());
    const QString list = dir.file(QStringLiteral("StrovikList.ini"));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        QProcess victim;
        ASSERT_TRUE(StartVictim(victim,
                                {QStringLiteral("save-list"), list, dir.file(QStringLiteral("a.ini")),
                                 dir.file(QStringLiteral("b.ini"))},
                                "saving"));
        std::this_thread::sleep_for(std::chrono::milliseconds(QRandomGenerator::global()->bounded(50, 400)));
        Kill(victim);
        const QByteArray left = ReadWholeFile(list);
        EXPECT_TRUE(left == ReadWholeFile(list + QStringLiteral(".a")) || left == ReadWholeFile(list + QStringLiteral(".b")))
            << left.size() << " bytes that are neither list";
    }
}

}  // namespace
}  // namespace strovik
