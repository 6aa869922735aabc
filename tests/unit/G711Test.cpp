#include "devicelibs/video/G711.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace strovik {
namespace {

TEST(G711, MuLawKeepsSignAndMagnitudeWithinItsStep) {
    EXPECT_EQ(LinearToMuLaw(0), 0xFF);
    EXPECT_EQ(MuLawToLinear(0xFF), 0);
    EXPECT_EQ(LinearToMuLaw(32767), 0x80);
    EXPECT_EQ(LinearToMuLaw(-32768), 0x00);
    for (int value = -32768; value <= 32767; value += 97) {
        const int decoded = MuLawToLinear(LinearToMuLaw(static_cast<std::int16_t>(value)));
        // The quantisation step grows with the magnitude: about 1/16 of it, at least 8.
        EXPECT_LE(std::abs(decoded - value), std::max(8, std::abs(value) / 16 + 128)) << value;
        if (std::abs(value) > 200) {
            EXPECT_EQ(decoded < 0, value < 0) << value;
        }
    }
}

}  // namespace
}  // namespace strovik
