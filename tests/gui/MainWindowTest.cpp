#include "app/BottomBar.h"
#include "app/DeviceListPage.h"
#include "app/LanAutoSearch.h"
#include "app/LoginController.h"
#include "app/LoginSettings.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "app/TrayPresence.h"
#include "devicelibs/doubles/RecordingDiscoveryLibrary.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devices/DeviceListFile.h"
#include "doubles/FakeAudioMixer.h"
#include "doubles/WindowServices.h"
#include "doubles/FakeSecretStore.h"
#include "doubles/ScriptedUiServices.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "platform/IniFile.h"
#include "platform/SingleInstance.h"
#include "recordings/RecordFileList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <future>
#include <thread>

namespace strovik {
namespace {

using namespace std::chrono_literals;

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(STROVIK_GUI_FIXTURES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        QDir().mkpath(appDir);
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), fixture("StrovikList.ini"));
    }

    void start() {
        MainWindowServices services = test::WindowServices(dir, appDir, ui, {tcp, discovery, video, player, nullptr});
        services.mixer = std::make_unique<test::FakeAudioMixer>(mixer);
        services.programVersion = QStringLiteral("1.2.3.4");
        services.secrets = std::make_unique<test::FakeSecretStore>(secrets);
        form = std::make_unique<TStrovikForm>(std::move(services));
    }

    void showAt(QSize size) {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->resize(size);
        QCoreApplication::processEvents();
    }

    template <typename T>
    T* control(const char* name) {
        T* found = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void typeLogin(const QString& address, const QString& port) {
        control<QComboBox>("cbxServerAddr")->setEditText(address);
        control<QLineEdit>("NetPort")->setText(port);
        control<QLineEdit>("EditUserName")->setText(QStringLiteral("admin"));
        control<QLineEdit>("EditPwd")->setText(QStringLiteral("pw"));
    }

    QStringList rootNames() const {
        QStringList names;
        for (const auto& root : form->state().tree.model().roots()) names.push_back(root->text());
        return names;
    }

    test::TempDir dir;
    QString appDir = dir.path() + QStringLiteral("app/");
    std::shared_ptr<RecordingTcpClientLibrary> tcp = std::make_shared<RecordingTcpClientLibrary>();
    std::shared_ptr<RecordingDiscoveryLibrary> discovery = std::make_shared<RecordingDiscoveryLibrary>();
    std::shared_ptr<RecordingVideoClientLibrary> video = std::make_shared<RecordingVideoClientLibrary>();
    std::shared_ptr<RecordingStreamPlayerLibrary> player = std::make_shared<RecordingStreamPlayerLibrary>();
    std::shared_ptr<test::FakeAudioMixer::Log> mixer = std::make_shared<test::FakeAudioMixer::Log>();
    test::ScriptedUiServices ui;
    test::FakeSecretStore::Contents secrets;
    std::unique_ptr<TStrovikForm> form;
};

