#include "RtspServerProcess.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace strovik::devsim {

namespace {

constexpr int kFirstOwnHost = 240;
constexpr int kOwnHosts = 15;

std::atomic<int> serverCounter{0};

std::string OwnAddress() {
    const auto pid = static_cast<std::uint32_t>(::getpid());
    return "127." + std::to_string(1 + (pid >> 8) % 254) + "." + std::to_string(pid & 255) + "." +
           std::to_string(kFirstOwnHost + serverCounter++ % kOwnHosts);
}

}  // namespace

RtspServerProcess::RtspServerProcess() = default;

bool RtspServerProcess::start(const Setup& setup, std::chrono::milliseconds readyTimeout) {
    stop();
    setup_ = setup;
    if (setup_.address.empty()) setup_.address = OwnAddress();
    std::vector<std::string> arguments{"/usr/bin/python3", RTSP_SERVER_SCRIPT,  "--address", setup_.address,
                                       "--port",           std::to_string(setup_.port), "--user",  setup_.userName,
                                       "--password",       setup_.password,     "--size",    setup_.size};
    for (const std::string& path : setup_.paths) {
        arguments.emplace_back("--path");
        arguments.push_back(path);
    }
    if (setup_.shared) arguments.emplace_back("--shared");
    if (setup_.digest) {
        arguments.emplace_back("--auth");
        arguments.emplace_back("digest");
    }
    if (!process_.start(arguments)) {
        error_ = QStringLiteral("cannot start /usr/bin/python3 " RTSP_SERVER_SCRIPT);
        return false;
    }
    std::string output;
    if (!process_.waitForOutput("listening ", readyTimeout, &output)) {
        error_ = QStringLiteral("the RTSP server did not listen (are python3-gi and gir1.2-gst-rtsp-server-1.0 "
                                "installed? scripts/install-deps): %1")
                     .arg(QString::fromStdString(output).trimmed());
        stop();
        return false;
    }
    const std::size_t at = output.find("listening ");
    setup_.port = static_cast<std::uint16_t>(std::stoi(output.substr(at + 10)));
    return true;
}

bool RtspServerProcess::restart(std::chrono::milliseconds readyTimeout) {
    const Setup same = setup_;
    return start(same, readyTimeout);
}

void RtspServerProcess::pause() const {
    process_.signal(SIGSTOP);
}

void RtspServerProcess::resume() const {
    process_.signal(SIGCONT);
}

std::string RtspServerProcess::url(const std::string& path) const {
    return "rtsp://" + setup_.address + ":" + std::to_string(setup_.port) + path;
}

}  // namespace strovik::devsim
