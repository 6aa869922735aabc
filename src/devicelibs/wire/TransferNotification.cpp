#include "devicelibs/wire/TransferNotification.h"

namespace strovik {

TransferNotification MakeTransferNotification(std::int32_t code, std::int32_t count, std::int32_t value) {
    TransferNotification notification{};
    notification.code = code;
    notification.count = count;
    notification.value = value;
    return notification;
}

std::optional<TransferNotification> ParseTransferNotification(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(TransferNotification)) return std::nullopt;
    return ReadRecord<TransferNotification>(data, length);
}

}  // namespace strovik