TEST_F(MainWindowTest, StartsInDeviceListModeWithTheTreeFromTheFileAndFourWindows) {
    start();
    showAt({1024, 768});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Orvica"));
    EXPECT_EQ(rootNames(), (QStringList{"Lobby DVR", "Yard NVR", "10000001"}));
    const auto& roots = form->state().tree.model().roots();
    EXPECT_EQ(roots[0]->children().size(), 4u);
    EXPECT_EQ(roots[1]->children()[2]->text(), QStringLiteral("CHANNEL3"));
    EXPECT_EQ(roots[0]->icon(), 6);
    EXPECT_EQ(roots[2]->icon(), 5);

    QTreeView* tree = control<QTreeView>("TreeViewList");
    QAbstractItemModelTester tester(tree->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_FALSE(tree->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_TRUE(tree->isExpanded(tree->model()->index(1, 0)));

    TViewForm& grid = form->grid();
    EXPECT_EQ(grid.layout(), 4);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(grid.view(i)->isVisible(), i < 4) << i;
    EXPECT_EQ(grid.view(3)->tag(), 68);
    EXPECT_EQ(grid.view(1)->geometry().left(), (grid.width() - 1) / 2 + 1);

    EXPECT_EQ(form->notebook().currentPage(), 1);
    EXPECT_TRUE(form->notebook().pageButtonsVisible());
    EXPECT_TRUE(control<QPushButton>("BtnLogin")->isHidden());
    EXPECT_FALSE(control<QPushButton>("BtnLogout")->isHidden());
    EXPECT_TRUE(control<QToolButton>("PowerBtn")->isVisible());
    EXPECT_TRUE(grid.NFullscreen()->isVisible());
    EXPECT_FALSE(control<QWidget>("page_login")->isEnabled());
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), QStringLiteral("Ver: 1.2.3.4"));
    EXPECT_EQ(form->tray().icon().toolTip(), QStringLiteral("Zentrova"));
    // The device list marks a camera for auto-search: one search now, then every minute.
    EXPECT_EQ(form->state().autoSearchCount, 1);
    EXPECT_EQ(discovery->searchesStarted(), 1);
    EXPECT_TRUE(form->autoSearch().timer().isActive());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowTest, CaptionsAreTheBuiltInEnglishWithoutALanguageFile) {
    start();
    EXPECT_EQ(control<QPushButton>("BtnAddServer")->text(), QStringLiteral("AddDevice"));
    EXPECT_EQ(form->notebook().pageCaption(0), QStringLiteral("USER LOGIN"));
    EXPECT_EQ(form->notebook().pageCaption(3), QStringLiteral("PTZ CONTROL"));
    EXPECT_EQ(control<QLabel>("LabUserName")->text(), QStringLiteral("UserName"));
    EXPECT_EQ(control<QToolButton>("ScreenModeBtn")->toolTip(), QStringLiteral("Screen Layout"));
    EXPECT_EQ(control<QAction>("NStartAll")->text(), QStringLiteral("Start All"));
    EXPECT_EQ(control<QAbstractItemView>("ListViewFile")->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("START TIME"));
    EXPECT_EQ(control<QComboBox>("CmbType")->itemText(3), QStringLiteral("ALARM"));
    EXPECT_EQ(control<QGroupBox>("GroupBoxFileList")->title(), QStringLiteral("FILE LIST"));
    // Controls the table leaves out keep their design captions.
    EXPECT_EQ(control<QAction>("NFULLScr")->text(), QStringLiteral("全屏"));
}

TEST_F(MainWindowTest, LanguageFileGivesCaptionsAndFont) {
    dir.write(QStringLiteral("app/1033.ini"),
              "[Font]\nName=DejaVu Sans\nSize=11\n[String Table]\n1002=Ajouter\n1200=Utilisateur\n1100=Connexion\n");
    start();
    EXPECT_EQ(control<QPushButton>("BtnAddServer")->text(), QStringLiteral("Ajouter"));
    EXPECT_EQ(control<QLabel>("LabUserName")->text(), QStringLiteral("DVRUtilisateur"));
    EXPECT_EQ(form->notebook().pageCaption(0), QStringLiteral("Connexion"));
    EXPECT_EQ(control<QPushButton>("BtnDelServer")->text(), QString());  // the file lacks 1003
    EXPECT_EQ(control<QPushButton>("BtnAddServer")->font().pointSize(), 11);
    EXPECT_EQ(form->font().family(), QStringLiteral("DejaVu Sans"));
}

