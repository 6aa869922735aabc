#include "app/StrovikForm.h"

#include "admin/DeviceCommands.h"
#include "app/Artwork.h"
#include "app/BottomBar.h"
#include "app/DeviceListPage.h"
#include "app/DeviceListSaving.h"
#include "app/LanAutoSearch.h"
#include "app/LanguageApplier.h"
#include "app/LoginController.h"
#include "app/LoginPage.h"
#include "app/MainWindowLayout.h"
#include "app/PasswordStorageSetting.h"
#include "app/NetworkCameraSync.h"
#include "app/PtzPage.h"
#include "app/RecordPage.h"
#include "app/ToolNotebook.h"
#include "app/TrayPresence.h"
#include "app/VendorServerNames.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/Functions.h"
#include "devices/Verification.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/PtzControl.h"
#include "liveview/RecordButtons.h"
#include "liveview/ViewForm.h"
#include "liveview/VolumeCtrl.h"
#include "platform/AudioMixer.h"
#include "platform/BackgroundCalls.h"
#include "platform/CallbackRelay.h"
#include "platform/UiServices.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordSearch.h"
#include "recordings/RecordTimeline.h"
#include "recordings/FormDownLoad.h"
#include "recordings/TransferRouter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTreeView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace strovik {

namespace {

constexpr int kDeviceListPage = 1;
constexpr char kDesignUserName[] = "admin";
constexpr char kVendorUserName[] = "1";
constexpr int kDownloadPictureSide = 48;

QVBoxLayout* fillLayout(QWidget* owner) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

}  // namespace

TStrovikForm::TStrovikForm(MainWindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    const DeviceLibraries& libraries = services_.libraries;
    if (!libraries.tcpClient || !libraries.videoClient || !libraries.streamPlayer || !services_.ui)
        throw std::invalid_argument(
            "the main window needs the device TCP client, video client and stream player libraries and the UI "
            "services");
    calls_ = std::make_unique<BackgroundCalls>();
    transfers_ = std::make_unique<TransferRouter>(*libraries.tcpClient, state_.transferLock, *calls_);
    setObjectName(QStringLiteral("StrovikForm"));
    setWindowTitle(QLatin1String(kCaption));
    setWindowIcon(ApplicationIcon());
    relay_ = std::make_shared<CallbackRelay>(this);
    createControls();
    FormCreate();
}

TStrovikForm::~TStrovikForm() {
    FormDestroy();
    // The controls point into the state, a member that goes before the base class deletes them.
    const QObjectList owned = children();
    qDeleteAll(owned);
}

