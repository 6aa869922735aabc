#pragma once

#include "devicelibs/wire/DeviceInfoRecords.h"
#include "devicelibs/wire/FileTime.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace strovik::devsim {

// What devsim plays, read from its INI file (docs/devsim.md describes every key).

struct SimulatedUser {
    std::string name;
    std::string password;
    int rights = 0;                    // verification rights level; 32 and above is verified
    std::vector<bool> searchChannels;  // [0-based channel]: may search its recordings
};

struct CatalogueEntry {
    std::string fileName;  // the name on the device, as searches report it and transfers ask for it
    LocalDateTime start;
    LocalDateTime end;
    std::uint64_t startTime = 0;  // FILETIME
    std::uint64_t endTime = 0;
    std::uint8_t channel = 1;  // 1-based
    std::uint8_t recordType = 1;
};

struct DiscoveryIdentity {
    std::int32_t deviceId = 0;  // 0: the device does not answer discovery probes
    std::string ipText;         // the address the answer gives; the device's Address by default
    std::string mac;
    std::string mask = "255.0.0.0";
    std::int32_t videoPort = 0;
    std::string accessUser;
    std::string accessPassword;
};

enum class VerifyFault { None, Refuse, Garbage, Oversized, Silence, Close };
enum class SearchFault { None, Malformed, Oversized, Silence };
enum class TransferFault { None, Drop, Stall, Oversized };

struct DeviceFaults {
    VerifyFault verify = VerifyFault::None;
    std::chrono::milliseconds verifyDelay{0};
    SearchFault search = SearchFault::None;
    TransferFault transfer = TransferFault::None;
    std::int64_t transferFaultAfterBytes = 0;
    int closeChancePercent = 0;  // per message received (per block sent in transfers)
    // Answers of the verification port's sessions go out one byte at a time, this long apart; 0 whole.
    std::chrono::milliseconds trickleBytePause{0};
    std::chrono::milliseconds liveDropAfter{0};  // live streams end this long after they start; 0 never
    // Live streams end after a random time from min to max (both 0: never), each its own.
    std::chrono::milliseconds liveDropRandomMin{0};
    std::chrono::milliseconds liveDropRandomMax{0};
};

struct StreamSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const StreamSize&, const StreamSize&) = default;
};

// Which live streams of every channel are encoded at start-up instead of on first use.
enum class PreparedStreams { None, Main, Sub, All };

// What a device plays: our device protocol, or the ONVIF services of a camera of another make.
enum class DeviceProtocol { Native, Onvif };

// An ONVIF camera's services: the device, media and PTZ services on its Port (HTTP), one video
// source per channel with a main and a sub stream profile, and stream addresses that point at an
// RTSP server outside devsim ("{channel}" in them is replaced by the 1-based channel).
struct OnvifService {
    std::string mainStreamUrl;
    std::string subStreamUrl;  // the main stream's when not given
    bool ptz = true;
    bool imaging = true;
    std::string manufacturer = "devsim";
    std::string model = "ONVIF camera";
    // How far the camera's clock is ahead of the machine's. Tokens whose time is more than
    // kTokenFreshness away from the camera's clock are refused, as real cameras do.
    std::chrono::seconds clockOffset{0};
};

struct SimulatedDevice {
    std::string name;
    DeviceProtocol protocol = DeviceProtocol::Native;
    OnvifService onvif;  // for DeviceProtocol::Onvif
    std::string address;  // 127.x.y.z
    std::uint16_t port = 5050;
    std::uint8_t deviceType = 1;  // DeviceType of devices/DeviceNode.h
    int channels = 1;
    FirmwareVersion firmware;
    std::uint16_t ptzPort = 0;  // the raw PTZ socket (the channels' stream port)
    std::vector<SimulatedUser> users;
    DiscoveryIdentity discovery;
    std::string recordingsFolder;  // absolute
    std::vector<CatalogueEntry> catalogue;
    // Generated recordings hold at most this much picture content, however long their entry.
    std::chrono::seconds recordingContent{60};
    std::int64_t transferBytesPerSecond = 0;  // 0: as fast as the connection takes them
    std::int32_t transferBlockBytes = 1024 * 1024;
    StreamSize mainStreamSize{640, 360};
    StreamSize subStreamSize{320, 180};
    PreparedStreams preparedStreams = PreparedStreams::None;
    DeviceFaults faults;

    std::uint16_t verificationPort() const { return static_cast<std::uint16_t>(port + 2000); }
    const SimulatedUser* findUser(std::string_view userName) const;
    // The catalogue file's path in the recordings folder.
    std::string recordingPath(const CatalogueEntry& entry) const;
};

struct DevsimConfig {
    std::string logPath;  // empty: stdout
    std::string discoveryAddress = "127.0.0.1";
    std::uint16_t discoveryPort = 0;  // 0: no discovery responder
    // WS-Discovery for the ONVIF cameras; 0: none. On discoveryAddress unless given.
    std::string onvifDiscoveryAddress;
    std::uint16_t onvifDiscoveryPort = 3702;
    // Also answer probes sent to this multicast group on the loopback interface (for third-party
    // clients that only probe the group; used inside a network namespace of a test). Empty: none.
    std::string onvifDiscoveryGroup;
    std::size_t maxSessions = 64;     // per listening port
    std::chrono::milliseconds idleTimeout{3600000};  // long enough for a PTZ session kept open between commands
    std::uint32_t seed = 1;
    std::vector<SimulatedDevice> devices;
};

// nullopt with *error saying which section and key is wrong.
std::optional<DevsimConfig> LoadDevsimConfig(const QString& path, std::string* error);

}  // namespace strovik::devsim