TEST_F(MainWindowTest, LoginAnswersGiveTheirMessagesAndStates) {
    const struct {
        std::int32_t answer;
        const char* address;
        const char* caption;
        MessageIcon icon;
        const char* text;  // null: logged in
    } cases[] = {
        {1604, "10.9.9.9", "StrovikForm", MessageIcon::None, "User priority is lower"},
        {3200, "10.9.9.9", "StrovikForm", MessageIcon::None, "User not Exists\uFF01"},
        {-1, "127.0.0.1", "Strovik", MessageIcon::Warning, "127.0.0.1,  (-1)"},
        {-3, "10.9.9.9", "Strovik", MessageIcon::Warning, " (-3)"},
        {0, "10.9.9.9", "Strovik", MessageIcon::Warning, "Unknown error: 0"},
        {58, "10.9.9.9", nullptr, MessageIcon::None, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        form.reset();
        ui.messages.clear();
        start();
        tcp->queueVerifyAnswer(c.answer);
        typeLogin(QString::fromUtf8(c.address), QStringLiteral("5050"));
        form->login().BtnLoginClick();

        const VerifyUserRequest request = tcp->verifyRequests().back();
        EXPECT_EQ(request.host, c.address);
        EXPECT_EQ(request.port, 7050);
        EXPECT_EQ(request.userName, "admin");
        if (c.text) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].request.caption, QString::fromUtf8(c.caption));
            EXPECT_EQ(ui.messages[0].request.text, QString::fromUtf8(c.text));
            EXPECT_EQ(ui.messages[0].request.icon, c.icon);
            EXPECT_EQ(form->state().currentRights, -1);
            EXPECT_EQ(rootNames().size(), 3);
            continue;
        }
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(form->state().currentRights, 58);
        EXPECT_EQ(form->state().loginChannelCount, 16);
        EXPECT_EQ(form->state().loginUserName, QStringLiteral("admin"));
        EXPECT_EQ(rootNames(), (QStringList{"10.9.9.9", "Lobby DVR", "Yard NVR", "10000001"}));
        EXPECT_EQ(form->state().tree.model().roots()[0]->children().size(), 16u);
        EXPECT_EQ(form->notebook().currentPage(), 1);
        // The device information is asked for on a command connection to port + 2000.
        ASSERT_EQ(tcp->connectRequests().size(), 1u);
        EXPECT_EQ(tcp->connectRequests()[0].port, 7050);
        ASSERT_EQ(tcp->sends().size(), 1u);
        EXPECT_EQ(tcp->sends()[0].bytes.size(), 268u);
    }
}

TEST_F(MainWindowTest, LowRightsStillRememberTheLoginWhileFailuresDoNot) {
    start();
    tcp->queueVerifyAnswer(-2);
    typeLogin(QStringLiteral("10.9.9.8"), QStringLiteral("5050"));
    form->login().BtnLoginClick();
    EXPECT_FALSE(StoredLoginStore(dir.file(QStringLiteral("registry.ini"))).read().has_value());

    tcp->queueVerifyAnswer(1604);
    form->login().BtnLoginClick();
    const auto stored = StoredLoginStore(dir.file(QStringLiteral("registry.ini"))).read();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->serverAddr, QStringLiteral("10.9.9.8"));
    EXPECT_EQ(form->state().loginChannelCount, 16);
}

TEST_F(MainWindowTest, DeviceIdIsCompletedWithTheDdnsSuffixAndKeptInTheHistory) {
    start();
    tcp->queueVerifyAnswer(58);
    typeLogin(QStringLiteral("123456"), QStringLiteral("5050"));
    form->login().BtnLoginClick();

    const QString completed = QStringLiteral("123456.ddns.strovik.example");
    EXPECT_EQ(control<QComboBox>("cbxServerAddr")->currentText(), completed);
    EXPECT_EQ(form->state().currentAddress, completed);
    EXPECT_EQ(tcp->verifyRequests().back().host, completed.toStdString());
    EXPECT_TRUE(form->state().loginByVendorDomain);
    QStringList history;
    form->login().settings().FillServerHistory(history);
    EXPECT_EQ(history, QStringList{completed});
}

TEST_F(MainWindowTest, PortThatIsNoNumberIsReportedWithoutALogin) {
    start();
    for (const char* port : {"abc", "", "70000"}) {
        SCOPED_TRACE(port);
        ui.messages.clear();
        typeLogin(QStringLiteral("10.9.9.9"), QString::fromUtf8(port));
        form->login().BtnLoginClick();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("Strovik"));
        EXPECT_TRUE(ui.messages[0].request.text.contains(QStringLiteral("not a port number")));
    }
    EXPECT_TRUE(tcp->verifyRequests().empty());
}

