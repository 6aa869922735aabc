#include "GridBenchSupport.h"

#include "BenchSupport.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devices/DeviceListFile.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace strovik::bench {

namespace {

constexpr std::uint16_t kDevicePort = 5050;
constexpr char kDeviceName[] = "Grid DVR";
// A window counts as painting once it showed this many pictures of its stream.
constexpr qint64 kPicturesToCount = 5;

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "bench: %s\n", what.toUtf8().constData());
    std::exit(1);
}

}  // namespace

MessageAnswer BenchUi::ShowMessage(QWidget*, const MessageRequest& request) {
    ++messages_;
    std::fprintf(stderr, "bench: message box \"%s\": %s\n", request.caption.toUtf8().constData(),
                 request.text.toUtf8().constData());
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

GridSite::GridSite()
    : cameras_(std::make_shared<NetworkCameras>()), video_(std::make_shared<FfmpegVideoClient>(cameras_)) {}

GridSite::~GridSite() {
    form_.reset();
}

void GridSite::start(int channels, const QString& deviceKeys, std::chrono::milliseconds devsimReadyTimeout,
                     std::shared_ptr<VideoClientLibrary> videoClient) {
    const QString address = QString::fromStdString(devsim_.address(2));
    // Openings and reconnects of up to 64 windows at once stay within the session limit.
    if (!devsim_.start(
            QStringLiteral("[Device %1]\nAddress=%2\nPort=%3\nChannels=%4\nUser1=admin\nPassword1=admin\n")
                    .arg(QLatin1String(kDeviceName), address)
                    .arg(kDevicePort)
                    .arg(channels) +
                deviceKeys,
            QStringLiteral("MaxSessions=256\n"), devsimReadyTimeout))
        Fail(devsim_.errorString());
    openWindow(QStringLiteral("[%1]\nAddr=%2\nPort=%3\nChnCount=%4\nNetType=1\nServerType=2\nDeviceType=1\n"
                              "User=admin\nPwd=admin\nAutoSearch=0\n")
                   .arg(QLatin1String(kDeviceName), address)
                   .arg(kDevicePort)
                   .arg(channels)
                   .toUtf8(),
               std::move(videoClient));
}

void GridSite::openWindow(const QByteArray& deviceList, std::shared_ptr<VideoClientLibrary> videoClient) {
    const QString appDir = directory_.path() + QStringLiteral("/app/");
    QDir().mkpath(appDir);
    // Recordings, snapshots and the windows' temporary folder go to the benchmark's own folder.
    qputenv("STROVIK_DRIVE", (directory_.path() + QStringLiteral("/drive/")).toUtf8());
    QFile list(appDir + QLatin1String(kDeviceListFileName));
    if (!list.open(QIODevice::WriteOnly)) Fail(QStringLiteral("cannot write the device list"));
    list.write(deviceList);
    list.close();

    MainWindowServices services;
    services.libraries.networkCameras = cameras_;
    services.libraries.tcpClient = CreateTcpClientLibrary({}, cameras_);
    services.libraries.videoClient = videoClient ? std::move(videoClient) : video_;
    services.libraries.streamPlayer = std::make_shared<FfmpegStreamPlayer>();
    services.ui = &ui_;
    services.loginStore = StoredLoginStore(directory_.path() + QStringLiteral("/registry.ini"));
    services.appDir = appDir;
    services.fallbackDir = directory_.path() + QStringLiteral("/fallback");
    form_ = std::make_unique<TStrovikForm>(std::move(services));
    form_->show();
    // The main window's regions around the grid: the tool column and the bottom bar.
    form_->resize(kGridWidth + 150, kGridHeight + 73);
    RunEventsFor(std::chrono::milliseconds(200));
    if (grid().width() != kGridWidth || grid().height() != kGridHeight)
        std::fprintf(stderr, "bench: the grid is %dx%d, not %dx%d\n", grid().width(), grid().height(),
                     kGridWidth, kGridHeight);
}

TViewForm& GridSite::grid() {
    return form_->grid();
}

TMyView& GridSite::window(int index) {
    return *grid().view(index);
}

std::vector<qint64> GridSite::painted(int n) {
    std::vector<qint64> counts;
    for (int i = 0; i < n; ++i) counts.push_back(window(i).picturesPainted());
    return counts;
}

int GridSite::openPage(int layout, std::chrono::milliseconds timeout) {
    ChannelOpening& opening = form_->opening();
    opening.N1FrameClick(layout);
    opening.NStartAllClick();
    // Counted from the moment a window is live: a window that was live before keeps its stream.
    std::vector<qint64> paintedWhenLive(static_cast<std::size_t>(layout), -1);
    const auto ready = [&] {
        int count = 0;
        for (int i = 0; i < layout; ++i) {
            TMyView& view = window(i);
            auto& first = paintedWhenLive[static_cast<std::size_t>(i)];
            if (view.state() != ViewState::Live) {
                first = -1;
                continue;
            }
            if (first < 0) first = view.picturesPainted();
            if (view.picturesPainted() - first >= kPicturesToCount) ++count;
        }
        return count;
    };
    RunEventsUntil([&] { return !opening.busy() && ready() == layout; }, timeout);
    return ready();
}

}  // namespace strovik::bench
