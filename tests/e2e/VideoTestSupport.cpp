#include "e2e/VideoTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <fstream>
#include <string>

namespace strovik::test {

bool VideoEventRecorder::event(QEvent* event) {
    if (event->type() != VideoClientEvent::eventType()) return QObject::event(event);
    const auto* clientEvent = static_cast<const VideoClientEvent*>(event);
    events.push_back({clientEvent->message(), clientEvent->wParam(), clientEvent->lParam(),
                      QThread::currentThread() == QCoreApplication::instance()->thread()});
    return true;
}

TargetWindow::TargetWindow(const std::vector<QSize>& sizes) {
    int x = 0;
    int height = 0;
    for (const QSize& size : sizes) {
        auto* target = new RenderWidget(&window_);
        target->setGeometry(x, 0, size.width(), size.height());
        targets_.push_back(target);
        x += size.width() + 1;
        height = std::max(height, size.height());
    }
    window_.resize(std::max(x, 1), std::max(height, 1));
    window_.show();
}

void TargetWindow::destroyTarget(std::size_t index) {
    delete targets_.at(index);
    targets_.at(index) = nullptr;
}

bool WaitForPictures(const RenderWidget& target, int count, int timeoutMs) {
    const qint64 wanted = target.picturesPainted() + count;
    return QTest::qWaitFor([&] { return target.picturesPainted() >= wanted; }, timeoutMs);
}

double RecordWhilePainting(VideoClientLibrary& client, std::int32_t handle, const std::string& file,
                           const RenderWidget& target, int pictures, int timeoutMs) {
    if (client.X_ClientStartCaptureFile(handle, file, 2) == 0) return -1;
    QElapsedTimer recording;
    recording.start();
    if (!WaitForPictures(target, pictures, timeoutMs)) return -1;
    if (client.X_ClientStopCapture(handle, 2) == 0) return -1;
    return static_cast<double>(recording.elapsed()) / 1000.0;
}

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

}  // namespace strovik::test
