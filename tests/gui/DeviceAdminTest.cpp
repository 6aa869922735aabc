// The device editor, the LAN search page and the device commands of the main window, with the
// library doubles.
#include "admin/DeviceCommands.h"
#include "admin/DeviceEditing.h"
#include "admin/LanCameraList.h"
#include "admin/LanSearchPage.h"
#include "admin/ServerInfoFrm.h"
#include "app/BottomBar.h"
#include "app/DeviceListPage.h"
#include "app/LanAutoSearch.h"
#include "app/StrovikForm.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/doubles/RecordingDiscoveryLibrary.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devices/DeviceListFile.h"
#include "doubles/FakeAudioMixer.h"
#include "doubles/ScriptedUiServices.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <thread>

namespace strovik {
namespace {

constexpr char kDeviceList[] = R"([Lobby DVR]
Addr=10.20.0.2
Port=5050
ChnCount=8
DeviceType=1
User=admin
Pwd=admin
[Yard NVR]
Addr=10.20.0.3
Port=6000
ChnCount=3
DeviceType=1
[10000001]
Addr=10.20.0.11
ChnCount=2
DeviceType=2
AutoSearch=1
[12345678.ddns.strovik.example]
Addr=12345678.ddns.strovik.example
ChnCount=2
DeviceType=2
)";

IpcSearchRecord Camera(std::int32_t id, const char* ip, std::int32_t port = 5050, const char* user = "cam") {
    IpcSearchRecord camera;
    camera.deviceId = id;
    camera.ipText = std::string_view(ip);
    camera.maskText = std::string_view("255.255.255.0");
    camera.macText = std::string_view("02:00:00:00:00:09");
    camera.videoPort = port;
    camera.userText = std::string_view(user);
    camera.passwordText = std::string_view("secret");
    return camera;
}

class DeviceAdminTest : public ::testing::Test {
protected:
    DeviceAdminTest() {
        QDir().mkpath(appDir);
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), QByteArray(kDeviceList));
        MainWindowServices services;
        services.libraries.tcpClient = std::make_shared<RecordingTcpClientLibrary>();
        services.libraries.discovery = discovery;
        services.libraries.videoClient = video;
        services.libraries.streamPlayer = std::make_shared<RecordingStreamPlayerLibrary>();
        services.libraries.networkCameras = cameras;
        services.ui = &ui;
        services.loginStore = StoredLoginStore(dir.file(QStringLiteral("registry.ini")));
        services.mixer =
            std::make_unique<test::FakeAudioMixer>(std::make_shared<test::FakeAudioMixer::Log>());
        services.appDir = appDir;
        services.fallbackDir = dir.path() + QStringLiteral("fallback");
        form = std::make_unique<TStrovikForm>(std::move(services));
        form->resize(1024, 768);
        form->show();
    }

    TDeviceCommands& commands() { return form->deviceCommands(); }
    TServerInfoFrm* editor() { return commands().editor(); }
    TLanSearchPage& lanPage() { return *editor()->Dev_Find_Tab; }
    DeviceTree& tree() { return form->state().tree; }
    DeviceTreeModel::TreeNode* root(int i) {
        return tree().model().roots()[static_cast<std::size_t>(i)].get();
    }

    QStringList rootNames() {
        QStringList names;
        for (const auto& node : tree().model().roots()) names.push_back(node->text());
        return names;
    }

    void select(DeviceTreeModel::TreeNode* node) {
        QTreeView* view = form->deviceListPage().TreeViewList;
        const QModelIndex source = tree().model().indexOf(node);
        QModelIndex shown = view->model()->index(0, 0);
        // The view shows the tree through an icon proxy with the same rows.
        std::vector<int> rows;
        for (QModelIndex i = source; i.isValid(); i = i.parent()) rows.insert(rows.begin(), i.row());
        shown = QModelIndex();
        for (int row : rows) shown = view->model()->index(row, 0, shown);
        view->setCurrentIndex(shown);
    }

    void openAdd() {
        QTest::mouseClick(form->deviceListPage().BtnAddServer, Qt::LeftButton);
        ASSERT_NE(editor(), nullptr);
    }

    void openModify(DeviceTreeModel::TreeNode* node) {
        select(node);
        form->deviceListPage().findChild<QAction*>(QStringLiteral("N_Modify"))->trigger();
        ASSERT_NE(editor(), nullptr);
    }

    // Fills the manual page and presses its OK.
    void typeManual(const QString& name, const QString& address, const QString& port,
                    const QString& channels) {
        editor()->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
        editor()->DevNameEdit->setText(name);
        editor()->ServerEdit->setText(address);
        editor()->PortEdit->setText(port);
        editor()->ChCntEdit->setText(channels);
    }

    void pressOk() {
        QPointer<TServerInfoFrm> open = editor();
        QTest::mouseClick(open->OKBtn, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void report(const IpcSearchRecord& camera) {
        std::thread([&] { discovery->reportCamera(camera); }).join();
    }

    test::TempDir dir;
    QString appDir = dir.path() + QStringLiteral("app/");
    std::shared_ptr<RecordingDiscoveryLibrary> discovery = std::make_shared<RecordingDiscoveryLibrary>();
    std::shared_ptr<RecordingVideoClientLibrary> video = std::make_shared<RecordingVideoClientLibrary>();
    std::shared_ptr<NetworkCameras> cameras = std::make_shared<NetworkCameras>();
    test::ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

TEST_F(DeviceAdminTest, AddOpensTheEditorOnTheLanPageAndDisablesTheCommandsUntilItCloses) {
    QTimer& timer = form->autoSearch().timer();
    ASSERT_TRUE(timer.isActive());
    QTest::mouseClick(form->bottomBar().FindDevBtn, Qt::LeftButton);
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editor()->isModal());
    EXPECT_TRUE(editor()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(editor()->size(), QSize(577, 501));
    EXPECT_EQ(editor()->PageControl1->currentIndex(), TServerInfoFrm::kPageLan);
    EXPECT_EQ(editor()->PageControl1->tabText(0), QStringLiteral("Manual Add Device"));
    EXPECT_EQ(editor()->PwdEdit->text(), QStringLiteral("vexor"));
    EXPECT_EQ(editor()->DeviceTypeList->currentIndex(), 0);
    EXPECT_FALSE(form->deviceListPage().BtnAddServer->isEnabled());
    EXPECT_FALSE(form->deviceListPage().BtnDelServer->isEnabled());
    EXPECT_FALSE(timer.isActive());

    // Switching to the manual page picks the network camera without its defaults.
    editor()->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
    EXPECT_EQ(editor()->DeviceTypeList->currentIndex(), 2);
    EXPECT_EQ(editor()->PwdEdit->text(), QStringLiteral("vexor"));

    QPointer<TServerInfoFrm> open = editor();
    QTest::mouseClick(open->CancelBtn, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(open.isNull());
    EXPECT_EQ(editor(), nullptr);
    EXPECT_TRUE(form->deviceListPage().BtnAddServer->isEnabled());
    EXPECT_TRUE(timer.isActive());
}

TEST_F(DeviceAdminTest, ManualAddCompletesTheAddressAndTakesDefaults) {
    struct Case {
        const char* name;
        const char* address;
        const char* port;
        const char* channels;
        const char* storedName;
        const char* storedAddress;
        std::uint16_t storedPort;
        std::size_t channelNodes;
    };
    const Case cases[] = {
        {"", "87654321", "", "", "87654321.ddns.strovik.example", "87654321.ddns.strovik.example", 5050, 1},
        {"  Gate  ", "10.1.2.3", "6000", "0", "Gate", "10.1.2.3", 6000, 0},
        {"   ", "10.1.2.4", "5050", "2", "10.1.2.4", "10.1.2.4", 5050, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        openAdd();
        typeManual(QString::fromUtf8(c.name), QString::fromUtf8(c.address), QString::fromUtf8(c.port),
                   QString::fromUtf8(c.channels));
        pressOk();
        ASSERT_EQ(editor(), nullptr);
        const DeviceNode& added = *tree().devices().back();
        EXPECT_EQ(added.name.toQString(), QString::fromUtf8(c.storedName));
        EXPECT_EQ(added.connection.address.toQString(), QString::fromUtf8(c.storedAddress));
        EXPECT_EQ(added.connection.port, c.storedPort);
        EXPECT_EQ(added.searchState, 0);
        EXPECT_EQ(tree().model().roots().back()->children().size(), c.channelNodes);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeviceAdminTest, DomainFieldFollowsTheDotInTheAddress) {
    openAdd();
    editor()->ServerEdit->setText(QStringLiteral("1234"));
    QTest::keyClick(editor()->ServerEdit, Qt::Key_Period);
    EXPECT_TRUE(editor()->SrvDomain->text().isEmpty());
    EXPECT_FALSE(editor()->SrvDomain->isEnabled());
    QTest::keyClick(editor()->ServerEdit, Qt::Key_Backspace);
    EXPECT_EQ(editor()->SrvDomain->text(), QStringLiteral("ddns.strovik.example"));
    EXPECT_TRUE(editor()->SrvDomain->isEnabled());
}

TEST_F(DeviceAdminTest, TheManualPageAddsAndChangesCamerasOfOtherMakes) {
    openAdd();
    typeManual(QStringLiteral("Lobby"), QStringLiteral("127.0.0.60"), QStringLiteral("554"), QStringLiteral("4"));
    EXPECT_EQ(editor()->ProtocolList->currentIndex(), 0) << "our own protocol unless the operator picks another";
    EXPECT_FALSE(editor()->RtspEdit->isEnabled());
    editor()->ProtocolList->setCurrentIndex(2);
    ASSERT_EQ(editor()->ProtocolList->currentText(), QStringLiteral("RTSP"));
    ASSERT_TRUE(editor()->RtspEdit->isEnabled());

    // Not an RTSP address: refused, the editor stays open.
    QTest::keyClicks(editor()->RtspEdit, QStringLiteral("http://127.0.0.60/main"));
    pressOk();
    ASSERT_NE(editor(), nullptr);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].request.text.contains(QStringLiteral("rtsp://host"))) << ui.messages[0].request.text.toStdString();

    editor()->RtspEdit->clear();
    QTest::keyClicks(editor()->RtspEdit, QStringLiteral("rtsp://admin:pw@127.0.0.60:8554/main"));
    pressOk();
    ASSERT_EQ(editor(), nullptr);
    const int row = static_cast<int>(rootNames().indexOf(QStringLiteral("Lobby")));
    ASSERT_GE(row, 0);
    const DeviceNode& lobby = *root(row)->record();
    EXPECT_EQ(lobby.camera.protocol, CameraProtocol::Rtsp);
    ASSERT_EQ(lobby.camera.channels.size(), 1u);
    EXPECT_EQ(lobby.camera.channels[0].mainUrl, "rtsp://127.0.0.60:8554/main") << "the password stays in its field";
    EXPECT_EQ(root(row)->children().size(), 1u) << "an RTSP address is one channel";
    ASSERT_TRUE(QTest::qWaitFor([&] { return cameras->Find("127.0.0.60", 554).has_value(); }, 2000));
    EXPECT_EQ(StreamUrlOf(*cameras->Find("127.0.0.60", 554), 0), "rtsp://127.0.0.60:8554/main");

    // Modify shows how the camera is reached; made an ONVIF camera, the directory follows.
    openModify(root(row));
    EXPECT_EQ(editor()->ProtocolList->currentIndex(), 2);
    EXPECT_EQ(editor()->RtspEdit->text(), QStringLiteral("rtsp://127.0.0.60:8554/main"));
    editor()->ProtocolList->setCurrentIndex(1);
    EXPECT_FALSE(editor()->RtspEdit->isEnabled());
    pressOk();
    ASSERT_EQ(editor(), nullptr);
    EXPECT_EQ(root(row)->record()->camera.protocol, CameraProtocol::Onvif);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto listed = cameras->Find("127.0.0.60", 554);
            return listed && listed->protocol == CameraProtocol::Onvif;
        },
        2000));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(DeviceAdminTest, ADuplicateNameAddsNothingAndSaysNothing) {
    // Another letter case is a duplicate too: the device list file would keep both in one section.
    for (const QString& name : {QStringLiteral("  Yard NVR "), QStringLiteral("yard nvr")}) {
        SCOPED_TRACE(name.toStdString());
        openAdd();
        typeManual(name, QStringLiteral("10.9.9.9"), QString(), QString());
        pressOk();
        EXPECT_EQ(editor(), nullptr);
        EXPECT_EQ(tree().devices().size(), 4u);
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(DeviceAdminTest, RefusedValuesKeepTheEditorOpenWithAMessage) {
    struct Case {
        QString name;
        QString address;
        QString message;
    };
    const QString badName = QStringLiteral("cannot contain");
    const Case cases[] = {
        {QStringLiteral("Gate"), QString(), QStringLiteral("Net Address Can not Be Null!")},
        {QStringLiteral("Gate]2"), QStringLiteral("10.1.1.1"), badName},
        {QStringLiteral("[Gate"), QStringLiteral("10.1.1.1"), badName},
        {QStringLiteral("Gate\n[Other]"), QStringLiteral("10.1.1.1"), badName},
        {QString(34, QLatin1Char('n')), QStringLiteral("10.1.1.1"), QStringLiteral("longer than")},
    };
    openAdd();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        ui.messages.clear();
        typeManual(c.name, c.address, QString(), QString());
        pressOk();
        ASSERT_NE(editor(), nullptr);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].request.text.contains(c.message))
            << ui.messages[0].request.text.toStdString();
        EXPECT_EQ(ui.messages[0].owner, editor());
        EXPECT_EQ(EditorCloseState(), -1);
    }
    EXPECT_EQ(tree().devices().size(), 4u);
}

