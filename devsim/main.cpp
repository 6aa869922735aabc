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

// SIGTERM and SIGINT are blocked in every thread and taken by sigwait on the main thread, so that a
// signal can never interrupt a session thread halfway.
sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
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
    sigwait(&stopSignals, &signal);
    simulator.stop();
    LogLine("stopped").add("signal", signal).writeTo(log);
    return 0;
}
