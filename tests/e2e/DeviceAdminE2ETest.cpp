// Device administration with the real discovery library against devsim: the LAN page finds and adds
// the simulated cameras, the auto-search follows a camera that moves, and the device list survives
// a clean close and the program's end by SIGTERM.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "admin/DeviceCommands.h"
#include "admin/LanCameraList.h"
#include "admin/LanSearchPage.h"
#include "admin/ServerInfoFrm.h"
#include "app/DeviceListPage.h"
#include "app/LanAutoSearch.h"
#include "app/StrovikForm.h"
#include "devicelibs/discovery/DiscoveryFactory.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devices/DeviceListFile.h"
#include "doubles/ScriptedUiServices.h"
#include "platform/AudioMixer.h"
#include "platform/IniFile.h"
#include "support/ProgramEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <csignal>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;
using namespace std::chrono_literals;

QString Cameras(const DevsimProcess& devsim, const QString& movedIp = {}) {
    QString sections;
    for (int n = 0; n < 2; ++n) {
        QString lines =
            QStringLiteral("Type=camera\nDeviceId=%1\nVideoPort=%2\nAccessUser=viewer\nAccessPassword=pw%3")
                .arg(22334450 + n)
                .arg(n == 0 ? 5050 : 0)
                .arg(n);
        if (n == 0 && !movedIp.isEmpty()) lines += QStringLiteral("\nDiscoveryIp=") + movedIp;
        sections += DeviceSection(QStringLiteral("cam%1").arg(n), devsim.address(2 + n), lines);
    }
    return sections;
}

class DeviceAdminE2E : public ::testing::Test {
protected:
    void startForm(const QByteArray& deviceList) {
        QDir().mkpath(appDir);
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), deviceList);
        DiscoveryOptions options;
        options.probeAddress = devsim.address(1);
        options.probePort = DevsimProcess::kDiscoveryPort;
        options.listenTime = 600ms;
        MainWindowServices services;
        services.libraries.tcpClient = std::make_shared<RecordingTcpClientLibrary>();
        services.libraries.discovery = CreateDiscoveryLibrary(options);
        services.libraries.videoClient = std::make_shared<RecordingVideoClientLibrary>();
        services.libraries.streamPlayer = std::make_shared<RecordingStreamPlayerLibrary>();
        services.ui = &ui;
        services.loginStore = StoredLoginStore(dir.file(QStringLiteral("registry.ini")));
        services.appDir = appDir;
        services.fallbackDir = dir.path() + QStringLiteral("fallback");
        form = std::make_unique<TStrovikForm>(std::move(services));
        form->show();
    }

    DeviceTree& tree() { return form->state().tree; }

    DevsimProcess devsim;
    TempDir dir;
    QString appDir = dir.path() + QStringLiteral("app/");
    ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

TEST_F(DeviceAdminE2E, LanPageFindsTheSimulatedCamerasAndAddsThem) {
    ASSERT_TRUE(devsim.start(Cameras(devsim))) << devsim.errorString().toStdString();
    startForm("[Lobby]\nAddr=10.0.0.2\nChnCount=2\n");
    form->deviceCommands().BtnAddServerClick();
    TLanSearchPage& page = *form->deviceCommands().editor()->Dev_Find_Tab;
    QTest::mouseClick(page.FindBtn, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.searching(); }, 10000));
    ASSERT_EQ(page.list().rowCount(), 2);
    EXPECT_EQ(page.camerasFound(), 2);
    EXPECT_EQ(page.list().rows()[1].videoPort, QStringLiteral("5050"));

    QTest::mouseClick(page.AutoFindBtnOK, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->deviceCommands().editor(), nullptr);
    ASSERT_EQ(tree().devices().size(), 3u);
    const DeviceNode& first = *tree().devices()[1];
    EXPECT_EQ(first.name.toQString(), QStringLiteral("22334450"));
    EXPECT_EQ(first.connection.address.str(), devsim.address(2));
    EXPECT_EQ(first.connection.userName.toQString(), QStringLiteral("viewer"));
    EXPECT_EQ(tree().devices()[2]->connection.address.str(), devsim.address(3));
}