void TStrovikForm::createControls() {
    panelFloor_ = new QWidget(this);
    panelFloor_->setObjectName(QStringLiteral("PanelFloor"));
    grid_ = new TViewForm(LiveViewServices{services_.libraries.videoClient.get(),
                                           services_.libraries.streamPlayer.get(), &state_.strings,
                                           &state_.language.languageLoaded, services_.ui, calls_.get(),
                                           services_.recordRotation, transfers_.get()},
                          panelFloor_);
    fillLayout(panelFloor_)->addWidget(grid_);

    panelRight_ = new QFrame(this);
    panelRight_->setObjectName(QStringLiteral("PanelRight"));
    notebook_ = new TToolNotebook(panelRight_);
    fillLayout(panelRight_)->addWidget(notebook_);

    fileList_ = new TRecordFileList(this);
    connect(fileList_, &TRecordFileList::playRequested, this, &TStrovikForm::PlaySelectedRecord);
    connect(fileList_, &TRecordFileList::backupRequested, this, &TStrovikForm::NBackupClick);
    timeline_ = new TRecordTimeline(fileList_->model(), this);
    timeline_->hide();
    connect(timeline_, &TRecordTimeline::playRequested, this, &TStrovikForm::PlayTimelineRecord);
    loginPage_ = new TLoginPage;
    deviceListPage_ = new TDeviceListPage(state_);
    recordPage_ = new TRecordPage(state_, *fileList_);
    ptzPage_ = new TPtzPage;
    notebook_->addPage(loginPage_, QStringLiteral("本地登录"), Picture::PageLogin);
    notebook_->addPage(deviceListPage_, QStringLiteral("服务器列表"), Picture::PageDevices);
    notebook_->addPage(recordPage_, QStringLiteral("录像回放"), Picture::PagePlayback);
    notebook_->addPage(ptzPage_, QStringLiteral("远程云台控制"), Picture::PagePtz);
    connect(notebook_, &TToolNotebook::pageChanged, this, &TStrovikForm::NotebookToolsPageChanged);

    bottomBar_ = new TBottomBar(this);
    connect(bottomBar_->PowerBtn, &QToolButton::clicked, this, &QWidget::close);

    tray_ = new TrayPresence(*this, [this] { RestoreFromOtherInstance(); });
    autoSearch_ = new LanAutoSearch(state_, services_.libraries.discovery, this);
    // Owned by the window; keeps the libraries' directory of cameras of other makes equal to the tree.
    new NetworkCameraSync(state_.tree, services_.libraries.networkCameras, this);
    createPtzControl();

    login_ = std::make_unique<LoginController>(
        state_, *services_.libraries.tcpClient, *services_.ui, LoginSettings(services_.appDir, services_.loginStore),
        *autoSearch_, *ptz_,
        LoginViews{*this, *loginPage_, *notebook_, *bottomBar_, *grid_, *recordPage_, *fileList_});
    connectLiveView();
    connectRecordSearch();
    connectDeviceCommands();
}

void TStrovikForm::connectRecordSearch() {
    recordSearch_ = std::make_unique<RecordSearch>(
        RecordSearch::Context{*services_.libraries.tcpClient, state_, state_.tree, state_.strings, *services_.ui,
                              *calls_, fileList_->model(), state_.resultAddress, state_.searchActivity});
    RecordSearch* search = recordSearch_.get();
    connect(recordPage_->BtnSearch, &QPushButton::clicked, search, [this, search] {
        timeline_->setDay(recordPage_->searchInputs().date);
        search->BtnSearchClick(recordPage_->searchInputs());
    });
    connect(search, &RecordSearch::fileListShown, fileList_, &TRecordFileList::ShowFileList);
    connect(search, &RecordSearch::searchAnimationChanged, fileList_, &TRecordFileList::setSearchAnimation);
}