TEST_F(DeviceAdminTest, EditsTakeNoMoreThanTheirFieldsHold) {
    openAdd();
    editor()->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
    QTest::keyClicks(editor()->DevNameEdit, QString(40, QLatin1Char('a')));
    EXPECT_EQ(editor()->DevNameEdit->text().size(), 33);
    QTest::keyClicks(editor()->UserEdit, QString(40, QLatin1Char('u')));
    EXPECT_EQ(editor()->UserEdit->text().toUtf8().size(), 32);
    // Multi-byte text counts in bytes: 11 three-byte characters fill 33 bytes.
    editor()->DevNameEdit->clear();
    for (int i = 0; i < 12; ++i) editor()->DevNameEdit->insert(QString(QChar(0x8BBE)));
    EXPECT_EQ(editor()->DevNameEdit->text().size(), 11);
    editor()->PortEdit->clear();
    QTest::keyClicks(editor()->PortEdit, QStringLiteral("70000"));
    EXPECT_EQ(editor()->PortEdit->text(), QStringLiteral("7000"));
}

TEST_F(DeviceAdminTest, TypeDefaultsApplyOnlyInAddMode) {
    openAdd();
    editor()->PageControl1->setCurrentIndex(TServerInfoFrm::kPageManual);
    Q_EMIT editor()->DeviceTypeList->activated(1);
    EXPECT_EQ(editor()->UserEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(editor()->PwdEdit->text(), QLatin1String(kDvrDefaultPassword));
    EXPECT_EQ(editor()->ChCntEdit->text(), QStringLiteral("4"));
    Q_EMIT editor()->DeviceTypeList->activated(2);
    EXPECT_EQ(editor()->ChCntEdit->text(), QStringLiteral("1"));
    EXPECT_TRUE(editor()->PwdEdit->text().isEmpty());
    editor()->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    openModify(root(0));
    Q_EMIT editor()->DeviceTypeList->activated(0);
    EXPECT_EQ(editor()->UserEdit->text(), QStringLiteral("admin"));
    EXPECT_EQ(editor()->PwdEdit->text(), QStringLiteral("admin"));
    EXPECT_EQ(editor()->ChCntEdit->text(), QStringLiteral("8"));
}

TEST_F(DeviceAdminTest, ModifyWithThreeChannelsOnAnEightChannelDevice) {
    openModify(root(0));
    EXPECT_EQ(editor()->PageControl1->currentIndex(), TServerInfoFrm::kPageManual);
    EXPECT_FALSE(editor()->PageControl1->isTabEnabled(TServerInfoFrm::kPageLan));
    EXPECT_EQ(editor()->DevNameEdit->text(), QStringLiteral("Lobby DVR"));
    EXPECT_FALSE(editor()->SrvDomain->isEnabled());
    EXPECT_EQ(editor()->DeviceTypeList->currentIndex(), 1);

    editor()->DevNameEdit->setText(QStringLiteral("Lobby"));
    editor()->ServerEdit->setText(QStringLiteral("10.20.0.50"));
    editor()->PortEdit->setText(QStringLiteral("5070"));
    editor()->ChCntEdit->setText(QStringLiteral("3"));
    pressOk();
    ASSERT_EQ(editor(), nullptr);

    DeviceTreeModel::TreeNode* node = root(0);
    EXPECT_EQ(node->text(), QStringLiteral("Lobby"));
    EXPECT_EQ(node->icon(), 6);
    ASSERT_EQ(node->children().size(), 3u);
    EXPECT_EQ(node->children()[2]->text(), QStringLiteral("CHANNEL3"));
    EXPECT_EQ(node->children()[0]->record()->connection.address.toQString(), QStringLiteral("10.20.0.50"));
    int moved = 0;
    for (const auto& channel : tree().channels())
        if (channel->connection.address.toQString() == QStringLiteral("10.20.0.50")) {
            ++moved;
            EXPECT_EQ(channel->connection.port, 5070);
        }
    EXPECT_EQ(moved, 8);
    EXPECT_EQ(tree().devices()[0]->name.toQString(), QStringLiteral("Lobby"));
}

TEST_F(DeviceAdminTest, ModifyRefusesTheNameOfAnotherDeviceButKeepsItsOwn) {
    openModify(root(0));
    editor()->DevNameEdit->setText(QStringLiteral(" YARD nvr"));  // the file ignores letter case
    pressOk();
    ASSERT_NE(editor(), nullptr);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].request.text.contains(QStringLiteral("already has this name")));
    EXPECT_EQ(tree().devices()[0]->name.toQString(), QStringLiteral("Lobby DVR"));

    ui.messages.clear();
    editor()->DevNameEdit->setText(QStringLiteral("LOBBY DVR"));
    pressOk();
    EXPECT_EQ(editor(), nullptr);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(root(0)->text(), QStringLiteral("LOBBY DVR"));
}

