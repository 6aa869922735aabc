#include "devicelibs/wire/DeviceInfoRecords.h"

namespace strovik {

DeviceInfoRequest BuildDeviceInfoRequest(std::string_view userName, std::string_view password) {
    DeviceInfoRequest request{};
    request.userName = userName;
    request.password = password;
    return request;
}

std::optional<DeviceInfoRequest> ParseDeviceInfoRequest(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(DeviceInfoRequest) || MessageCode(data, length) != kDeviceInfoCode)
        return std::nullopt;
    return ReadRecord<DeviceInfoRequest>(data, length);
}

std::optional<DeviceInfoReply> ParseDeviceInfoReply(const std::uint8_t* data, std::size_t length) {
    if (MessageCode(data, length) != kDeviceInfoCode) return std::nullopt;
    return ReadRecord<DeviceInfoReply>(data, length);
}

}  // namespace strovik
