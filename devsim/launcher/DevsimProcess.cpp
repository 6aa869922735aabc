#include "DevsimProcess.h"

#include <QFile>

#include <unistd.h>

#include <atomic>
#include <thread>

namespace strovik::devsim {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> instanceCounter{0};

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
    if (!process_.start({DEVSIM_EXECUTABLE, filePath(QStringLiteral("devsim.ini")).toStdString()})) {
        error_ = QStringLiteral("cannot start %1").arg(QStringLiteral(DEVSIM_EXECUTABLE));
        return false;
    }
    std::string output;
    if (!process_.waitForOutput("devsim ready", readyTimeout, &output)) {
        error_ = QStringLiteral("devsim did not get ready: %1").arg(QString::fromStdString(output).trimmed());
        stop();
        return false;
    }
    return true;
}

int DevsimProcess::stop(std::chrono::milliseconds timeout) {
    return process_.stop(timeout);
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
