#pragma once

#include "ChildProcess.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace strovik::devsim {

// GStreamer's RTSP server (tests/support/rtsp_server.py, Debian's /usr/bin/python3) for a test, a
// benchmark or the demo: a moving test pattern in H.264 behind user/password authentication, on a
// loopback address of this process's own (127.A.B.240 to .254, beside DevsimProcess's addresses).
class RtspServerProcess final {
public:
    struct Setup {
        std::string address;  // empty: this process's next own address
        std::uint16_t port = 0;  // 0: any free port (port() tells it once started)
        std::vector<std::string> paths{"/cam"};
        std::string userName = "viewer";
        std::string password = "secret";
        std::string size = "640x360";
        bool shared = false;  // one encoder for all clients of a path
        bool digest = false;  // Digest authentication instead of Basic
    };

    RtspServerProcess();
    ~RtspServerProcess() { stop(); }

    // Starts the server and waits for it to listen; false with errorString() when it does not.
    // Starting again after stop() with the same setup (port() kept) brings the server back where
    // its clients knew it.
    bool start(const Setup& setup, std::chrono::milliseconds readyTimeout = std::chrono::seconds(20));
    bool restart(std::chrono::milliseconds readyTimeout = std::chrono::seconds(20));
    int stop() { return process_.stop(); }
    // Stops and resumes the process: its connections stay open and silent meanwhile.
    void pause() const;
    void resume() const;
    bool running() const { return process_.running(); }

    const std::string& address() const { return setup_.address; }
    std::uint16_t port() const { return setup_.port; }
    const Setup& setup() const { return setup_; }
    // rtsp://address:port/path, without credentials.
    std::string url(const std::string& path = "/cam") const;
    QString errorString() const { return error_; }

private:
    ChildProcess process_;
    Setup setup_;
    QString error_;
};

}  // namespace strovik::devsim
