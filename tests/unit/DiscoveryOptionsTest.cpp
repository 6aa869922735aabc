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
    EXPECT_EQ(OnvifProbeAddress(defaults), "239.255.255.250");  // WS-Discovery's group on a LAN
    EXPECT_EQ(defaults.onvifProbePort, 3702);

    const DiscoveryOptions set =
        ReadDiscoveryOptions(IniFile::parse("[lansearch]\nProbeAddress= 127.0.0.9 \nProbePort=0x9C40\nListenMs=500\n"));
    EXPECT_EQ(set.probeAddress, "127.0.0.9");
    EXPECT_EQ(set.probePort, 40000);
    EXPECT_EQ(set.listenTime, std::chrono::milliseconds(500));
    // A search pointed at loopback sends its WS-Discovery probe there too, never to the group.
    EXPECT_EQ(OnvifProbeAddress(set), "127.0.0.9");

    const DiscoveryOptions onvif =
        ReadDiscoveryOptions(IniFile::parse("[LanSearch]\nOnvifProbeAddress=127.0.0.8\nOnvifProbePort=13702\n"));
    EXPECT_EQ(OnvifProbeAddress(onvif), "127.0.0.8");
    EXPECT_EQ(onvif.onvifProbePort, 13702);

    const DiscoveryOptions unusable =
        ReadDiscoveryOptions(IniFile::parse("[LanSearch]\nProbePort=70000\nListenMs=5\n"));
    EXPECT_EQ(unusable.probePort, 39610);
    EXPECT_EQ(unusable.listenTime, std::chrono::milliseconds(3000));
}

}  // namespace
}  // namespace strovik
