#pragma once

#include "app/MainWindowState.h"
#include "devicelibs/DeviceLibraries.h"
#include "platform/SecretStore.h"
#include "platform/StoredLogin.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QFrame;

namespace strovik {

class AudioMixer;
class BackgroundCalls;
class CallbackRelay;
class ChannelOpening;
class TDeviceCommands;
class LanAutoSearch;
class LoginController;
class PtzControl;
class RecordButtons;
class RecordSearch;
class TBottomBar;
class TFormDownLoad;
class TransferRouter;
class TDeviceListPage;
class TLoginPage;
class TPtzPage;
class TRecordFileList;
class TRecordPage;
class TRecordTimeline;
class TToolNotebook;
class TrayPresence;
class TViewForm;
class TVolumeCtrl;
class UiServices;

// What the main window is built from: the device libraries, the dialogs, the stores and the
// directories. The program passes the real ones, tests their doubles and temporary directories.
struct MainWindowServices {
    DeviceLibraries libraries;  // tcpClient, videoClient and streamPlayer must be set
    UiServices* ui = nullptr;   // not owned; must outlive the window
    StoredLoginStore loginStore;
    std::unique_ptr<SecretStore> secrets;  // may be null: no secret service; asked only when needed
    std::unique_ptr<AudioMixer> mixer;  // may be null: no sound card
    QString appDir;                     // ends with '/'
    QString installedLanguageDir;       // read-only language files after appDir's; may be empty
    // Where the device list goes when appDir cannot take it at close.
    QString fallbackDir;
    std::uint16_t systemLanguageId = 1033;
    std::optional<QString> programVersion;  // the running executable's file version
    // How long a recording file grows before the next one starts.
    std::chrono::milliseconds recordRotation{600000};
};

// The main window TStrovikForm: the video area with the grid, the tool column with its four pages,
// the bottom bar, the tray icon. It owns the shared state and the controls and hands both to its
// concerns (login, device tree, record page, volume, auto-search, layout); it is created once per
// process. GUI thread only.
class TStrovikForm final : public QWidget {
    Q_OBJECT

public:
    static constexpr char kCaption[] = "Orvica";
    static constexpr char kCloseQuestion[] = "Close And Exit!";

    explicit TStrovikForm(MainWindowServices services, QWidget* parent = nullptr);
    // Runs FormDestroy: connections closed, device list saved, records released.
    ~TStrovikForm() override;

    MainWindowState& state() { return state_; }
    LoginController& login() { return *login_; }
    LanAutoSearch& autoSearch() { return *autoSearch_; }
    TViewForm& grid() { return *grid_; }
    TToolNotebook& notebook() { return *notebook_; }
    TDeviceListPage& deviceListPage() { return *deviceListPage_; }
    TRecordFileList& fileList() { return *fileList_; }
    TRecordTimeline& timeline() { return *timeline_; }
    TrayPresence& tray() { return *tray_; }
    TBottomBar& bottomBar() { return *bottomBar_; }
    ChannelOpening& opening() { return *opening_; }
    RecordButtons& recordButtons() { return *recordButtons_; }
    RecordSearch& recordSearch() { return *recordSearch_; }
    PtzControl& ptz() { return *ptz_; }
    TDeviceCommands& deviceCommands() { return *deviceCommands_; }
    // The open download dialog, or none.
    TFormDownLoad* downloadDialog() const { return downloadDialog_; }

    // A second start asked for the window: shown (also out of the tray), in front, active.
    void RestoreFromOtherInstance();
    // Closes as a confirmed close does, without the question: a stop signal or the session ending.
    void CloseWithoutQuestion();
    // Places every region and control for the window's current size.
    void LayoutMainWindow();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void openVolumeControl();
    void connectLiveView();
    void connectRecordSearch();
    void createPtzControl();
    void connectDeviceCommands();
    void registerLibraryCallbacks();
    void NotebookToolsPageChanged(int page);
    void OnCommandReceive(std::int32_t handle, const QByteArray& message);
    void showStoredLogin(bool vendorServer);
    // The record list's double-click and its NBackup item.
    void PlaySelectedRecord(const QString& fileName);
    void NBackupClick(const QString& fileName);
    // The timeline's click: row from offsetMs in the selected window.
    void PlayTimelineRecord(int row, std::int64_t offsetMs);

    MainWindowServices services_;
    MainWindowState state_;
    // Blocking library calls of the grid and the channel openings; waits for them when it goes,
    // before the libraries do.
    std::unique_ptr<BackgroundCalls> calls_;
    // Transfer notifications to the playing windows and the download dialog; goes after them.
    std::unique_ptr<TransferRouter> transfers_;
    TFormDownLoad* downloadDialog_ = nullptr;
    QString versionText_;
    std::shared_ptr<CallbackRelay> relay_;

    QWidget* panelFloor_ = nullptr;
    QFrame* panelRight_ = nullptr;
    TViewForm* grid_ = nullptr;
    TToolNotebook* notebook_ = nullptr;
    TLoginPage* loginPage_ = nullptr;
    TDeviceListPage* deviceListPage_ = nullptr;
    TRecordPage* recordPage_ = nullptr;
    TPtzPage* ptzPage_ = nullptr;
    TRecordFileList* fileList_ = nullptr;
    TRecordTimeline* timeline_ = nullptr;  // below the video area while the record page is open
    TBottomBar* bottomBar_ = nullptr;
    TrayPresence* tray_ = nullptr;
    LanAutoSearch* autoSearch_ = nullptr;

    std::unique_ptr<TVolumeCtrl> volumeControl_;
    // The PTZ links and their connections (the library connection and the control socket).
    std::unique_ptr<PtzControl> ptz_;
    std::unique_ptr<LoginController> login_;
    std::unique_ptr<RecordButtons> recordButtons_;
    std::unique_ptr<ChannelOpening> opening_;
    std::unique_ptr<RecordSearch> recordSearch_;
    std::unique_ptr<TDeviceCommands> deviceCommands_;
    bool closeConfirmed_ = false;
};

}  // namespace strovik