TEST_F(MainWindowTest, DeviceInformationReplyBecomesCurrent) {
    start();
    tcp->queueVerifyAnswer(58);
    typeLogin(QStringLiteral("10.9.9.9"), QStringLiteral("5050"));
    form->login().BtnLoginClick();
    const std::int32_t connection = form->state().searchConnection;
    ASSERT_GT(connection, 0);

    std::vector<std::uint8_t> reply(48, 0);
    PutLittleEndian32(reply.data(), 114);
    PutLittleEndian16(reply.data() + 4, 9);
    PutLittleEndian16(reply.data() + 6, 7);
    reply[12] = 1;
    // A reply on another connection is stale and ignored; ours arrives on a library thread.
    tcp->deliverCustomReceive(connection + 100, reply);
    std::thread([&] { tcp->deliverCustomReceive(connection, reply); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->state().searchConnection == 0; }, 5000));
    EXPECT_EQ(form->state().currentVersion.major, 9);
    EXPECT_EQ(form->state().currentVersion.minor, 7);
    EXPECT_EQ(form->state().currentChannelRights[0], 1);
    EXPECT_EQ(tcp->disconnects(), std::vector<std::int32_t>{connection});
}

TEST_F(MainWindowTest, LoginStateSwitchesTheControls) {
    start();
    showAt({1024, 768});
    TBottomBar* bar = control<TBottomBar>("PanelBottom");
    QWidget* loginTab = control<QWidget>("localLogin");
    QLineEdit* user = control<QLineEdit>("EditUserName");
    QLineEdit* password = control<QLineEdit>("EditPwd");
    password->setText(QStringLiteral("typed"));

    form->state().currentRights = -1;
    form->login().ApplyLoginState();
    EXPECT_EQ(form->notebook().currentPage(), 0);
    EXPECT_FALSE(form->notebook().pageButtonsVisible());
    EXPECT_FALSE(control<QPushButton>("BtnLogin")->isHidden());
    EXPECT_TRUE(control<QPushButton>("BtnLogout")->isHidden());
    EXPECT_TRUE(user->isEnabledTo(loginTab));
    EXPECT_TRUE(password->isEnabledTo(loginTab));
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_FALSE(control<QCheckBox>("cbAutoLogin")->isHidden());
    EXPECT_EQ(control<QPushButton>("BtnLogout")->y(), 260);
    EXPECT_EQ(control<QPushButton>("BtnCancel")->y(), 295);
    EXPECT_FALSE(bar->AudioBtn->isEnabled());
    EXPECT_FALSE(bar->VolumeBar->isEnabled());
    EXPECT_FALSE(form->grid().NFullscreen()->isVisible());
    EXPECT_FALSE(bar->PowerBtn->isVisible());
    EXPECT_FALSE(bar->PowerBtn->isEnabled());

    form->grid().SetLayout(9);
    form->state().currentRights = 58;
    form->login().ApplyLoginState();
    EXPECT_EQ(form->grid().layout(), 4);
    EXPECT_EQ(form->notebook().currentPage(), 1);
    EXPECT_TRUE(form->notebook().pageButtonsVisible());
    EXPECT_TRUE(control<QPushButton>("BtnLogin")->isHidden());
    EXPECT_FALSE(control<QPushButton>("BtnLogout")->isHidden());
    EXPECT_FALSE(user->isEnabledTo(loginTab));
    EXPECT_FALSE(password->isEnabledTo(loginTab));
    EXPECT_TRUE(control<QCheckBox>("cbAutoLogin")->isHidden());
    EXPECT_EQ(control<QPushButton>("BtnLogout")->y(), 230);
    EXPECT_EQ(control<QPushButton>("BtnCancel")->y(), 280);
    EXPECT_TRUE(bar->AudioBtn->isEnabled());
    EXPECT_TRUE(bar->VolumeBar->isEnabled());
    EXPECT_TRUE(form->grid().NFullscreen()->isVisible());
    EXPECT_FALSE(bar->PowerBtn->isVisible());  // the logged-in state leaves the exit button alone
}

