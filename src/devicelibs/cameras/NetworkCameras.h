#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strovik {

// How a device is reached. Devices of our own protocol are the default and are never listed.
enum class CameraProtocol : std::uint8_t {
    Native,
    Onvif,  // SOAP services for verification, stream addresses and PTZ; video over RTSP
    Rtsp,   // nothing but the RTSP addresses of its streams
};

// The RTSP addresses of one channel. Credentials are never part of them: the libraries add the
// device's user and password when they connect.
struct CameraStreams {
    std::string mainUrl;
    std::string subUrl;  // empty: the channel's sub stream is its main stream
};

// What the libraries need to know of a device that does not speak our protocol.
struct NetworkCamera {
    CameraProtocol protocol = CameraProtocol::Native;
    bool rtspOverUdp = false;  // RTSP over TCP unless the device record asks for UDP
    std::vector<CameraStreams> channels;  // given for an RTSP camera; an ONVIF camera's are found when it is verified
};

// The stream address of a stream index as the windows number them (main stream of channel i: i,
// its sub stream: C + i on a device of C channels). Empty when there is no such channel or no
// address is known yet.
std::string StreamUrlOf(const NetworkCamera& camera, int streamIndex);

// The devices of other makes, by the address and port their device record gives. The program
// fills it from the device list on the GUI thread; verification fills in stream addresses on a
// library thread; the libraries read it on their own threads. The windows and the grid never
// consult it: each library decides by it how to reach a device behind its unchanged interface.
class NetworkCameras {
public:
    void Put(std::string_view address, std::uint16_t port, NetworkCamera camera);
    void Remove(std::string_view address, std::uint16_t port);
    // Keeps the protocol; a device not listed is left unlisted.
    void SetChannels(std::string_view address, std::uint16_t port, std::vector<CameraStreams> channels);
    // Replaces the whole directory (after the device list was loaded or edited).
    void ReplaceAll(std::vector<std::pair<std::pair<std::string, std::uint16_t>, NetworkCamera>> cameras);
    // Nothing for a device of our own protocol.
    std::optional<NetworkCamera> Find(std::string_view address, std::uint16_t port) const;

private:
    using Key = std::pair<std::string, std::uint16_t>;
    static Key KeyOf(std::string_view address, std::uint16_t port);

    mutable std::mutex lock_;
    std::map<Key, NetworkCamera> cameras_;
};

}  // namespace strovik