TEST_F(DeviceAdminE2E, AutoSearchGivesAKnownCameraItsNewAddressAfterItMoves) {
    ASSERT_TRUE(devsim.start(Cameras(devsim))) << devsim.errorString().toStdString();
    startForm("[22334450]\nAddr=10.9.9.9\nChnCount=4\nDeviceType=2\nAutoSearch=1\n");
    form->autoSearch().timer().setInterval(300);
    const DeviceNode& camera = *tree().devices()[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return camera.connection.address.str() == devsim.address(2); }, 10000));
    EXPECT_EQ(tree().model().roots()[0]->children().size(), 1u);

    // The camera answers from another address once devsim has reloaded its config.
    const QString moved = QString::fromStdString(devsim.address(9));
    ASSERT_TRUE(devsim.writeFile(
        QStringLiteral("devsim.ini"),
        ReadWholeFile(devsim.filePath(QStringLiteral("devsim.ini")))
            .replace("DeviceId=22334450", "DeviceId=22334450\nDiscoveryIp=" + moved.toUtf8())));
    ASSERT_EQ(::kill(devsim.pid(), SIGUSR1), 0);
    ASSERT_TRUE(devsim.waitForLogLine({QStringLiteral("discovery-reloaded")}, 5s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return camera.connection.address.toQString() == moved; }, 10000));
}

TEST_F(DeviceAdminE2E, AnEditorDeviceIsInTheListFileAfterACleanClose) {
    ASSERT_TRUE(devsim.start(Cameras(devsim))) << devsim.errorString().toStdString();
    startForm("[Lobby]\nAddr=10.0.0.2\nChnCount=2\n");
    form->deviceCommands().BtnAddServerClick();
    TServerInfoFrm& editor = *form->deviceCommands().editor();
    editor.PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
    editor.DevNameEdit->setText(QStringLiteral("Gate"));
    editor.ServerEdit->setText(QStringLiteral("87654321"));
    editor.PortEdit->setText(QStringLiteral("6000"));
    editor.ChCntEdit->setText(QStringLiteral("3"));
    editor.UserEdit->setText(QStringLiteral("op"));
    editor.PwdEdit->setText(QStringLiteral("pw"));
    QTest::mouseClick(editor.OKBtn, Qt::LeftButton);
    form->CloseWithoutQuestion();
    form.reset();

    const QString text = QString::fromUtf8(ReadWholeFile(appDir + QLatin1String(kDeviceListFileName)));
    EXPECT_TRUE(text.contains(
        QStringLiteral("[Gate]\nAddr=87654321.ddns.strovik.example\nPort=6000\nChnCount=3\n"
                       "NetType=1\nServerType=2\nDeviceType=2\nUser=op\nPwd=pw\nAutoSearch=0\n")))
        << text.toStdString();
}

// The program as a process: a change made since start (the auto-search's new address) is in the
// device list file after each of the stop signals.
TEST_F(DeviceAdminE2E, StopSignalsEndTheProgramAsAConfirmedCloseDoes) {
    ASSERT_TRUE(devsim.start(Cameras(devsim))) << devsim.errorString().toStdString();
    QProcessEnvironment environment = ProgramEnvironment(dir);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("strovik.discovery.info=true"));
    dir.write(QStringLiteral("app/Strovik.ini"),
              QStringLiteral("[LanSearch]\nProbeAddress=%1\nProbePort=%2\nListenMs=600\n")
                  .arg(QString::fromStdString(devsim.address(1)))
                  .arg(DevsimProcess::kDiscoveryPort)
                  .toUtf8());
    const QString listPath = dir.file(QStringLiteral("app/")) + QLatin1String(kDeviceListFileName);

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName),
                  "[22334450]\nAddr=10.9.9.9\nChnCount=4\nDeviceType=2\nAutoSearch=1\n");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProgram(QStringLiteral(STROVIK_PROGRAM));
        program.start();
        ASSERT_TRUE(program.waitForStarted(10000));
        QString log;
        const bool refreshed = QTest::qWaitFor(
            [&] {
                log += QString::fromUtf8(program.readAllStandardError());
                return log.contains(QStringLiteral("refreshed"));
            },
            20000);
        if (!refreshed) program.kill();
        ASSERT_TRUE(refreshed) << log.toStdString();

        ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), signal), 0);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const IniFile saved = IniFile::load(listPath);
        EXPECT_EQ(saved.readString(QStringLiteral("22334450"), QStringLiteral("Addr"), {}),
                  QString::fromStdString(devsim.address(2)));
        EXPECT_EQ(saved.readInt(QStringLiteral("22334450"), QStringLiteral("ChnCount"), 0), 1);
    }
}

}  // namespace
}  // namespace strovik::test
