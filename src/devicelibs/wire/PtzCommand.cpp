#include "devicelibs/wire/PtzCommand.h"

namespace strovik {

PtzCommand BuildPtzCommand(const PtzCommandFields& fields) {
    PtzCommand command{};
    command.group = fields.group;
    command.speed = fields.speed;
    command.reserved2 = fields.reserved2;
    command.code = fields.code;
    command.channel = fields.channel;
    command.parameter = fields.parameter;
    command.userName = fields.userName;
    command.password = fields.password;
    return command;
}

std::optional<PtzCommand> ParsePtzCommand(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(PtzCommand)) return std::nullopt;
    return ReadRecord<PtzCommand>(data, length);
}

}  // namespace strovik
