#include "app/LoginPage.h"

#include "app/ControlPlacement.h"
#include "app/MainWindowLayout.h"
#include "platform/NamedControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace strovik {

TLoginPage::TLoginPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LoginPage"));
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 2, 0, 0);
    page_login = MakeControl<QTabWidget>(this, "page_login");
    fill->addWidget(page_login);

    localLogin = MakeControl<QWidget>(page_login, "localLogin");
    page_login->addTab(localLogin, QStringLiteral("本地登录"));

    LabSerReg = MakeControl<QLabel>(localLogin, "LabSerReg", QStringLiteral("服务器域名："));
    cbxServerAddr = MakeControl<QComboBox>(localLogin, "cbxServerAddr");
    cbxServerAddr->setEditable(true);
    NetPosrLabel = MakeControl<QLabel>(localLogin, "NetPosrLabel", QStringLiteral("网络传输端口："));
    NetPort = MakeControl<QLineEdit>(localLogin, "NetPort", QStringLiteral("5050"));
    LabUserName = MakeControl<QLabel>(localLogin, "LabUserName", QStringLiteral("DVR用户名："));
    EditUserName = MakeControl<QLineEdit>(localLogin, "EditUserName", QStringLiteral("1"));
    LabPwd = MakeControl<QLabel>(localLogin, "LabPwd", QStringLiteral("密码："));
    EditPwd = MakeControl<QLineEdit>(localLogin, "EditPwd");
    EditPwd->setEchoMode(QLineEdit::Password);
    cbAutoLogin = MakeControl<QCheckBox>(localLogin, "cbAutoLogin", QStringLiteral("自动登录"));
    BtnLogin = MakeControl<QPushButton>(localLogin, "BtnLogin", QStringLiteral("登录"));
    BtnLogout = MakeControl<QPushButton>(localLogin, "BtnLogout", QStringLiteral("注销"));
    BtnLogout->hide();
    BtnCancel = MakeControl<QPushButton>(localLogin, "BtnCancel", QStringLiteral("取消"));

    for (QWidget* control : std::initializer_list<QWidget*>{cbxServerAddr, NetPort, EditUserName, EditPwd, cbAutoLogin,
                                                             BtnLogin, BtnLogout, BtnCancel})
        control->setEnabled(false);
    page_login->setEnabled(false);
    applyGeometry();
}

void TLoginPage::applyGeometry() { PlaceControls(*localLogin, LoginPageGeometry()); }

}  // namespace strovik
