#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <array>
#include <csignal>

namespace strovik {

namespace {

constexpr std::array kStopSignals{SIGTERM, SIGINT, SIGHUP};

// The write end for the handler; -1 while no instance exists.
volatile std::sig_atomic_t g_writeEnd = -1;

void onStopSignal(int signal) {
    const int fd = g_writeEnd;
    if (fd < 0) return;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a pending stop: dropping this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
}

// Both ends of a socket pair, closed with the owner.
class FdPair final {
public:
    FdPair() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_.data()) != 0)
            fds_ = {-1, -1};
    }
    ~FdPair() {
        for (const int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    FdPair(const FdPair&) = delete;
    FdPair& operator=(const FdPair&) = delete;
    bool valid() const { return fds_[0] >= 0; }
    int readEnd() const { return fds_[0]; }
    int writeEnd() const { return fds_[1]; }

private:
    std::array<int, 2> fds_{};
};

}  // namespace

struct StopSignals::Pipe {
    FdPair fds;
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, kStopSignals.size()> previous{};
    bool installed = false;
};

StopSignals::StopSignals(QObject* parent) : QObject(parent), pipe_(std::make_unique<Pipe>()) {
    if (!pipe_->fds.valid() || g_writeEnd >= 0) return;
    g_writeEnd = pipe_->fds.writeEnd();
    pipe_->notifier = std::make_unique<QSocketNotifier>(pipe_->fds.readEnd(), QSocketNotifier::Read);
    connect(pipe_->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(pipe_->fds.readEnd(), &byte, 1) == 1) Q_EMIT stopRequested(byte);
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &action, &pipe_->previous[i]);
    pipe_->installed = true;
}

StopSignals::~StopSignals() {
    if (!pipe_->installed) return;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &pipe_->previous[i], nullptr);
    g_writeEnd = -1;
}

bool StopSignals::installed() const {
    return pipe_->installed;
}

}  // namespace strovik