void TStrovikForm::connectLiveView() {
    recordButtons_ = std::make_unique<RecordButtons>(
        RecordButtons::Controls{bottomBar_->RecAllBtn, bottomBar_->RecChnBtn}, *grid_, state_, state_.strings,
        *services_.ui, this);
    QAction* upPage = bottomBar_->findChild<QAction*>(QStringLiteral("NUpPage"));
    QAction* downPage = bottomBar_->findChild<QAction*>(QStringLiteral("NDownPage"));
    opening_ = std::make_unique<ChannelOpening>(
        ChannelOpening::Context{state_.tree, state_, state_, state_.strings, *services_.libraries.tcpClient, *grid_,
                                *recordButtons_, upPage, downPage},
        *calls_);

    ChannelOpening* opening = opening_.get();
    RecordButtons* buttons = recordButtons_.get();
    connect(bottomBar_, &TBottomBar::layoutChosen, opening, &ChannelOpening::N1FrameClick);
    connect(upPage, &QAction::triggered, opening, &ChannelOpening::NUpPageClick);
    connect(downPage, &QAction::triggered, opening, &ChannelOpening::NDownPageClick);
    connect(bottomBar_->findChild<QAction*>(QStringLiteral("NFULLScr")), &QAction::triggered, grid_,
            &TViewForm::NFullscreenClick, Qt::QueuedConnection);
    connect(bottomBar_->PlayAllBtn, &QToolButton::clicked, opening, &ChannelOpening::PlayAllBtnClick);
    connect(bottomBar_->WinFloatBtn, &QToolButton::clicked, grid_, &TViewForm::FloatSelected);
    connect(bottomBar_->SnapBtn, &QToolButton::clicked, this, [buttons] { buttons->SnapBtnClick(); });
    connect(bottomBar_->RecAllBtn, &QPushButton::clicked, this, [buttons] { buttons->RecAllBtnClick(); });
    connect(bottomBar_->RecChnBtn, &QPushButton::clicked, this, [buttons] { buttons->RecChnBtnClick(); });
    connect(deviceListPage_->findChild<QAction*>(QStringLiteral("NStartAll")), &QAction::triggered, opening,
            &ChannelOpening::NStartAllClick);
    connect(deviceListPage_->TreeViewList, &QAbstractItemView::doubleClicked, opening,
            [this, opening] { opening->TreeViewListDblClick(deviceListPage_->currentNode()); });
    connect(grid_, &TViewForm::windowClicked, this, [buttons] { buttons->RefreshRecordButton(); });
    connect(grid_, &TViewForm::recordingEnded, this, [buttons] { buttons->RefreshRecordButton(); });
    connect(grid_, &TViewForm::stopCommandGiven, opening, &ChannelOpening::Cancel);
    connect(grid_, &TViewForm::windowsStopped, this, [buttons] {
        buttons->DisableRecordAllButton();
        buttons->DisableRecordButton();
    });
}

void TStrovikForm::createPtzControl() {
    const TViewForm* grid = grid_;
    const auto selectedWindow = [grid] {
        const TMyView* view = grid->view(grid->selected());
        return PtzWindow{view->state() == ViewState::Live, view->connection(), view->stream()};
    };
    TcpClientLibrary& library = *services_.libraries.tcpClient;
    ptz_ = std::make_unique<PtzControl>(
        PtzControl::Context{state_.tree, state_, library, *services_.ui, this, state_.strings, selectedWindow});
    connect(ptzPage_, &TPtzPage::ptzPressed, ptz_.get(), &PtzControl::BtnUpMouseDown);
    connect(ptzPage_, &TPtzPage::ptzReleased, ptz_.get(), &PtzControl::BtnUpMouseUp);
}

void TStrovikForm::connectDeviceCommands() {
    DeviceCommandHooks hooks;
    hooks.stopWindowsOf = [this](const QString& address) {
        for (int i = 0; i < grid_->layout(); ++i)
            if (grid_->view(i)->connection().address.toQString() == address) grid_->StopWindow(i + 1);
    };
    hooks.stopAllWindows = [this] {
        for (int n = 1; n <= kGridWindowCount; ++n) grid_->StopWindow(n);
    };
    hooks.removeFromDevList = [this](const QString& name) {
        for (int i = recordPage_->DevList->count() - 1; i >= 0; --i)
            if (recordPage_->DevList->itemText(i) == name) recordPage_->DevList->removeItem(i);
    };
    hooks.clearDevList = [this] { recordPage_->DevList->clear(); };
    hooks.cancelOpenings = [this] { opening_->Cancel(); };
    hooks.selectedNode = [this] { return deviceListPage_->currentNode(); };
    deviceCommands_ = std::make_unique<TDeviceCommands>(
        EditorContext{state_.tree, state_.strings, *services_.ui, services_.libraries.discovery},
        TDeviceCommands::Controls{deviceListPage_->BtnAddServer, deviceListPage_->BtnDelServer,
                                  autoSearch_->timer(), this},
        std::move(hooks));
    TDeviceCommands* commands = deviceCommands_.get();
    connect(deviceListPage_->BtnAddServer, &QPushButton::clicked, commands,
            &TDeviceCommands::BtnAddServerClick);
    connect(deviceListPage_->BtnDelServer, &QPushButton::clicked, commands,
            &TDeviceCommands::BtnDelServerClick);
    connect(bottomBar_->FindDevBtn, &QToolButton::clicked, commands, &TDeviceCommands::FindDevBtnClick);
    connect(deviceListPage_->findChild<QAction*>(QStringLiteral("N_Modify")), &QAction::triggered, commands,
            &TDeviceCommands::N_ModifyClick);
    connect(deviceListPage_->findChild<QAction*>(QStringLiteral("NClearAll")), &QAction::triggered, commands,
            &TDeviceCommands::NClearAllClick);
}

