// Load, tree build and save of device lists of 1,000 and 10,000 devices of 16 channels each.
// Prints the time per device at both sizes and, last, the ratio of the two per-device times
// (near 1 means the work grows linearly with the list). Times are the thread's CPU time, best of
// several rounds, so that other processes on a busy machine do not count.
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

QByteArray deviceListText(int devices) {
    QByteArray text;
    for (int i = 0; i < devices; ++i) {
        text += "[Device " + QByteArray::number(i) + "]\nAddr=10." + QByteArray::number(i / 65536) + "." +
                QByteArray::number((i / 256) % 256) + "." + QByteArray::number(i % 256) +
                "\nPort=5050\nChnCount=16\nNetType=1\nServerType=2\nDeviceType=1\nUser=admin\nPwd=secret\n"
                "AutoSearch=0\n";
    }
    return text;
}

// Microseconds per device for one load + tree build + save, best of a few rounds.
double microsecondsPerDevice(int devices, const QString& dir) {
    const QString path = dir + QStringLiteral("/StrovikList%1.ini").arg(devices);
    strovik::StringTable strings;
    strings.append(QStringLiteral("14"), QStringLiteral("CHANNEL"));
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(deviceListText(devices)) < 0) std::abort();
        file.close();

        const double start = threadCpuMicroseconds();
        strovik::DeviceTree tree(strings);
        const auto load = strovik::LoadDeviceList(path, tree);
        if (load.devicesAdded != devices || tree.channels().size() != static_cast<std::size_t>(devices) * 16) std::abort();
        if (!strovik::SaveDeviceList(path, tree)) std::abort();
        best = std::min(best, (threadCpuMicroseconds() - start) / devices);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const double small = microsecondsPerDevice(1000, dir.path());
    const double large = microsecondsPerDevice(10000, dir.path());
    std::printf("us_per_device_1000: %.2f\n", small);
    std::printf("us_per_device_10000: %.2f\n", large);
    std::printf("ratio: %.2f\n", large / small);
    return 0;
}
