#include "e2e/LiveViewTestSupport.h"

#include "app/BottomBar.h"
#include "app/DeviceListPage.h"
#include "app/RecordPage.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devices/DeviceListFile.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "platform/AudioMixer.h"
#include "recordings/FormDownLoad.h"
#include "recordings/RecordFileList.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <cmath>

namespace strovik::test {

namespace {

constexpr int kSampleGrid = 9;
constexpr int kBlackLevel = 48;  // sum of the three channels below which a pixel counts as black

QByteArray DeviceListFile(const std::vector<ListedDevice>& devices) {
    QByteArray text;
    for (const ListedDevice& device : devices) {
        text += QStringLiteral(
                    "[%1]\nAddr=%2\nPort=%3\nChnCount=%4\nNetType=1\nServerType=2\nDeviceType=1\n"
                    "User=admin\nPwd=%5\nAutoSearch=0\n%6")
                    .arg(device.name, QString::fromStdString(device.address))
                    .arg(device.port)
                    .arg(device.channels)
                    .arg(device.password, device.extraKeys)
                    .toUtf8();
    }
    return text;
}

std::vector<QRgb> Samples(const QImage& picture) {
    std::vector<QRgb> samples;
    if (picture.isNull()) return samples;
    for (int y = 1; y <= kSampleGrid; ++y)
        for (int x = 1; x <= kSampleGrid; ++x)
            samples.push_back(picture.pixel(picture.width() * x / (kSampleGrid + 1),
                                            picture.height() * y / (kSampleGrid + 1)));
    return samples;
}

}  // namespace

LiveMainWindow::LiveMainWindow(const std::vector<ListedDevice>& devices, const QString& drive,
                               std::chrono::milliseconds recordRotation,
                               std::shared_ptr<DiscoveryLibrary> discovery) {
    qputenv("STROVIK_DRIVE", drive.toUtf8());
    const QString appDir = dir_.path() + QStringLiteral("app/");
    QDir().mkpath(appDir);
    dir_.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), DeviceListFile(devices));
    QFile::copy(QStringLiteral(STROVIK_LANG_DIR "/1033.ini"), appDir + QStringLiteral("1033.ini"));

    MainWindowServices services;
    services.libraries.networkCameras = std::make_shared<NetworkCameras>();
    services.libraries.tcpClient = CreateTcpClientLibrary({}, services.libraries.networkCameras);
    services.libraries.videoClient = std::make_shared<FfmpegVideoClient>(services.libraries.networkCameras);
    services.libraries.streamPlayer = std::make_shared<FfmpegStreamPlayer>();
    services.libraries.discovery = std::move(discovery);
    services.ui = &ui;
    services.loginStore = StoredLoginStore(dir_.file(QStringLiteral("registry.ini")));
    services.appDir = appDir;
    services.fallbackDir = dir_.path() + QStringLiteral("fallback/");
    services.recordRotation = recordRotation;
    form_ = std::make_unique<TStrovikForm>(std::move(services));
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) qWarning("the main window was not exposed");
    form_->resize(1280, 800);
    QCoreApplication::processEvents();
}

LiveMainWindow::~LiveMainWindow() {
    form_.reset();
    qunsetenv("STROVIK_DRIVE");
}

void LiveMainWindow::destroyWindow() {
    form_.reset();
}

TViewForm& LiveMainWindow::grid() {
    return form_->grid();
}

ChannelOpening& LiveMainWindow::opening() {
    return form_->opening();
}

TMyView& LiveMainWindow::view(int index) {
    return *form_->grid().view(index);
}

void LiveMainWindow::chooseLayout(int windows) {
    const QString name = QStringLiteral("N%1Frame").arg(windows);
    QAction* item = form_->bottomBar().findChild<QAction*>(name);
    if (item) item->trigger();
}

void LiveMainWindow::startAll() {
    if (QAction* item = form_->deviceListPage().findChild<QAction*>(QStringLiteral("NStartAll")))
        item->trigger();
}

void LiveMainWindow::doubleClickChannel(int device, int channel) {
    QTreeView* tree = form_->deviceListPage().TreeViewList;
    const QModelIndex index = tree->model()->index(channel, 0, tree->model()->index(device, 0));
    tree->expand(index.parent());
    tree->scrollTo(index);
    const QRect cell = tree->visualRect(index);
    const QPoint at(cell.left() + 20, cell.center().y());
    // A widget gets QTest's double-click alone; the view opens the item it was pressed on.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

void LiveMainWindow::click(QAbstractButton* button) {
    if (button) QTest::mouseClick(button, Qt::LeftButton);
}

QAbstractButton* LiveMainWindow::button(const char* name) {
    return form_->findChild<QAbstractButton*>(QLatin1String(name));
}

void LiveMainWindow::searchRecords(int device, QDate day) {
    form_->notebook().setCurrentPage(TRecordPage::kPageIndex);
    auto* page = form_->findChild<TRecordPage*>(QStringLiteral("RecordPage"));
    page->findChild<QComboBox*>(QStringLiteral("DevList"))->setCurrentIndex(device);
    page->DevListChange();
    page->findChild<QDateEdit*>(QStringLiteral("DatePicker"))->setDate(day);
    page->findChild<QTimeEdit*>(QStringLiteral("DateTimePickerFTime"))->setTime(QTime(0, 0, 0));
    page->findChild<QTimeEdit*>(QStringLiteral("DateTimePickerTTime"))->setTime(QTime(23, 59, 59));
    page->findChild<QComboBox*>(QStringLiteral("CmbChn"))->setCurrentIndex(0);
    page->findChild<QComboBox*>(QStringLiteral("CmbType"))->setCurrentIndex(0);
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("BtnSearch")), Qt::LeftButton);
}