TEST_F(MainWindowTest, RightClicksOnTheTreeSetTheStartPositionOrPopTheMenu) {
    start();
    showAt({1024, 768});
    QTreeView* tree = control<QTreeView>("TreeViewList");
    QMenu* menu = control<QMenu>("pmServerList");
    QAbstractItemModel* model = tree->model();
    auto centreOf = [&](const QModelIndex& index) {
        const QRect cell = tree->visualRect(index);
        return QPoint(cell.left() + 20, cell.center().y());
    };

    const QModelIndex thirdChannelOfSecond = model->index(2, 0, model->index(1, 0));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, centreOf(thirdChannelOfSecond));
    EXPECT_EQ(form->state().startPosition, 7);
    EXPECT_EQ(tree->currentIndex(), thirdChannelOfSecond);
    EXPECT_FALSE(menu->isVisible());

    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, QPoint(10, tree->viewport()->height() - 5));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(tree->currentIndex(), thirdChannelOfSecond);
    EXPECT_EQ(form->state().startPosition, 1);
    menu->hide();

    // A device: selected, with the menu; a left click on a device makes its address current.
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, centreOf(model->index(1, 0)));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(tree->currentIndex(), model->index(1, 0));
    menu->hide();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(model->index(0, 0)));
    EXPECT_EQ(form->state().currentAddress, QStringLiteral("10.20.0.2"));
}

TEST_F(MainWindowTest, LayoutOfAWindow1024Wide) {
    start();
    showAt({1024, 733});
    EXPECT_EQ(control<QWidget>("PanelFloor")->geometry(), QRect(0, 0, 874, 660));
    EXPECT_EQ(control<QWidget>("PanelRight")->geometry(), QRect(874, 0, 150, 645));
    EXPECT_EQ(control<QWidget>("PanelBottom")->geometry(), QRect(0, 660, 1024, 73));
    EXPECT_EQ(control<QWidget>("ScreenModeBtn")->x(), 437 - control<QWidget>("ScreenModeBtn")->width() / 2);
    EXPECT_EQ(control<QWidget>("GroupBoxFileList")->x(), 761);
    EXPECT_EQ(form->grid().size(), QSize(874, 660));
    EXPECT_EQ(control<QWidget>("BtnSearch")->geometry(), QRect(23, 262, 89, 35));
}

TEST_F(MainWindowTest, PageChangeHidesTheFileListAndTheRecordPageListsTheDevices) {
    start();
    TRecordFileList& list = form->fileList();
    list.ShowFileList(true);
    form->notebook().setCurrentPage(2);
    EXPECT_FALSE(list.isVisibleTo(form.get()));
    QComboBox* devices = control<QComboBox>("DevList");
    EXPECT_EQ(devices->count(), 3);
    EXPECT_EQ(devices->currentText(), QStringLiteral("Lobby DVR"));
    EXPECT_EQ(control<QComboBox>("CmbChn")->count(), 4);
    EXPECT_EQ(form->state().currentAddress, QStringLiteral("10.20.0.2"));

    form->notebook().setCurrentPage(3);
    EXPECT_EQ(devices->count(), 0);
}

