#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace strovik {

// The tool notebook's login page. Its tab control page_login is created disabled and nothing
// enables it, so the page takes no input: it shows the stored login, and the login it offers runs
// only from the main window's automatic login. The controls are created disabled as well.
class TLoginPage final : public QWidget {
    Q_OBJECT

public:
    explicit TLoginPage(QWidget* parent = nullptr);

    // Places the controls where the layout puts them.
    void applyGeometry();

    QTabWidget* page_login = nullptr;
    QWidget* localLogin = nullptr;  // the tab
    QLabel* LabSerReg = nullptr;
    QComboBox* cbxServerAddr = nullptr;
    QLabel* NetPosrLabel = nullptr;
    QLineEdit* NetPort = nullptr;
    QLabel* LabUserName = nullptr;
    QLineEdit* EditUserName = nullptr;
    QLabel* LabPwd = nullptr;
    QLineEdit* EditPwd = nullptr;
    QCheckBox* cbAutoLogin = nullptr;
    QPushButton* BtnLogin = nullptr;
    QPushButton* BtnLogout = nullptr;
    QPushButton* BtnCancel = nullptr;
};

}  // namespace strovik
