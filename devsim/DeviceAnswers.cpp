#include "DeviceAnswers.h"

namespace strovik::devsim {

std::int32_t VerificationAnswer(const SimulatedDevice& device, std::string_view userName,
                                std::string_view password) {
    const SimulatedUser* user = device.findUser(userName);
    const int level = !user ? 0 : user->password != password ? 1 : user->rights;
    return device.channels * 100 + level;
}

std::vector<const CatalogueEntry*> FindRecordings(const SimulatedDevice& device, const SearchQuery& query) {
    std::vector<const CatalogueEntry*> found;
    if (query.style == SearchRequestStyle::NewFirmware) {
        const SimulatedUser* user = device.findUser(query.userName);
        const std::size_t channel = query.channel - 1u;
        if (!user || query.channel == 0 || channel >= user->searchChannels.size() ||
            !user->searchChannels[channel])
            return found;
    }
    for (const CatalogueEntry& entry : device.catalogue) {
        if (entry.channel != query.channel) continue;
        if (query.recordType != RecordType::All && entry.recordType != query.recordType) continue;
        if (entry.endTime < query.startTime || entry.startTime > query.endTime) continue;
        found.push_back(&entry);
    }
    return found;
}

std::array<std::uint8_t, kChannelRightsBytes> ChannelSearchRights(const SimulatedDevice& device,
                                                                  std::string_view userName,
                                                                  std::string_view password) {
    std::array<std::uint8_t, kChannelRightsBytes> rights{};
    const SimulatedUser* user = device.findUser(userName);
    if (!user || user->password != password) return rights;
    for (std::size_t channel = 0; channel < user->searchChannels.size() && channel < rights.size(); ++channel)
        rights[channel] = user->searchChannels[channel] ? 1 : 0;
    return rights;
}

}  // namespace strovik::devsim
