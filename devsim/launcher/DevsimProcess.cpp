#include "DevsimProcess.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <thread>

namespace strovik::devsim {

namespace {

std::atomic<int> instanceCounter{0};

}  // namespace

DevsimProcess::DevsimProcess() {
    const auto pid = static_cast<std::uint32_t>(QCoreApplication::applicationPid());
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
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(QStringLiteral(DEVSIM_EXECUTABLE), {filePath(QStringLiteral("devsim.ini"))});
    const auto deadline = std::chrono::steady_clock::now() + readyTimeout;
    QByteArray output;
    while (!output.contains("devsim ready")) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || process_->state() == QProcess::NotRunning ||
            !process_->waitForReadyRead(static_cast<int>(left.count()))) {
            error_ = QStringLiteral("devsim did not get ready: %1").arg(QString::fromUtf8(output).trimmed());
            stop();
            return false;
        }
        output += process_->readAllStandardOutput();
    }
    return true;
}

int DevsimProcess::stop(std::chrono::milliseconds timeout) {
    if (!process_) return -1;
    int exitCode = -1;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(static_cast<int>(timeout.count()))) {
            process_->kill();
            process_->waitForFinished(5000);
        } else if (process_->exitStatus() == QProcess::NormalExit) {
            exitCode = process_->exitCode();
        }
    } else if (process_->exitStatus() == QProcess::NormalExit) {
        exitCode = process_->exitCode();
    }
    process_.reset();
    return exitCode;
}

bool DevsimProcess::running() const {
    return process_ && process_->state() == QProcess::Running;
}

QStringList DevsimProcess::logLines() const {
    QFile file(filePath(QStringLiteral("devsim.log")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QString> DevsimProcess::waitForLogLine(const QStringList& needles,
                                                     std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        for (const QString& line : logLines()) {
            bool all = true;
            for (const QString& needle : needles) all = all && line.contains(needle);
            if (all) return line;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<QString> LogValue(const QString& line, const QString& key) {
    const QString marker = QLatin1Char(' ') + key + QLatin1Char('=');
    const qsizetype at = line.indexOf(marker);
    if (at < 0) return std::nullopt;
    const qsizetype begin = at + marker.size();
    if (begin < line.size() && line[begin] == QLatin1Char('"')) {
        QString value;
        for (qsizetype i = begin + 1; i < line.size(); ++i) {
            if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
                const QChar next = line[++i];
                value += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                         : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                                                    : next;
            } else if (line[i] == QLatin1Char('"')) {
                return value;
            } else {
                value += line[i];
            }
        }
        return value;
    }
    const qsizetype end = line.indexOf(QLatin1Char(' '), begin);
    return line.mid(begin, end < 0 ? -1 : end - begin);
}

}  // namespace strovik::devsim