TEST_F(DeviceAdminTest, ModifyWithAChannelSelectedDoesNothing) {
    select(root(0)->children()[1].get());
    const QPoint away = form->deviceListPage().TreeViewList->viewport()->rect().bottomRight() - QPoint(2, 2);
    QTest::mouseClick(form->deviceListPage().TreeViewList->viewport(), Qt::RightButton, {}, away);
    form->deviceListPage().pmServerList->hide();
    form->deviceListPage().findChild<QAction*>(QStringLiteral("N_Modify"))->trigger();
    EXPECT_EQ(editor(), nullptr);
    EXPECT_TRUE(form->deviceListPage().BtnAddServer->isEnabled());
    EXPECT_TRUE(form->deviceListPage().BtnDelServer->isEnabled());
}

TEST_F(DeviceAdminTest, LanSearchListsEachCameraOnceAndShowsItsProgress) {
    openAdd();
    QAbstractItemModelTester tester(&lanPage().list(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTest::mouseClick(lanPage().FindBtn, Qt::LeftButton);
    EXPECT_EQ(discovery->searchesStarted(), 2);  // one at start, one here
    EXPECT_FALSE(lanPage().AutoFindBtnOK->isEnabled());
    EXPECT_FALSE(lanPage().AutoFindNoBtn->isEnabled());
    EXPECT_TRUE(lanPage().SearchStatus->text().startsWith(QStringLiteral("Searching")));

    report(Camera(555, "10.0.0.5"));
    report(Camera(555, "10.0.0.5"));
    report(Camera(556, "10.0.0.6", 0, ""));
    // A record whose texts fill their fields to the last byte, without a terminator.
    IpcSearchRecord full = Camera(557, "");
    full.ipText.bytes.fill('9');
    full.passwordText.bytes.fill('p');
    report(full);
    std::thread([&] {
        for (int i = 0; i < 500; ++i) discovery->reportCamera(Camera(555, "10.0.0.5"));
    }).join();
    std::thread([&] { discovery->reportSearchDone(); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lanPage().AutoFindBtnOK->isEnabled(); }, 5000));

    const auto& rows = lanPage().list().rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].number, QStringLiteral("2"));
    EXPECT_EQ(rows[1].videoPort, QStringLiteral("5050"));
    EXPECT_EQ(rows[1].user, QStringLiteral("admin"));
    EXPECT_EQ(rows[2].ip.size(), 63);
    EXPECT_EQ(rows[2].password.size(), 127);
    EXPECT_TRUE(rows[0].checked);
    EXPECT_EQ(lanPage().list().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Device ID"));
    EXPECT_EQ(lanPage().SearchStatus->text(), QStringLiteral("3 found"));
    EXPECT_TRUE(lanPage().AutoFindNoBtn->isEnabled());
}