TEST_F(MainWindowTest, FirstShowPutsTheStoredLoginOnTheLoginPageWithoutLoggingIn) {
    StoredLoginStore(dir.file(QStringLiteral("registry.ini")))
        .write(StoredLogin{QStringLiteral("10.0.0.5"), 6000, QStringLiteral("boss"), QStringLiteral("pw"), true});
    start();
    showAt({1024, 768});
    EXPECT_EQ(control<QComboBox>("cbxServerAddr")->currentText(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(control<QLineEdit>("NetPort")->text(), QStringLiteral("6000"));
    EXPECT_EQ(control<QLineEdit>("EditUserName")->text(), QStringLiteral("admin"));
    EXPECT_TRUE(tcp->verifyRequests().empty());
}

TEST_F(MainWindowTest, FirstShowWithNothingStored) {
    start();
    showAt({1024, 768});
    EXPECT_TRUE(control<QComboBox>("cbxServerAddr")->currentText().isEmpty());
    EXPECT_EQ(control<QLineEdit>("NetPort")->text(), QStringLiteral("0"));
}

TEST_F(MainWindowTest, ShowingWhileAtAVendorServerLogsInAutomatically) {
    StoredLoginStore(dir.file(QStringLiteral("registry.ini")))
        .write(StoredLogin{QStringLiteral("10.0.0.5"), 6000, QStringLiteral("boss"), QStringLiteral("pw"), true});
    start();
    form->state().currentAddress = QStringLiteral("www.ddns.strovik.example");
    tcp->queueVerifyAnswer(58);
    showAt({1024, 768});
    ASSERT_EQ(tcp->verifyRequests().size(), 1u);
    EXPECT_EQ(tcp->verifyRequests()[0].userName, "boss");
    EXPECT_EQ(tcp->verifyRequests()[0].port, 8000);
    EXPECT_EQ(form->state().currentRights, 58);
}

TEST_F(MainWindowTest, AnsweringNoToCloseKeepsEverythingRunning) {
    start();
    showAt({1024, 768});
    ui.answers = {MessageAnswer::No};
    EXPECT_FALSE(form->close());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.text, QStringLiteral("Close And Exit!"));
    EXPECT_EQ(ui.messages[0].request.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->autoSearch().timer().isActive());

    ui.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, ClosingSavesTheDeviceListWithoutALogin) {
    start();
    auto gate = std::make_unique<DeviceNode>();
    gate->kind = NodeKind::Device;
    gate->id = form->state().tree.nextDeviceId();
    gate->name = QStringLiteral("Gate Camera");
    gate->connection.address = QStringLiteral("10.20.0.30");
    gate->connection.port = 5050;
    gate->connection.deviceType = DeviceType::NetworkCamera;
    form->state().tree.AddDeviceWithChannels(std::move(gate), 1);
    ASSERT_TRUE(form->close());
    form.reset();

    const IniFile saved = IniFile::load(appDir + QLatin1String(kDeviceListFileName));
    EXPECT_EQ(saved.sectionNames(), (QStringList{"Lobby DVR", "Yard NVR", "10000001", "Gate Camera"}));
    EXPECT_EQ(saved.readString(QStringLiteral("Gate Camera"), QStringLiteral("Addr"), {}), QStringLiteral("10.20.0.30"));
    EXPECT_EQ(saved.readInt(QStringLiteral("Gate Camera"), QStringLiteral("ChnCount"), 0), 1);
    EXPECT_EQ(ui.messages.size(), 1u);  // only the close question
}

TEST_F(MainWindowTest, DeviceListThatCannotGoToAppDirIsSavedElsewhereAndTheOperatorIsTold) {
    start();
    // appDir turns into something that cannot hold files.
    ASSERT_TRUE(QDir(appDir).removeRecursively());
    dir.write(QStringLiteral("app"), "a file in the way");
    form.reset();

    const QString fallbackList = dir.path() + QStringLiteral("fallback/") + QLatin1String(kDeviceListFileName);
    EXPECT_EQ(IniFile::load(fallbackList).sectionNames(), (QStringList{"Lobby DVR", "Yard NVR", "10000001"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.icon, MessageIcon::Warning);
    EXPECT_TRUE(ui.messages[0].request.text.contains(fallbackList));
}

// Strovik.ini asks for the secret service: the device list loses its passwords to it at close and
// gets them back at the next start; a service that cannot be reached at the start is reported and
// its entries survive the next close.
TEST_F(MainWindowTest, TheSecretServiceSettingKeepsTheDevicePasswordsOutOfTheList) {
    dir.write(QStringLiteral("app/Strovik.ini"), "[Passwords]\nStore=SecretService\n");
    const QString list = appDir + QLatin1String(kDeviceListFileName);
    start();
    form.reset();
    const IniFile saved = IniFile::load(list);
    for (const QString& device : {QStringLiteral("Lobby DVR"), QStringLiteral("Yard NVR"), QStringLiteral("10000001")}) {
        SCOPED_TRACE(device.toStdString());
        EXPECT_EQ(saved.readString(device, QStringLiteral("Pwd"), QStringLiteral("missing")), QString());
        EXPECT_EQ(saved.readInt(device, QLatin1String(kPasswordInKeyringKey), 0), 1);
    }
    EXPECT_EQ(secrets.secrets.value(DeviceListSecretKey(list, QStringLiteral("Lobby DVR"))), QStringLiteral("admin"));
    EXPECT_TRUE(ui.messages.empty());

    start();
    EXPECT_EQ(form->state().tree.devices().at(0)->connection.password.toQString(), QStringLiteral("admin"));
    form.reset();
    EXPECT_TRUE(ui.messages.empty());

    secrets.failure = QStringLiteral("The name org.freedesktop.secrets was not provided by any .service files");
    secrets.calls = 0;
    start();
    EXPECT_EQ(form->state().tree.devices().at(0)->connection.password.toQString(), QString());
    EXPECT_EQ(secrets.calls, 1);  // one failure is enough for the whole list
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].request.text.contains(QStringLiteral("passwords of 3 devices")));
    EXPECT_TRUE(ui.messages[0].request.text.contains(secrets.failure));
    form.reset();
    EXPECT_EQ(IniFile::load(list).readInt(QStringLiteral("Lobby DVR"), QLatin1String(kPasswordInKeyringKey), 0), 1);
    EXPECT_EQ(secrets.secrets.size(), 3);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MainWindowTest, DeviceListThatCannotBeReadIsReportedAndNotOverwritten) {
    const QString list = appDir + QLatin1String(kDeviceListFileName);
    QFile::remove(list);
    QDir().mkpath(list);  // a directory where the file should be: nothing can read it
    start();
    EXPECT_TRUE(form->state().tree.devices().empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].request.text.contains(QStringLiteral("could not be read")));
    form.reset();
    EXPECT_TRUE(QFileInfo(list).isDir());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(ui.messages[1].request.text.contains(QStringLiteral("It was saved to")));
}

