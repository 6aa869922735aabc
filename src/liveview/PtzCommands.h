#pragma once

#include "devicelibs/wire/PtzCommand.h"
#include "devices/DeviceNode.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace strovik {

// Rights levels that permit PTZ.
bool PtzRightsPermit(std::int32_t rights);

// What a press does with the rights it found: send, tell the operator ("18"), or nothing (no
// live window, or its device unknown: rights -1).
enum class PtzPressAction { Send, ShowRightsMessage, Nothing };
PtzPressAction PtzPressActionFor(std::int32_t rights);

// The stop code a button sends on release: press + 4 for the direction pad (101..104), + 10 for
// the lens rows; nullopt for the buttons without a release (auto 200, wiper 117 on and 127 off).
std::optional<std::uint8_t> PtzReleaseCode(std::uint8_t pressCode);
// Whether code is one of the stop codes above.
bool IsPtzReleaseCode(std::uint8_t code);

// The selected window as PTZ sees it.
struct PtzWindow {
    bool live = false;
    ConnectionInfo connection;
    StreamTarget stream;
};

// The first device whose name equals deviceName, both without surrounding blanks; null if none.
const DeviceNode* FindPtzDevice(const std::vector<std::unique_ptr<DeviceNode>>& devices,
                                const QString& deviceName);

// Library sessions take firmware from 9.7 on, a device without a reported version (0) and every
// one-channel device; older firmware takes the raw records on the stream port, or an older
// library session when it is reached through a vendor domain.
enum class PtzPath { Library, VendorDomain, RawSocket };
bool PtzUsesLibraryPath(const DeviceVersion& version, bool singleChannel);
PtzPath ChoosePtzPath(const DeviceVersion& version, bool singleChannel, bool vendorDomain);

// The library port encodings of PTZ sessions: device port - 10 + base.
inline constexpr std::int32_t kPtzSessionPortBase = 200000;
inline constexpr std::int32_t kOlderPtzSessionPortBase = 100000;
std::int32_t PtzSessionPort(std::uint16_t devicePort, std::int32_t base);

// Where a command goes. Two commands with equal targets share one connection and one queue.
// address is the device's address as the window has it, completed for DDNS; the link prepares
// the host (resolution blocks) on its own thread.
struct PtzTarget {
    PtzPath path = PtzPath::Library;
    QString address;
    std::int32_t libraryPort = 0;  // encoded session port; 0 on the raw path
    std::uint16_t socketPort = 0;  // the channel's stream port; 0 on the library path

    bool operator==(const PtzTarget&) const = default;
};

struct PtzOrder {
    PtzTarget target;
    PtzCommand record;
};

// SendPtzCommand's plan for one command: the target of the window's device, and the record built
// from command's group, speed, byte 2, code and parameter, with group 22 for a one-channel device
// and the window's channel and credentials.
PtzOrder PlanPtzCommand(const PtzWindow& window, const DeviceNode& device, PtzCommandFields command);

}  // namespace strovik