TEST_F(DeviceAdminTest, ASearchWhoseEndNeverComesEndsAtItsDeadline) {
    openAdd();
    lanPage().searchDeadline().setInterval(50);
    QTest::mouseClick(lanPage().FindBtn, Qt::LeftButton);
    ASSERT_FALSE(lanPage().AutoFindBtnOK->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return lanPage().AutoFindBtnOK->isEnabled(); }, 5000));
    EXPECT_TRUE(lanPage().AutoFindNoBtn->isEnabled());
    EXPECT_FALSE(lanPage().searching());
}

TEST_F(DeviceAdminTest, LanOkRefreshesKnownDevicesAndAddsOnlyCheckedNewOnes) {
    openAdd();
    QTest::mouseClick(lanPage().FindBtn, Qt::LeftButton);
    report(Camera(10000001, "10.20.0.99", 5070));  // known, will be unchecked
    report(Camera(12345678, "10.20.0.98"));        // known by its full DDNS name
    report(Camera(777, "10.20.0.77"));             // new, unchecked
    report(Camera(778, "10.20.0.78"));             // new, checked
    std::thread([&] { discovery->reportSearchDone(); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lanPage().list().rowCount() == 4; }, 5000));
    LanCameraList& list = lanPage().list();
    list.setData(list.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    list.setData(list.index(2, 0), Qt::Unchecked, Qt::CheckStateRole);

    QTest::mouseClick(lanPage().AutoFindBtnOK, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(editor(), nullptr);
    EXPECT_EQ(rootNames(),
              (QStringList{"Lobby DVR", "Yard NVR", "10000001", "12345678.ddns.strovik.example", "778"}));
    EXPECT_EQ(tree().devices()[2]->connection.address.toQString(), QStringLiteral("10.20.0.99"));
    EXPECT_EQ(tree().devices()[2]->connection.port, 5070);
    EXPECT_EQ(root(2)->children().size(), 1u);
    EXPECT_EQ(tree().devices()[3]->connection.address.toQString(), QStringLiteral("10.20.0.98"));
    const DeviceNode& added = *tree().devices()[4];
    EXPECT_EQ(added.searchState, 2);
    EXPECT_EQ(added.connection.userName.toQString(), QStringLiteral("cam"));
    EXPECT_EQ(added.connection.password.toQString(), QStringLiteral("secret"));
}

TEST_F(DeviceAdminTest, RowEditorWritesBackTheSelectedRow) {
    openAdd();
    QTest::mouseClick(lanPage().ModifyBtn, Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.text, QStringLiteral("None Device Selected"));

    QTest::mouseClick(lanPage().FindBtn, Qt::LeftButton);
    report(Camera(901, "10.0.9.1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lanPage().list().rowCount() == 1; }, 5000));
    lanPage().DevList->setCurrentIndex(lanPage().list().index(0, 1));
    EXPECT_EQ(lanPage().SelDevIPEdit->text(), QStringLiteral("10.0.9.1"));
    lanPage().SelDevIDEdit->setText(QStringLiteral("902"));
    lanPage().PwdEdit2->setText(QStringLiteral("changed"));
    QTest::mouseClick(lanPage().ModifyBtn, Qt::LeftButton);
    EXPECT_EQ(lanPage().list().rows()[0].deviceId, QStringLiteral("902"));
    EXPECT_EQ(lanPage().list().rows()[0].password, QStringLiteral("changed"));
}

TEST_F(DeviceAdminTest, ReportsAfterTheEditorClosedAreDropped) {
    openAdd();
    QTest::mouseClick(lanPage().FindBtn, Qt::LeftButton);
    report(Camera(1, "10.0.0.1"));  // queued, not yet handled
    editor()->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(editor(), nullptr);
    report(Camera(2, "10.0.0.2"));
    std::thread([&] { discovery->reportSearchDone(); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(tree().devices().size(), 4u);
}

TEST_F(DeviceAdminTest, AutoSearchRefreshesKnownCamerasOnEachTick) {
    QTimer& timer = form->autoSearch().timer();
    timer.setInterval(20);
    const int before = discovery->searchesStarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return discovery->searchesStarted() > before; }, 5000));
    report(Camera(12345678, "10.20.0.42", 0));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tree().devices()[3]->connection.address.toQString() == QStringLiteral("10.20.0.42"); },
        5000));
    EXPECT_EQ(tree().devices()[3]->connection.port, 5050);
}

