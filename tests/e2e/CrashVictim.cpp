// A process for the crash-safety tests to kill with SIGKILL in the middle of its work. It prints one
// line when the work is under way, then goes on until it is killed:
//   crash_victim record ADDRESS FILE        records the device's first stream into FILE (AVI)
//   crash_victim download ADDRESS NAME FILE  downloads recording NAME through the download dialog
//   crash_victim save-list FILE A B          saves the device lists loaded from A and B into FILE,
//                                             one after the other, for ever (after writing
//                                             FILE.a and FILE.b, the two as saved on their own)
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "doubles/ScriptedUiServices.h"
#include "platform/BackgroundCalls.h"
#include "platform/StringTable.h"
#include "recordings/FormDownLoad.h"
#include "recordings/TransferRouter.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <mutex>

namespace {

using namespace strovik;

constexpr std::uint16_t kDevicePort = 5050;
constexpr std::int32_t kCommandPortOffset = 2000;

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

int Record(const std::string& address, const std::string& file) {
    FfmpegVideoClient client;
    ClientStartInfo info;
    info.port = kDevicePort;
    info.address = address;
    info.userName = "admin";
    info.password = "admin";
    const std::int32_t handle = client.X_ClientStart(info, -1, 2);
    if (handle < 1 || !client.X_ClientStartCaptureFile(handle, file, 2)) return 1;
    Say("recording");
    return QCoreApplication::exec();
}

int Download(const QString& address, const QString& name, const QString& file) {
    const std::shared_ptr<TcpClientLibrary> library = CreateTcpClientLibrary();
    FfmpegStreamPlayer player;
    BackgroundCalls calls;
    std::mutex transferLock;
    TransferRouter transfers(*library, transferLock, calls);
    const StringTable strings;
    test::ScriptedUiServices ui;
    ui.saveFileAnswer = file;
    DownloadServices services;
    services.transfers = &transfers;
    services.streamPlayer = &player;
    services.strings = &strings;
    services.ui = &ui;
    services.calls = &calls;
    TFormDownLoad dialog(services);
    dialog.remoteName = name;
    dialog.remoteAddress = address;
    dialog.remotePort = kDevicePort + kCommandPortOffset;
    dialog.show();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (dialog.transferReceived() == 0) return;
        Say("transferring");
        watch.stop();
    });
    watch.start(20);
    return QCoreApplication::exec();
}

int SaveLists(const QString& file, const QString& first, const QString& second) {
    const StringTable strings;
    DeviceTree a(strings);
    DeviceTree b(strings);
    LoadDeviceList(first, a);
    LoadDeviceList(second, b);
    if (!SaveDeviceList(file + QStringLiteral(".a"), a) || !SaveDeviceList(file + QStringLiteral(".b"), b) ||
        !SaveDeviceList(file, a))
        return 1;
    Say("saving");
    for (;;) {
        if (!SaveDeviceList(file, a) || !SaveDeviceList(file, b)) return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    if (mode == QLatin1String("record") && arguments.size() == 4)
        return Record(arguments[2].toStdString(), arguments[3].toStdString());
    if (mode == QLatin1String("download") && arguments.size() == 5)
        return Download(arguments[2], arguments[3], arguments[4]);
    if (mode == QLatin1String("save-list") && arguments.size() == 5)
        return SaveLists(arguments[2], arguments[3], arguments[4]);
    std::fprintf(stderr, "usage: crash_victim record|download|save-list ...\n");
    return 2;
}
