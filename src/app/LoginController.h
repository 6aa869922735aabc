#pragma once

#include "app/LoginSettings.h"

class QWidget;

namespace strovik {

struct MainWindowState;
class LanAutoSearch;
class PtzControl;
class TBottomBar;
class TcpClientLibrary;
class TLoginPage;
class TRecordFileList;
class TRecordPage;
class TToolNotebook;
class TViewForm;
class UiServices;

// The controls the login states switch.
struct LoginViews {
    QWidget& owner;  // owns the message boxes
    TLoginPage& loginPage;
    TToolNotebook& notebook;
    TBottomBar& bottomBar;
    TViewForm& grid;
    TRecordPage& recordPage;
    TRecordFileList& fileList;
};

// The main window's login concern: the login page's login, device-list mode (the state the program
// starts in), the control states of logged-in and logged-out, and the rebuilding of the device
// tree these go through. Main thread only.
class LoginController final {
public:
    LoginController(MainWindowState& state, TcpClientLibrary& library, UiServices& ui, LoginSettings settings,
                    LanAutoSearch& autoSearch, PtzControl& ptz, LoginViews views);

    // Verifies the login page's user on the address and port in its boxes; on success the tree
    // shows that device followed by the device list. Every failure is reported in a message box.
    void BtnLoginClick();
    // Device-list mode: no login, the tree filled from the device list file, the grid at 4 windows.
    void BtnCancelClick();
    // Sets the controls for the state that currentRights gives: logged in from 32 on.
    void ApplyLoginState();
    // Closes the command connections and builds lists and tree for the current login (empty
    // without a currentAddress).
    void RebuildTree();
    // Appends the devices of the device list file to the tree.
    void LoadDeviceList();

    const LoginSettings& settings() const { return settings_; }

private:
    void showMessage(const QString& caption, const QString& text, bool warning);

    MainWindowState& state_;
    TcpClientLibrary& library_;
    UiServices& ui_;
    LoginSettings settings_;
    LanAutoSearch& autoSearch_;
    PtzControl& ptz_;
    LoginViews views_;
};

}  // namespace strovik
