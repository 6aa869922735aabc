#include "devicelibs/discovery/DiscoveryFactory.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(DiscoveryOptions, FromTheSettingsFileWithDefaultsForWhatIsMissingOrUnusable) {
    const DiscoveryOptions defaults = ReadDiscoveryOptions(IniFile::parse("[Language]\nName=en\n"));
    EXPECT_EQ(defaults.probeAddress, "255.255.255.255");
    EXPECT_EQ(defaults.probePort, 39610);
    EXPECT_EQ(defaults.listenTime, std::chrono::milliseconds(3000));

    const DiscoveryOptions set =
        ReadDiscoveryOptions(IniFile::parse("[lansearch]\nProbeAddress= 127.0.0.9 \nProbePort=0x9C40\nListenMs=500\n"));
    EXPECT_EQ(set.probeAddress, "127.0.0.9");
    EXPECT_EQ(set.probePort, 40000);
    EXPECT_EQ(set.listenTime, std::chrono::milliseconds(500));

    const DiscoveryOptions unusable =
        ReadDiscoveryOptions(IniFile::parse("[LanSearch]\nProbePort=70000\nListenMs=5\n"));
    EXPECT_EQ(unusable.probePort, 39610);
    EXPECT_EQ(unusable.listenTime, std::chrono::milliseconds(3000));
}

}  // namespace
}  // namespace strovik
