#pragma once

#include "DevsimConfig.h"
#include "devicelibs/wire/SearchRequest.h"

#include <vector>

namespace strovik::devsim {

// What a simulated device answers; pure logic, so that unit tests can reach it.

// A verification answer: channel count x 100 plus 0 for an unknown user, 1 for a wrong password, or
// the user's rights level.
std::int32_t VerificationAnswer(const SimulatedDevice& device, std::string_view userName,
                                std::string_view password);

// The catalogue entries a search finds, in catalogue order: the request's channel, its record type
// (0 = all) and every recording that overlaps the time range. A new-style request names a user, who
// must exist and have the search right for that channel; otherwise nothing is found.
std::vector<const CatalogueEntry*> FindRecordings(const SimulatedDevice& device, const SearchQuery& query);

// The channel search rights a device-information reply carries for a user; all zero for an unknown
// user or a wrong password.
std::array<std::uint8_t, kChannelRightsBytes> ChannelSearchRights(const SimulatedDevice& device,
                                                                  std::string_view userName,
                                                                  std::string_view password);

}  // namespace strovik::devsim
