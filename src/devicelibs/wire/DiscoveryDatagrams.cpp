#include "devicelibs/wire/DiscoveryDatagrams.h"

namespace strovik {

namespace {

template <std::size_t Bytes>
void Terminate(FixedText<Bytes>& text) {
    text.bytes.back() = '\0';
}

}  // namespace

std::optional<DiscoveryProbe> ParseDiscoveryProbe(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(DiscoveryProbe)) return std::nullopt;
    auto probe = ReadRecord<DiscoveryProbe>(data, length);
    if (!probe || probe->magic != kDiscoveryMagic || probe->kind != DiscoveryKind::Probe) return std::nullopt;
    return probe;
}

std::optional<DiscoveryAnswer> ParseDiscoveryAnswer(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(DiscoveryAnswer)) return std::nullopt;
    auto answer = ReadRecord<DiscoveryAnswer>(data, length);
    if (!answer || answer->magic != kDiscoveryMagic || answer->kind != DiscoveryKind::Answer)
        return std::nullopt;
    IpcSearchRecord& camera = answer->camera;
    Terminate(camera.macText);
    Terminate(camera.ipText);
    Terminate(camera.maskText);
    Terminate(camera.userText);
    Terminate(camera.passwordText);
    return answer;
}

}  // namespace strovik
