#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <stop_token>
#include <string>
#include <vector>

namespace strovik::devsim {

// Inside a message, a client may pause this long between pieces before devsim gives it up.
inline constexpr TcpSocket::Milliseconds kStallTimeout{10000};

// Everything one session of a simulated device works with, on its own session thread.
class SessionContext final {
public:
    SessionContext(const SimulatedDevice& device, const DevsimConfig& config, EventLog& log,
                   TcpSocket& socket, std::stop_token stop, std::uint32_t sessionNumber);

    const SimulatedDevice& device;
    const DevsimConfig& config;
    EventLog& log;
    TcpSocket& socket;
    const std::stop_token stop;
    const std::string peer;

    // A log line that already names the device and the peer.
    LogLine line(std::string_view event) const;

    bool send(const void* data, std::size_t length);
    bool send(const std::vector<std::uint8_t>& message) { return send(message.data(), message.size()); }
    // Announces a message longer than any client accepts, and sends nothing of it.
    void sendOversizedHeader();
    // Ends the connection with a reset instead of an orderly close (the server closes the socket).
    void resetConnection();
    // Waits for the given time; false when the simulator stops meanwhile.
    bool pause(std::chrono::milliseconds duration) const;
    // Reads and drops whatever the client sends until it leaves, the idle timeout passes or devsim stops.
    void waitForClientToLeave();
    // The CloseChance fault knob: true when this step should end the session abruptly.
    bool closeAtRandom();
    // The client's next message of a command or PTZ session. nullptr with the message, or the
    // outcome that ends the session: the client left, stayed idle, broke the framing (noted in
    // summary) or the CloseChance knob reset the connection.
    const char* receiveRequest(std::vector<std::uint8_t>& message, LogLine& summary);

private:
    std::mt19937 random_;
};

// What became of a session, for its log line.
namespace Outcome {
inline constexpr char Done[] = "done";
inline constexpr char ClientLeft[] = "client-closed";
inline constexpr char Idle[] = "idle-timeout";
inline constexpr char BadMessage[] = "bad-message";
inline constexpr char Stopped[] = "stopped";
inline constexpr char RandomClose[] = "fault-random-close";
}  // namespace Outcome

}  // namespace strovik::devsim
