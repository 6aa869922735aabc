#pragma once

#include <cstdint>
#include <vector>

namespace strovik::devsim {

// Looks into an H.264 access unit in Annex B form.
// True when its first slice is referenced by other pictures (nal_ref_idc above 0).
bool IsReferencePicture(const std::vector<std::uint8_t>& accessUnit);
// Its sequence and picture parameter sets, each with a start code; empty when it has none.
std::vector<std::uint8_t> ParameterSets(const std::vector<std::uint8_t>& accessUnit);

}  // namespace strovik::devsim