TEST_F(MainWindowTest, GarbageDeviceListStartsWithWhatCanBeRead) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>((i * 7919) % 256));
    garbage.append("\n[Kept]\nAddr=10.1.1.1\nChnCount=99999999\nPort=banana\n");
    dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), garbage);
    start();
    ASSERT_FALSE(form->state().tree.devices().empty());
    const DeviceNode& kept = *form->state().tree.devices().back();
    EXPECT_EQ(kept.name.toQString(), QStringLiteral("Kept"));
    EXPECT_EQ(kept.connection.port, 5050);
    EXPECT_LE(form->state().tree.model().roots().back()->children().size(), 1024u);
}

TEST_F(MainWindowTest, VolumeSliderFollowsTheMixerAndOnlyMovesReachIt) {
    mixer->control = MixerVolumeControl{1, 2, 0, 65535};
    start();
    QSlider* slider = control<QSlider>("VolumeBar");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 65535);
    EXPECT_EQ(slider->value(), 65535);
    EXPECT_TRUE(mixer->volumesSet.empty());
    slider->setValue(1200);
    EXPECT_EQ(mixer->volumesSet, std::vector<std::uint32_t>{1200});
}

TEST_F(MainWindowTest, WithoutAMixerTheSliderKeepsItsDesignRange) {
    mixer->opens = false;
    start();
    QSlider* slider = control<QSlider>("VolumeBar");
    EXPECT_EQ(slider->maximum(), 255);
    EXPECT_EQ(slider->value(), 0);
    slider->setValue(100);
    EXPECT_TRUE(mixer->volumesSet.empty());
}

TEST_F(MainWindowTest, CameraFoundOnTheLanTakesItsNewAddress) {
    start();
    IpcSearchRecord camera;
    camera.deviceId = 10000001;
    camera.ipText = std::string_view("10.20.0.99");
    camera.videoPort = 5070;
    std::thread([&] { discovery->reportCamera(camera); }).join();
    const DeviceNode* device = form->state().tree.devices()[2].get();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device->connection.address.str() == "10.20.0.99"; }, 5000));
    EXPECT_EQ(device->connection.port, 5070);
    EXPECT_EQ(form->state().tree.model().roots()[2]->icon(), 3);
}

TEST_F(MainWindowTest, SecondStartBringsTheWindowBackFromTheTray) {
    start();
    showAt({1024, 768});
    form->hide();  // what minimising into the tray does
    SingleInstance running(QStringLiteral("strovik-gui-test"), dir.path());
    ASSERT_EQ(running.Acquire(), SingleInstance::Role::Primary);
    QObject::connect(&running, &SingleInstance::raiseRequested, form.get(), [this] { form->RestoreFromOtherInstance(); });

    SingleInstance second(QStringLiteral("strovik-gui-test"), dir.path());
    ASSERT_EQ(second.Acquire(), SingleInstance::Role::Secondary);
    auto answered = std::async(std::launch::async, [&] { return second.SendRaise(5s); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->isVisible(); }, 5000));
    EXPECT_TRUE(answered.get());
    EXPECT_FALSE(form->isMinimized());
}

}  // namespace
}  // namespace strovik