TFormDownLoad* LiveMainWindow::requestDownload(const QString& name, const QString& target) {
    ui.saveFileAnswer = target;
    Q_EMIT form_->fileList().backupRequested(name);
    return form_->downloadDialog();
}

bool LiveMainWindow::downloadComplete() {
    const TFormDownLoad* dialog = form_->downloadDialog();
    return dialog && dialog->BtnOpenDir->isEnabled() && !dialog->converting();
}

void LiveMainWindow::pressAndRelease(const char* name) {
    auto* button = form_->findChild<QToolButton*>(QLatin1String(name));
    if (!button) return;
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
}

QString DvrSection(const QString& name, const std::string& address, int channels, const QString& extraLines) {
    return QStringLiteral(
               "[Device %1]\nAddress=%2\nChannels=%3\nUser1=admin\nPassword1=admin\nRights1=58\n%4\n")
        .arg(name, QString::fromStdString(address))
        .arg(channels)
        .arg(extraLines);
}

int CountLogLines(const devsim::DevsimProcess& devsim, const QStringList& needles) {
    const QStringList lines = devsim.logLines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QString& line) {
        return std::all_of(needles.begin(), needles.end(),
                           [&](const QString& needle) { return line.contains(needle); });
    }));
}

bool WaitForLogLines(const devsim::DevsimProcess& devsim, const QStringList& needles, int count,
                     int timeoutMs) {
    return QTest::qWaitFor([&] { return CountLogLines(devsim, needles) >= count; }, timeoutMs);
}

bool WaitForRestartedStream(const TMyView& window, std::int32_t oldHandle, int timeoutMs, int count) {
    qint64 paintedAtRestart = -1;
    return QTest::qWaitFor(
        [&] {
            if (window.state() != ViewState::Live || window.streamHandle() == oldHandle) return false;
            if (paintedAtRestart < 0) paintedAtRestart = window.picturesPainted();
            return window.picturesPainted() >= paintedAtRestart + count;
        },
        timeoutMs);
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage();
}

double NonBlackShare(const QImage& picture) {
    const std::vector<QRgb> samples = Samples(picture);
    if (samples.empty()) return 0;
    const auto lit = std::count_if(samples.begin(), samples.end(),
                                   [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) >= kBlackLevel; });
    return static_cast<double>(lit) / static_cast<double>(samples.size());
}

bool SamplesDiffer(const QImage& a, const QImage& b) {
    return Samples(a) != Samples(b);
}

bool WaitForPictureChange(QWidget& widget, const QImage& before, int timeoutMs) {
    return QTest::qWaitFor([&] { return SamplesDiffer(before, Grab(widget)); }, timeoutMs);
}

GuiTickMonitor::GuiTickMonitor() {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        const qint64 now = clock_.nsecsElapsed();
        const double gapMs = static_cast<double>(now - lastNs_) / 1e6;
        lastNs_ = now;
        // Every tick that fell due since the last one is served now, each late by its own wait: a
        // GUI thread blocked for a second counts as a hundred late ticks, not one.
        const auto intervalMs = static_cast<double>(timer_.interval());
        const int due = std::max(1, static_cast<int>(gapMs / intervalMs));
        for (int tick = 1; tick <= due; ++tick)
            latenessMs_.push_back(std::max(0.0, gapMs - tick * intervalMs));
    });
}

void GuiTickMonitor::start() {
    latenessMs_.clear();
    clock_.start();
    lastNs_ = 0;
    timer_.start();
}

void GuiTickMonitor::stop() {
    timer_.stop();
}

double GuiTickMonitor::percentileMs(double fraction) const {
    if (latenessMs_.empty()) return 0;
    std::vector<double> sorted = latenessMs_;
    std::sort(sorted.begin(), sorted.end());
    const auto at = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(at, sorted.size() - 1)];
}

double GuiTickMonitor::maxMs() const {
    return latenessMs_.empty() ? 0 : *std::max_element(latenessMs_.begin(), latenessMs_.end());
}

}  // namespace strovik::test