TEST_F(DeviceAdminTest, DeleteStopsOnlyTheDevicesWindowsAndMovesTheOthersDown) {
    TViewForm& grid = form->grid();
    ConnectionInfo lobby = tree().devices()[0]->connection;
    ConnectionInfo yard = tree().devices()[1]->connection;
    grid.OpenStream(lobby, StreamTarget{}, 1, -1);
    grid.OpenStream(yard, StreamTarget{}, 2, -1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return grid.view(0)->state() == ViewState::Live && grid.view(1)->state() == ViewState::Live; },
        5000));

    select(root(0));
    ui.answers = {MessageAnswer::No};
    QTest::mouseClick(form->deviceListPage().BtnDelServer, Qt::LeftButton);
    EXPECT_EQ(tree().devices().size(), 4u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.text, QStringLiteral("Delete Device:Lobby DVR,Please Confirm!"));

    ui.answers = {MessageAnswer::Yes};
    QTest::mouseClick(form->deviceListPage().BtnDelServer, Qt::LeftButton);
    EXPECT_EQ(rootNames(), (QStringList{"Yard NVR", "10000001", "12345678.ddns.strovik.example"}));
    EXPECT_EQ(tree().devices().size(), 3u);
    EXPECT_EQ(tree().devices()[0]->name.toQString(), QStringLiteral("Yard NVR"));
    EXPECT_EQ(tree().channels().size(), 15u);  // the deleted device's channel records stay
    EXPECT_EQ(grid.view(0)->state(), ViewState::Idle);
    EXPECT_EQ(grid.view(1)->state(), ViewState::Live);
    EXPECT_TRUE(form->autoSearch().timer().isActive());
}

