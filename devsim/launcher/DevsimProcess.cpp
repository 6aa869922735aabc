#include "DevsimProcess.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

extern char** environ;

namespace strovik::devsim {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> instanceCounter{0};

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

// Starts program with stdout into a new pipe and the stop signals at their defaults; the pipe's
// read end in *output.
int Spawn(const char* program, const std::string& argument, int* output) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string programText = program;
    std::string argumentText = argument;
    char* argv[] = {programText.data(), argumentText.data(), nullptr};
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, program, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (failed != 0) {
        ::close(pipeEnds[0]);
        return -1;
    }
    *output = pipeEnds[0];
    return pid;
}

}  // namespace

DevsimProcess::DevsimProcess() {
    const auto pid = static_cast<std::uint32_t>(::getpid());
    addressPrefix_ = "127." + std::to_string(1 + (pid >> 8) % 254) + "." + std::to_string(pid & 255) + ".";
    addressBase_ = 16 * (instanceCounter++ % 15);
}

DevsimProcess::~DevsimProcess() {
    stop();
}

std::string DevsimProcess::address(int n) const {
    return addressPrefix_ + std::to_string(addressBase_ + n);
}

QString DevsimProcess::directory() const {
    return directory_.path();
}

QString DevsimProcess::filePath(const QString& name) const {
    return directory_.filePath(name);
}

bool DevsimProcess::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool DevsimProcess::start(const QString& deviceSections, const QString& simulatorLines,
                          std::chrono::milliseconds readyTimeout) {
    stop();
    const QString config =
        QStringLiteral("[Simulator]\nLog=devsim.log\nDiscoveryAddress=%1\nDiscoveryPort=%2\n%3\n%4\n")
            .arg(QString::fromStdString(address(1)))
            .arg(kDiscoveryPort)
            .arg(simulatorLines, deviceSections);
    if (!directory_.isValid() || !writeFile(QStringLiteral("devsim.ini"), config.toUtf8())) {
        error_ = QStringLiteral("cannot write the devsim config");
        return false;
    }
    pid_ = Spawn(DEVSIM_EXECUTABLE, filePath(QStringLiteral("devsim.ini")).toStdString(), &output_);
    if (pid_ <= 0) {
        error_ = QStringLiteral("cannot start %1").arg(QStringLiteral(DEVSIM_EXECUTABLE));
        return false;
    }
    const auto deadline = Clock::now() + readyTimeout;
    std::string output;
    while (output.find("devsim ready") == std::string::npos) {
        pollfd entry{output_, POLLIN, 0};
        char buffer[512];
        const ssize_t got = ::poll(&entry, 1, static_cast<int>(Left(deadline).count())) > 0
                                ? ::read(output_, buffer, sizeof buffer)
                                : 0;
        if (got <= 0) {  // timed out, or devsim ended
            error_ =
                QStringLiteral("devsim did not get ready: %1").arg(QString::fromStdString(output).trimmed());
            stop();
            return false;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

int DevsimProcess::stop(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    bool exited = false;
    while (!exited) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        exited = done == pid_ || done < 0;
        if (exited) break;
        if (Clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            status = -1;
            break;
        }
        // No process-exit event to wait on without a child-signal handler that the test process owns.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(output_);
    output_ = -1;
    pid_ = -1;
    return exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DevsimProcess::running() const {
    return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

QStringList DevsimProcess::logLines() const {
    QFile file(filePath(QStringLiteral("devsim.log")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QString> DevsimProcess::waitForLogLine(const QStringList& needles,
                                                     std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        for (const QString& line : logLines()) {
            bool all = true;
            for (const QString& needle : needles) all = all && line.contains(needle);
            if (all) return line;
        }
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<QString> LogValue(const QString& line, const QString& key) {
    const QString marker = QLatin1Char(' ') + key + QLatin1Char('=');
    const qsizetype at = line.indexOf(marker);
    if (at < 0) return std::nullopt;
    const qsizetype begin = at + marker.size();
    if (begin >= line.size() || line[begin] != QLatin1Char('"')) {
        const qsizetype end = line.indexOf(QLatin1Char(' '), begin);
        return line.mid(begin, end < 0 ? -1 : end - begin);
    }
    QString value;
    for (qsizetype i = begin + 1; i < line.size() && line[i] != QLatin1Char('"'); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            const QChar escaped = line[++i];
            value += escaped == QLatin1Char('n')   ? QChar(u'\n')
                     : escaped == QLatin1Char('r') ? QChar(u'\r')
                                                   : escaped;
        } else {
            value += line[i];
        }
    }
    return value;
}

}  // namespace strovik::devsim
