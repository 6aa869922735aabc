#include "app/LoginController.h"

#include "app/BottomBar.h"
#include "app/LanAutoSearch.h"
#include "app/LoginPage.h"
#include "app/MainWindowState.h"
#include "app/RecordPage.h"
#include "app/ToolNotebook.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/DeviceListFile.h"
#include "devices/Functions.h"
#include "devices/Verification.h"
#include "liveview/PtzControl.h"
#include "liveview/ViewForm.h"
#include "platform/UiServices.h"
#include "recordings/RecordFileList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <limits>

namespace strovik {

namespace {

constexpr char kLoginCaption[] = "Strovik";
constexpr char kRightsCaption[] = "StrovikForm";
constexpr int kLoginPage = 0;
constexpr int kDeviceListPage = 1;
constexpr int kLoggedOutLogoutTop = 260;
constexpr int kLoggedInLogoutTop = 230;
constexpr int kLoggedInCancelTop = 280;
constexpr int kButtonGap = 10;

void moveTop(QWidget* control, int top) { control->move(control->x(), top); }

}  // namespace

LoginController::LoginController(MainWindowState& state, TcpClientLibrary& library, UiServices& ui,
                                 LoginSettings settings, LanAutoSearch& autoSearch, PtzControl& ptz,
                                 LoginViews views)
    : state_(state),
      library_(library),
      ui_(ui),
      settings_(std::move(settings)),
      autoSearch_(autoSearch),
      ptz_(ptz),
      views_(views) {}

void LoginController::showMessage(const QString& caption, const QString& text, bool warning) {
    ui_.ShowMessage(&views_.owner, MessageRequest{caption, text, warning ? MessageIcon::Warning : MessageIcon::None,
                                                  MessageButtons::Ok});
}

void LoginController::BtnLoginClick() {
    TLoginPage& page = views_.loginPage;
    const QString userName = page.EditUserName->text();
    const QString password = page.EditPwd->text();

    const QString typed = page.cbxServerAddr->currentText();
    if (!typed.isEmpty()) {
        if (!typed.contains(QLatin1Char('.'))) page.cbxServerAddr->setEditText(CompleteDeviceAddress(typed));
        state_.currentAddress = page.cbxServerAddr->currentText().trimmed();
    }

    // A port box without a port stopped the old login with a bare conversion error.
    bool isNumber = false;
    const uint port = page.NetPort->text().trimmed().toUInt(&isNumber, 10);
    if (!isNumber || port > std::numeric_limits<std::uint16_t>::max()) {
        showMessage(QLatin1String(kLoginCaption),
                    QStringLiteral("\"%1\" is not a port number (0 to 65535).").arg(page.NetPort->text()), true);
        return;
    }
    state_.currentPort = port;

    state_.loginByVendorDomain = IsVendorDomain(state_.currentAddress);
    const QString host = LibraryHost(state_.currentAddress);
    const std::int32_t answer = library_.NV_VerifyUser(VerifyUserRequest{
        userName.toStdString(), password.toStdString(), host.toStdString(),
        static_cast<std::int32_t>(state_.currentPort + kCommandPortOffset)});
    if (answer <= 0) {
        showMessage(QLatin1String(kLoginCaption), LoginFailureMessage(answer, host, state_.currentAddress, state_.strings),
                    true);
        return;
    }

    const VerifyAnswer decoded = DecodeVerifyAnswer(answer);
    settings_.SaveLoginInfo(state_.currentAddress, state_.currentPort, userName, password,
                            page.cbAutoLogin->isChecked());
    UpdateLoginChannelCount(state_, decoded);
    if (decoded.rightsLevel < kVerifiedRights) {
        showMessage(QLatin1String(kRightsCaption), RightsLevelMessage(decoded.rightsLevel, state_.strings), false);
        return;
    }

    state_.currentRights = decoded.rightsLevel;
    state_.loginUserName = userName;
    state_.loginPassword = password;
    RebuildTree();
    LoadDeviceList();
    ApplyLoginState();
    QueryDeviceInfo(library_, state_);
}

void LoginController::BtnCancelClick() {
    state_.currentAddress.clear();
    RebuildTree();
    LoadDeviceList();
    if (state_.autoSearchCount > 0) {
        autoSearch_.StartSearch();
        autoSearch_.timer().start();
    }
    views_.grid.SetLayout(kStartLayout);
    views_.notebook.setCurrentPage(kDeviceListPage);
    views_.notebook.setPageButtonsVisible(true);

    TLoginPage& page = views_.loginPage;
    page.BtnLogin->hide();
    page.BtnLogout->show();
    page.EditUserName->setEnabled(false);
    page.EditPwd->setEnabled(false);
    page.cbAutoLogin->hide();
    views_.bottomBar.AudioBtn->setEnabled(true);
    views_.bottomBar.VolumeBar->setEnabled(true);
    views_.grid.NFullscreen()->setVisible(true);
    views_.bottomBar.PowerBtn->show();
    views_.bottomBar.PowerBtn->setEnabled(true);
}

void LoginController::ApplyLoginState() {
    TLoginPage& page = views_.loginPage;
    TBottomBar& bar = views_.bottomBar;
    const bool loggedIn = state_.currentRights >= kVerifiedRights;
    if (loggedIn) views_.grid.SetLayout(kStartLayout);
    views_.notebook.setCurrentPage(loggedIn ? kDeviceListPage : kLoginPage);
    views_.notebook.setPageButtonsVisible(loggedIn);
    page.BtnLogin->setVisible(!loggedIn);
    page.BtnLogout->setVisible(loggedIn);
    page.EditUserName->setEnabled(!loggedIn);
    page.EditPwd->setEnabled(!loggedIn);
    if (!loggedIn) page.EditPwd->clear();
    page.cbAutoLogin->setVisible(!loggedIn);
    if (loggedIn) {
        moveTop(page.BtnLogout, kLoggedInLogoutTop);
        moveTop(page.BtnCancel, kLoggedInCancelTop);
    } else {
        moveTop(page.BtnLogout, kLoggedOutLogoutTop);
        moveTop(page.BtnCancel, page.BtnLogin->geometry().bottom() + 1 + kButtonGap);
    }
    bar.AudioBtn->setEnabled(loggedIn);
    bar.VolumeBar->setEnabled(loggedIn);
    views_.grid.NFullscreen()->setVisible(loggedIn);
    if (!loggedIn) {
        bar.PowerBtn->hide();
        bar.PowerBtn->setEnabled(false);
    }
}

void LoginController::RebuildTree() {
    CloseSearchConnection(library_, state_);
    ptz_.CloseConnections();
    views_.fileList.clearRows();
    views_.recordPage.CmbChn->clear();

    if (state_.currentAddress.isEmpty()) {
        state_.tree.RebuildTree(nullptr);
        return;
    }
    LoggedInDevice login;
    login.name = views_.loginPage.cbxServerAddr->currentText().trimmed();
    login.address = state_.currentAddress;
    login.port = static_cast<std::uint16_t>(state_.currentPort);
    login.serverType = state_.loginServerType;
    login.userName = state_.loginUserName;
    login.password = state_.loginPassword;
    login.channelCount = state_.loginChannelCount;
    state_.tree.RebuildTree(&login);
    for (const auto& channel : state_.tree.channels()) views_.recordPage.CmbChn->addItem(channel->name.toQString());
    views_.recordPage.CmbChn->setCurrentIndex(0);
}

void LoginController::LoadDeviceList() {
    const QString path = state_.appDir + QLatin1String(kDeviceListFileName);
    const DeviceListLoad load = strovik::LoadDeviceList(path, state_.tree, state_.devicePasswords.secrets);
    state_.autoSearchCount += load.autoSearchDevices;
    state_.devicePasswords.notRead.unite(load.passwordsNotRead);
    if (!load.passwordsNotRead.isEmpty())
        showMessage(QLatin1String(kLoginCaption),
                    QStringLiteral("The passwords of %1 devices are kept in the desktop's secret service, which "
                                   "could not be reached: %2\nThese devices have no password until it can be "
                                   "reached again; their stored passwords are kept.")
                        .arg(load.passwordsNotRead.size())
                        .arg(load.secretStoreError),
                    true);
    if (!load.error.isEmpty())
        showMessage(QLatin1String(kLoginCaption),
                    QStringLiteral("The device list %1 could not be read: %2").arg(path, load.error), true);
}

}  // namespace strovik
