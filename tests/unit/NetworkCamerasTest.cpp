#include "devicelibs/cameras/NetworkCameras.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

NetworkCamera TwoChannelCamera() {
    NetworkCamera camera;
    camera.protocol = CameraProtocol::Onvif;
    camera.channels = {{"rtsp://h/a-main", "rtsp://h/a-sub"}, {"rtsp://h/b-main", ""}};
    return camera;
}

TEST(NetworkCameras, StreamIndicesMapOntoChannelsAsTheWindowsNumberThem) {
    const NetworkCamera camera = TwoChannelCamera();
    const struct {
        int streamIndex;
        const char* expected;
    } cases[] = {
        {0, "rtsp://h/a-main"}, {1, "rtsp://h/b-main"}, {2, "rtsp://h/a-sub"},
        {3, "rtsp://h/b-main"},  // no sub stream: the main stream stands in
        {4, ""},                 {-1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StreamUrlOf(camera, c.streamIndex), c.expected) << c.streamIndex;
    EXPECT_EQ(StreamUrlOf(NetworkCamera{CameraProtocol::Onvif, false, {}}, 0), "");
}

TEST(NetworkCameras, FindsByCaseFoldedAddressAndPortAndNeverListsOurOwnDevices) {
    NetworkCameras cameras;
    cameras.Put("Cam.Local", 80, TwoChannelCamera());
    cameras.Put("127.0.0.9", 5050, NetworkCamera{});
    EXPECT_TRUE(cameras.Find(" cam.local", 80).has_value());
    EXPECT_FALSE(cameras.Find("cam.local", 81).has_value());
    EXPECT_FALSE(cameras.Find("127.0.0.9", 5050).has_value());

    cameras.SetChannels("cam.local", 80, {{"rtsp://h/new", ""}});
    ASSERT_EQ(cameras.Find("cam.local", 80)->channels.size(), 1u);
    EXPECT_EQ(cameras.Find("cam.local", 80)->protocol, CameraProtocol::Onvif);
    cameras.SetChannels("other", 80, {{"rtsp://h/x", ""}});
    EXPECT_FALSE(cameras.Find("other", 80).has_value());

    cameras.ReplaceAll({{{"10.0.0.2", 554}, NetworkCamera{CameraProtocol::Rtsp, true, {{"rtsp://x/1", ""}}}}});
    EXPECT_FALSE(cameras.Find("cam.local", 80).has_value());
    EXPECT_TRUE(cameras.Find("10.0.0.2", 554)->rtspOverUdp);
    cameras.Remove("10.0.0.2", 554);
    EXPECT_FALSE(cameras.Find("10.0.0.2", 554).has_value());
}

}  // namespace
}  // namespace strovik
