#include "devicelibs/wire/SessionRecords.h"

namespace strovik {

const char* SessionKindName(SessionKind kind) {
    switch (kind) {
        case SessionKind::Verify:
            return "verify";
        case SessionKind::Command:
            return "command";
        case SessionKind::FileTransfer:
            return "transfer";
        case SessionKind::Ptz:
            return "ptz";
    }
    return "unknown";
}

std::optional<SessionHello> ParseSessionHello(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(SessionHello)) return std::nullopt;
    auto hello = ReadRecord<SessionHello>(data, length);
    if (!hello || hello->magic != kSessionMagic) return std::nullopt;
    if (hello->kind < static_cast<std::int32_t>(SessionKind::Verify) ||
        hello->kind > static_cast<std::int32_t>(SessionKind::Ptz))
        return std::nullopt;
    return hello;
}

std::optional<SessionAnswer> ParseSessionAnswer(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(SessionAnswer)) return std::nullopt;
    return ReadRecord<SessionAnswer>(data, length);
}

}  // namespace strovik
