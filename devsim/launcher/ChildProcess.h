#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace strovik::devsim {

// A helper process of the tests and benchmarks (devsim, the RTSP server), started with
// posix_spawn rather than QProcess: QProcess starts children in a way that ThreadSanitizer cannot
// follow, which would bury real reports of the tests under false ones.
class ChildProcess final {
public:
    ChildProcess() = default;
    ~ChildProcess();  // stops it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts arguments[0] (a path) with its stdout into a pipe and the stop signals at their
    // defaults. False when it could not be started.
    bool start(const std::vector<std::string>& arguments);
    // Reads its stdout until a line contains marker or the deadline passes; false then (or when it
    // ended first). Everything read so far in *output.
    bool waitForOutput(const std::string& marker, std::chrono::milliseconds timeout, std::string* output);
    // SIGTERM, then waits (SIGKILL after timeout); its exit code, or -1 when it had to be killed or
    // was not running.
    int stop(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Sends a signal while it runs (SIGSTOP and SIGCONT make a peer fall silent and go on).
    void signal(int number) const;
    bool running() const;
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    int output_ = -1;  // read end of its stdout
};

}  // namespace strovik::devsim
