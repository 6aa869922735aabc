#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace strovik::devsim {

// One devsim process for a test or a benchmark, on loopback addresses that no other process of
// the same machine picks: 127.A.B.C with A and B from the process id and C from a counter per
// process, so that tests running in parallel never meet. The config, the log and any file the
// test writes live in a temporary directory that goes with the object.
class DevsimProcess final {
public:
    static constexpr std::uint16_t kDiscoveryPort = 39610;
    static constexpr int kAddressCount = 15;

    DevsimProcess();
    ~DevsimProcess();  // stops devsim
    DevsimProcess(const DevsimProcess&) = delete;
    DevsimProcess& operator=(const DevsimProcess&) = delete;

    // This instance's n-th address, n from 1 to kAddressCount. Address 1 is the discovery
    // responder's; devices take the others.
    std::string address(int n) const;
    QString directory() const;
    QString filePath(const QString& name) const;
    // Writes name in the directory; false when it cannot.
    bool writeFile(const QString& name, const QByteArray& bytes) const;

    // Writes the config (a [Simulator] section with Log=devsim.log, DiscoveryAddress=address(1) and
    // DiscoveryPort=kDiscoveryPort, then simulatorLines, then deviceSections), starts devsim and
    // waits for its ready line. false with errorString() when it does not get ready in time.
    bool start(const QString& deviceSections, const QString& simulatorLines = {},
               std::chrono::milliseconds readyTimeout = std::chrono::seconds(20));
    // SIGTERM, then waits; devsim's exit code, or -1 when it had to be killed or was not running.
    int stop(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool running() const { return process_.running(); }
    // devsim's process id while it runs (for reading its CPU time), else -1.
    int pid() const { return process_.pid(); }
    QString errorString() const { return error_; }

    QStringList logLines() const;
    // Waits until a log line contains every needle and returns the first such line. The log is a
    // file that devsim flushes line by line; it is looked at every 10 ms until the deadline.
    std::optional<QString> waitForLogLine(const QStringList& needles,
                                          std::chrono::milliseconds timeout) const;

private:
    QTemporaryDir directory_;
    std::string addressPrefix_;  // "127.A.B."
    int addressBase_ = 0;
    ChildProcess process_;
    QString error_;
};

// The value of key in a devsim log line (unquoted), or nullopt.
std::optional<QString> LogValue(const QString& line, const QString& key);

}  // namespace strovik::devsim
