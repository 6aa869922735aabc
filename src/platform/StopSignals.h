#pragma once

#include <QObject>

#include <memory>

namespace strovik {

// Turns the signals that ask a program to end (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the
// thread that created the object, so that the program ends through its normal close path instead
// of losing its unsaved state. The handler itself only writes one byte into a pipe (async-signal
// safe); the rest runs from the event loop. One instance per process; nothing on Windows.
class StopSignals final : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // False when the handlers could not be installed.
    bool installed() const;

Q_SIGNALS:
    void stopRequested(int signal);

private:
    struct Pipe;
    std::unique_ptr<Pipe> pipe_;
};

}  // namespace strovik
