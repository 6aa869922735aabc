// A device that answers a live stream request with these bytes: the real video client reads its
// answer, decodes its frames, records them to an AVI and takes a snapshot, and reports the stream
// lost in bounded time once the device has nothing more to say.
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/wire/MessageFraming.h"
#include "platform/TcpSocket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

using namespace strovik;
using namespace std::chrono_literals;

constexpr std::uint32_t kMessage = 0x0400 + 7;
constexpr int kLostWithinMs = 5000;

class LostStreams final : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != VideoClientEvent::eventType()) return QObject::event(event);
        const auto* clientEvent = static_cast<const VideoClientEvent*>(event);
        if (clientEvent->wParam() == kStreamLostEvent) lastLost = clientEvent->lParam() + kStreamHandleBias;
        return true;
    }
    std::int32_t lastLost = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_live_session";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static TcpListener listener = TcpListener::listenOn("127.0.0.1", 0);
    if (!listener.valid()) std::abort();

    std::thread device([&] {
        TcpSocket socket = listener.accept(2000ms);
        std::vector<std::uint8_t> request;
        if (ReceiveMessage(socket, request, 2000ms) != MessageStatus::Ok) return;
        (void)socket.sendAll(data, size, 2000ms);
    });

    FfmpegVideoClient::Options options;
    options.connectTimeout = 1000ms;
    options.answerTimeout = 500ms;
    options.silenceTimeout = 300ms;
    FfmpegVideoClient client(options);
    LostStreams receiver;
    client.X_ClientInit(kMessage, &receiver);
    ClientStartInfo info;
    info.port = listener.port();
    info.address = "127.0.0.1";
    info.userName = "admin";
    info.password = "admin";
    const std::int32_t handle = client.X_ClientStart(info, -1, 2);
    if (handle > 0) {
        const QTemporaryDir folder;
        client.X_ClientStartCaptureFile(handle, folder.filePath(QStringLiteral("c.avi")).toStdString(), 2);
        QElapsedTimer clock;
        clock.start();
        while (receiver.lastLost != handle) {
            if (clock.elapsed() > kLostWithinMs) std::abort();  // a stream that never ends
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        client.X_ClientCapPicFile(handle, folder.filePath(QStringLiteral("s.bmp")).toStdString(), 2);
        client.X_ClientStopCapture(handle, 2);
        client.X_ClientStop(handle, 2);
    }
    client.X_ClientCleanup();
    device.join();
    return 0;
}
