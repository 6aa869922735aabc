#pragma once

#include "devicelibs/wire/PtzCommand.h"
#include "liveview/PtzCommands.h"
#include "platform/TcpSocket.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace strovik {

class TcpClientLibrary;

// One PTZ target's connection and its ordered queue of commands, drained by a thread of its own:
// setting up a connection blocks for seconds (the library's connect and answer timeouts, a socket's
// connect), and a press must never hold the window, nor a release overtake its press.
//
// The link owns the library connection (the design's ptzConnection) and, on the older-firmware
// paths, the plain socket (the design's controlSocket); both are opened on first use and closed
// when the link ends. A command that cannot be sent is dropped, as a failed send drops it; a
// release gets one second attempt on a fresh connection, since a lost stop leaves the head turning.
//
// The queue is bounded: a press that finds maxWaitingPresses presses waiting is dropped; releases
// are never dropped, and a release equal to one already waiting since the last waiting press is
// folded into it (sending it twice stops nothing more).
class PtzLink final {
public:
    struct Options {
        // The device is given this long after a library connection opens, before the first record.
        std::chrono::milliseconds connectPause{100};
        std::chrono::milliseconds socketConnectTimeout{3000};
        std::chrono::milliseconds socketSendTimeout{2000};
        std::size_t maxWaitingPresses = 16;
    };
    // Runs on the link's thread when its library connection opens (handle > 0, the prepared host)
    // or closes (0, empty).
    using ConnectionReport = std::function<void(std::int32_t handle, const QString& host)>;

    PtzLink(PtzTarget target, TcpClientLibrary& library, Options options, ConnectionReport report);
    // Ends the link: waiting presses are dropped, waiting releases still go out on a connection
    // that is open (none is opened any more), then the connection closes and the thread is joined.
    ~PtzLink();
    PtzLink(const PtzLink&) = delete;
    PtzLink& operator=(const PtzLink&) = delete;

    const PtzTarget& target() const { return target_; }

    // Queues one record; false when the bound dropped it. Any thread.
    bool enqueue(const PtzCommand& record);
    // Takes no more commands: the thread sends everything waiting, closes and ends.
    void retire();
    // Whether the thread has ended (after retire). Any thread.
    bool finished() const;
    // Whether nothing waits and nothing is being sent. Any thread.
    bool idle() const;

private:
    struct Entry {
        PtzCommand record;
        bool release = false;
    };

    void run();
    bool sendOnce(const PtzCommand& record, bool mayConnect);
    bool sendOnLibrary(const PtzCommand& record);
    bool sendOnSocket(const PtzCommand& record, bool mayConnect);
    void openLibrary();
    void closeLibrary();
    const QString& host();
    void pause(std::chrono::milliseconds duration);

    const PtzTarget target_;
    TcpClientLibrary& library_;
    const Options options_;
    const ConnectionReport report_;

    // Guards the queue and the flags; the connection below belongs to the thread alone.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Entry> queue_;
    bool busy_ = false;
    bool retired_ = false;
    bool stopping_ = false;
    bool finished_ = false;

    // The link's thread only.
    QString host_;
    bool hostPrepared_ = false;
    std::int32_t connection_ = 0;
    TcpSocket controlSocket_;

    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace strovik
