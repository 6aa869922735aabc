// devsim: plays DVRs, NVRs and network cameras on loopback addresses, speaking the device side of
// our device protocol. Usage: devsim CONFIG.ini   (docs/devsim.md)
#include "DevsimConfig.h"
#include "EventLog.h"
#include "MediaService.h"
#include "Simulator.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

// SIGTERM, SIGINT and SIGUSR1 are blocked in every thread and taken by sigwait on the main thread,
// so that a signal can never interrupt a session thread halfway.
sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signals;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace strovik::devsim;
    const sigset_t stopSignals = BlockStopSignals();
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: devsim CONFIG.ini\n");
        return 2;
    }
    std::string error;
    const auto config = LoadDevsimConfig(QString::fromLocal8Bit(argv[1]), &error);
    if (!config) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 2;
    }
    EventLog log;
    if (!config->logPath.empty() && !log.openFile(config->logPath)) {
        std::fprintf(stderr, "devsim: cannot write the log %s\n", config->logPath.c_str());
        return 2;
    }
    const std::unique_ptr<MediaService> media = CreateMediaService(log, config->seed);
    Simulator simulator(*config, log, *media);
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 1;
    }
    const LogLine ready = LogLine("ready").add("devices", config->devices.size());
    ready.writeTo(log);
    std::printf("devsim %s\n", ready.text().c_str());
    std::fflush(stdout);

    int signal = 0;
    // SIGUSR1 reads the config file again and gives the discovery answers its identities: a test
    // moves a camera to another address while the client runs.
    while (sigwait(&stopSignals, &signal) == 0 && signal == SIGUSR1) {
        const auto fresh = LoadDevsimConfig(QString::fromLocal8Bit(argv[1]), &error);
        if (!fresh) {
            LogLine("discovery-reload-failed").add("error", error).writeTo(log);
            continue;
        }
        simulator.reloadDiscovery(*fresh);
        LogLine("discovery-reloaded").add("devices", fresh->devices.size()).writeTo(log);
    }
    simulator.stop();
    LogLine("stopped").add("signal", signal).writeTo(log);
    return 0;
}
