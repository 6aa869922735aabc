#pragma once

#include "devicelibs/FixedText.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace strovik {

static_assert(std::endian::native == std::endian::little, "wire records are read in place as little-endian");

// One camera found on the LAN, as the discovery library hands it to the search callback. The
// library owns it; it is valid during the callback only.
#pragma pack(push, 1)
struct IpcSearchRecord {
    FixedText<128> macText;
    FixedText<64> ipText;
    FixedText<36> maskText;
    std::int32_t videoPort = 0;  // 0 when the camera gives none
    std::array<std::uint8_t, 16> reserved{};
    std::int32_t deviceId = 0;
    FixedText<128> userText;  // empty when none
    FixedText<128> passwordText;
};
#pragma pack(pop)
static_assert(offsetof(IpcSearchRecord, ipText) == 128);
static_assert(offsetof(IpcSearchRecord, maskText) == 192);
static_assert(offsetof(IpcSearchRecord, videoPort) == 228);
static_assert(offsetof(IpcSearchRecord, deviceId) == 248);
static_assert(offsetof(IpcSearchRecord, userText) == 252);
static_assert(offsetof(IpcSearchRecord, passwordText) == 380);
static_assert(sizeof(IpcSearchRecord) == 508);

// Callback code that ends a search; the record pointer is then not used. Any other code with a
// non-null record reports one camera.
inline constexpr std::int32_t SearchDone = 120;

// Called on a library thread.
using IpcSearchCallback = std::function<void(const IpcSearchRecord* record, std::int32_t code)>;

// The LAN camera discovery library.
class DiscoveryLibrary {
public:
    virtual ~DiscoveryLibrary() = default;
    // Replaces any earlier callback; later results go to the last one registered.
    virtual void SetIPCSearchCallBack(IpcSearchCallback callback) = 0;
    // Returns at once; cameras and the end of the search (SearchDone) arrive through the callback.
    virtual void StartIPCSearch() = 0;
};

}  // namespace strovik