void TStrovikForm::FormCreate() {
    // The transfer and search-result locks live in the state, created with it.
    recordPage_->DatePicker->setDate(QDate::currentDate());
    state_.appDir = services_.appDir;
    state_.devicePasswords.secrets = services_.secrets.get();
    state_.devicePasswords.keepInSecretStore = PasswordsInSecretStore(state_.appDir);
    versionText_ = VersionLabelText(std::nullopt, services_.programVersion);

    notebook_->setCurrentPage(kDeviceListPage);
    recordPage_->CmbType->setCurrentIndex(0);
    recordPage_->CmbChn->setCurrentIndex(0);
    bottomBar_->findChild<QAction*>(QStringLiteral("NUpPage"))->setEnabled(false);
    bottomBar_->findChild<QAction*>(QStringLiteral("NDownPage"))->setEnabled(false);
    loginPage_->page_login->setCurrentIndex(0);
    loginPage_->page_login->setEnabled(false);
    bottomBar_->RecAllBtn->setEnabled(false);
    bottomBar_->RecChnBtn->setEnabled(false);

    openVolumeControl();

    state_.language =
        LoadLanguage(state_.appDir, services_.systemLanguageId, state_.strings, services_.installedLanguageDir);
    ApplyLanguageFonts(*this, state_.language);
    ApplyLanguageCaptions(*this, *notebook_, *recordPage_->CmbType, state_.strings, state_.language.languageLoaded);

    login_->ApplyLoginState();
    registerLibraryCallbacks();
    state_.searchConnection = 0;
    login_->BtnCancelClick();
    LayoutMainWindow();
}

void TStrovikForm::openVolumeControl() {
    QSlider* slider = bottomBar_->VolumeBar;
    volumeControl_ = std::make_unique<TVolumeCtrl>(std::move(services_.mixer));
    if (volumeControl_->Open() && volumeControl_->FindSpeakerVolume()) {
        const SliderRange range =
            VolumeSliderRange(kVolumeSliderDesignRange, volumeControl_->Minimum(), volumeControl_->Maximum());
        slider->setRange(range.minimum, range.maximum);
        // Only the operator's moves reach the sound card; the start position leaves its level alone.
        slider->setValue(range.position);
    }
    connect(slider, &QSlider::valueChanged, this, [this](int value) {
        volumeControl_->SetVolume(static_cast<std::uint32_t>(std::max(value, 0)));
    });
}

