#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

extern char** environ;

namespace strovik::devsim {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

}  // namespace

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::start(const std::vector<std::string>& arguments) {
    stop();
    if (arguments.empty()) return false;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
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
    std::vector<std::string> texts = arguments;
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (failed != 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    pid_ = pid;
    output_ = pipeEnds[0];
    return true;
}

bool ChildProcess::waitForOutput(const std::string& marker, std::chrono::milliseconds timeout,
                                 std::string* output) {
    const auto deadline = Clock::now() + timeout;
    std::string read;
    bool found = false;
    while (output_ >= 0) {
        const std::size_t at = read.find(marker);
        if (at != std::string::npos && read.find('\n', at) != std::string::npos) {
            found = true;
            break;
        }
        pollfd entry{output_, POLLIN, 0};
        char buffer[512];
        const ssize_t got = ::poll(&entry, 1, static_cast<int>(Left(deadline).count())) > 0
                                ? ::read(output_, buffer, sizeof buffer)
                                : 0;
        if (got <= 0) break;  // timed out, or the process ended
        read.append(buffer, static_cast<std::size_t>(got));
    }
    if (output) *output = read;
    return found;
}

int ChildProcess::stop(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGCONT);  // a stopped process could not act on SIGTERM
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

void ChildProcess::signal(int number) const {
    if (pid_ > 0) ::kill(pid_, number);
}

bool ChildProcess::running() const {
    return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

}  // namespace strovik::devsim