TEST_F(DeviceAdminTest, ClearAsksAndOnYesLeavesAnEmptyListFile) {
    TViewForm& grid = form->grid();
    grid.OpenStream(tree().devices()[1]->connection, StreamTarget{}, 3, -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.view(2)->state() == ViewState::Live; }, 5000));
    QAction* clear = form->deviceListPage().findChild<QAction*>(QStringLiteral("NClearAll"));

    ui.answers = {MessageAnswer::No};
    clear->trigger();
    EXPECT_EQ(ui.messages.back().request.text, QStringLiteral("Clear The Device List,Sure?"));
    EXPECT_EQ(tree().devices().size(), 4u);
    EXPECT_EQ(grid.view(2)->state(), ViewState::Live);

    ui.answers = {MessageAnswer::Yes};
    clear->trigger();
    EXPECT_TRUE(tree().devices().empty());
    EXPECT_EQ(tree().model().rowCount(), 0);
    EXPECT_EQ(grid.view(2)->state(), ViewState::Idle);

    form.reset();
    const IniFile saved = IniFile::load(appDir + QLatin1String(kDeviceListFileName));
    EXPECT_TRUE(saved.sectionNames().isEmpty());
}

TEST_F(DeviceAdminTest, AnAddedDeviceIsInTheListFileAfterAQuestionlessClose) {
    openAdd();
    typeManual(QStringLiteral("Gate"), QStringLiteral("10.1.2.3"), QStringLiteral("6000"),
               QStringLiteral("2"));
    editor()->UserEdit->setText(QStringLiteral("op"));
    editor()->PwdEdit->setText(QStringLiteral("pw"));
    pressOk();
    form->CloseWithoutQuestion();
    EXPECT_TRUE(ui.messages.empty());  // no "Close And Exit!"
    EXPECT_FALSE(form->isVisible());
    form.reset();
    const IniFile saved = IniFile::load(appDir + QLatin1String(kDeviceListFileName));
    EXPECT_EQ(saved.readString(QStringLiteral("Gate"), QStringLiteral("Addr"), {}),
              QStringLiteral("10.1.2.3"));
    EXPECT_EQ(saved.readInt(QStringLiteral("Gate"), QStringLiteral("Port"), 0), 6000);
    EXPECT_EQ(saved.readInt(QStringLiteral("Gate"), QStringLiteral("ChnCount"), 0), 2);
    EXPECT_EQ(saved.readString(QStringLiteral("Gate"), QStringLiteral("User"), {}), QStringLiteral("op"));
}

}  // namespace
}  // namespace strovik