void TStrovikForm::registerLibraryCallbacks() {
    // Transfer notifications are registered by remote playback and download, which handle them.
    // OnCommandReceive runs here, on the library's thread: search results go into the queue under
    // its lock and wake the main thread once per drain; everything else is handed over as a copy.
    services_.libraries.tcpClient->NV_SetTCPClientCustomReciveCallback(
        [relay = relay_, queue = recordSearch_->queue(), self = this](std::int32_t handle, const std::uint8_t* data,
                                                                      std::int32_t length) {
            const auto size = static_cast<std::size_t>(std::max(length, 0));
            switch (queue->offer(handle, data, size)) {
                case SearchResultQueue::Offer::QueuedWake:
                    // WM_USER + 101
                    relay->post([self] { self->recordSearch_->HandleSearchResults(); });
                    return;
                case SearchResultQueue::Offer::Queued:
                case SearchResultQueue::Offer::Dropped:
                    return;
                case SearchResultQueue::Offer::NotAResult:
                    break;
            }
            QByteArray message(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
            relay->post([self, handle, message] { self->OnCommandReceive(handle, message); });
        });
}

void TStrovikForm::OnCommandReceive(std::int32_t handle, const QByteArray& message) {
    // Main thread: the device-information reply. Replies of a connection that was replaced in the
    // meantime are stale.
    if (handle == 0 || handle != state_.searchConnection) return;
    HandleDeviceInfoMessage(*services_.libraries.tcpClient, state_, state_.tree,
                            reinterpret_cast<const std::uint8_t*>(message.constData()),
                            static_cast<std::size_t>(message.size()));
}

void TStrovikForm::PlaySelectedRecord(const QString& fileName) {
    if (fileName.isEmpty() || state_.resultAddress.isEmpty()) return;
    grid_->PlayRemoteRecord(TFileInfo{fileName, state_.resultAddress},
                            static_cast<std::int32_t>(state_.currentPort + kCommandPortOffset));
}

void TStrovikForm::PlayTimelineRecord(int row, std::int64_t offsetMs) {
    const RecordListModel& rows = fileList_->model();
    if (row < 0 || row >= rows.rowCount() || state_.resultAddress.isEmpty()) return;
    const RecordRow& entry = rows.row(row);
    if (entry.fileName().isEmpty()) return;
    grid_->PlayRemoteRecordInSelected(TFileInfo{entry.fileName(), state_.resultAddress},
                                      static_cast<std::int32_t>(state_.currentPort + kCommandPortOffset),
                                      offsetMs, entry.endMs - entry.startMs);
}

void TStrovikForm::NBackupClick(const QString& fileName) {
    if (downloadDialog_ || fileName.trimmed().isEmpty()) return;
    downloadDialog_ = new TFormDownLoad(
        DownloadServices{transfers_.get(), services_.libraries.streamPlayer.get(), &state_.strings,
                         state_.language.languageLoaded, services_.ui, calls_.get(), LanguageFont(state_.language),
                         PictureIcon(Picture::Copying).pixmap(kDownloadPictureSide),
                         PictureIcon(Picture::CopyComplete).pixmap(kDownloadPictureSide)},
        this);
    downloadDialog_->remoteName = fileName.trimmed();
    downloadDialog_->remoteAddress = state_.resultAddress;
    downloadDialog_->remotePort = static_cast<std::int32_t>(state_.currentPort + kCommandPortOffset);
    // Modal to the main window, without a nested event loop; freed when it closes.
    connect(downloadDialog_, &QDialog::finished, this, [this] {
        downloadDialog_->deleteLater();
        downloadDialog_ = nullptr;
    });
    downloadDialog_->setWindowModality(Qt::WindowModal);
    downloadDialog_->show();
}

void TStrovikForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TStrovikForm::FormShow() {
    if (const QScreen* display = screen()) setGeometry(display->availableGeometry());
    showStoredLogin(IsVendorServerName(state_.currentAddress));
}

void TStrovikForm::showStoredLogin(bool vendorServer) {
    QComboBox* address = loginPage_->cbxServerAddr;
    QStringList history;
    for (int i = 0; i < address->count(); ++i) history.push_back(address->itemText(i));
    const auto fillHistory = [&](const QString& text) {
        address->clear();
        address->addItems(history);
        address->setEditText(text);
    };

    if (!vendorServer) {
        const StoredLogin stored = login_->settings().ReadStoredLogin(history);
        fillHistory(stored.serverAddr.isEmpty() ? state_.currentAddress : stored.serverAddr);
        loginPage_->NetPort->setText(QString::number(stored.port));
        loginPage_->EditUserName->setText(QLatin1String(kDesignUserName));
        return;
    }
    fillHistory(QLatin1Char('.') + QLatin1String(kVendorDdnsDomain));
    loginPage_->NetPort->setText(QString::number(state_.currentPort != 0 ? state_.currentPort : kDefaultDevicePort));
    loginPage_->EditUserName->setText(QLatin1String(kVendorUserName));
    const StoredLogin stored = login_->settings().ReadStoredLogin(history);
    fillHistory(address->currentText());
    if (stored.serverAddr.isEmpty() || stored.port == 0) return;
    address->setEditText(stored.serverAddr);
    loginPage_->NetPort->setText(QString::number(stored.port));
    loginPage_->cbAutoLogin->setChecked(stored.autoLogin);
    if (!stored.autoLogin) return;
    loginPage_->EditUserName->setText(stored.userName);
    loginPage_->EditPwd->setText(stored.password);
    login_->BtnLoginClick();
}

void TStrovikForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutMainWindow();
}

void TStrovikForm::LayoutMainWindow() {
    const MainWindowLayout layout = strovik::LayoutMainWindow(size());
    panelRight_->setGeometry(layout.panelRight);
    QRect floor = layout.panelFloor;
    if (timeline_->isVisibleTo(this)) {
        floor.setHeight(floor.height() - TRecordTimeline::kHeight);
        timeline_->setGeometry(floor.left(), floor.bottom() + 1, floor.width(), TRecordTimeline::kHeight);
    }
    panelFloor_->setGeometry(floor);
    ptzPage_->applyGeometry();
    recordPage_->applyGeometry();
    bottomBar_->setGeometry(layout.panelBottom);
    bottomBar_->applyLayout(layout, versionText_);
    loginPage_->applyGeometry();
    QRect list = layout.groupBoxFileList;
    // The list floats over the video area; it stops above the timeline.
    if (timeline_->isVisibleTo(this))
        list.setBottom(std::min(list.bottom(), timeline_->geometry().top() - 2));
    fileList_->setGeometry(list);
    fileList_->raise();
}

void TStrovikForm::NotebookToolsPageChanged(int page) {
    recordPage_->FillDeviceCombo(page);
    timeline_->setVisible(page == TRecordPage::kPageIndex);
    LayoutMainWindow();
    if (page != 0) loginPage_->cbxServerAddr->hidePopup();
}

void TStrovikForm::CloseWithoutQuestion() {
    closeConfirmed_ = true;
    close();
}

void TStrovikForm::closeEvent(QCloseEvent* event) {
    if (closeConfirmed_) {
        event->accept();
        return;
    }
    autoSearch_->timer().stop();
    const MessageAnswer answer = services_.ui->ShowMessage(
        this, MessageRequest{QLatin1String(kCaption), QLatin1String(kCloseQuestion), MessageIcon::Question,
                             MessageButtons::YesNo});
    if (answer == MessageAnswer::Yes) {
        event->accept();
        return;
    }
    event->ignore();
    autoSearch_->timer().start();
}

void TStrovikForm::RestoreFromOtherInstance() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void TStrovikForm::FormDestroy() {
    relay_->detach();
    TcpClientLibrary& library = *services_.libraries.tcpClient;
    library.NV_SetTCPClientCustomReciveCallback({});
    if (state_.searchConnection != 0) {
        library.NV_DisConnectTCPServer(state_.searchConnection);
        state_.searchConnection = 0;
    }
    ptz_->CloseConnections();

    const DeviceListSaveResult saved = SaveDeviceListWithFallback(state_.tree, state_.appDir, services_.fallbackDir,
                                                                  state_.devicePasswords);
    if (const QString message = DeviceListSaveMessage(saved, state_.appDir); !message.isEmpty())
        services_.ui->ShowMessage(nullptr, MessageRequest{QStringLiteral("Strovik"), message,
                                                          saved.saved() ? MessageIcon::Warning : MessageIcon::Critical,
                                                          MessageButtons::Ok});
    state_.tree.releaseAll();
}

}  // namespace strovik
