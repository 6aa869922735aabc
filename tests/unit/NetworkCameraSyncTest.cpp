#include "app/NetworkCameraSync.h"

#include "admin/DeviceEditing.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devices/DeviceTree.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <QTest>

namespace strovik {
namespace {

EditorValues Camera(const QString& name, const QString& address, CameraProtocol protocol,
                    const std::string& mainUrl = {}) {
    EditorValues values;
    values.name = name;
    values.address = address;
    values.port = 554;
    values.camera.protocol = protocol;
    if (!mainUrl.empty()) values.camera.channels = {{mainUrl, {}}};
    return values;
}

class NetworkCameraSyncTest : public ::testing::Test {
protected:
    NetworkCameraSyncTest() : tree(strings) {}
    StringTable strings;
    DeviceTree tree;
    std::shared_ptr<NetworkCameras> directory = std::make_shared<NetworkCameras>();
};

TEST_F(NetworkCameraSyncTest, TheDirectoryListsTheTreesCamerasOfOtherMakesAndKeepsWhatVerificationFound) {
    ASSERT_TRUE(AddEditedDevice(tree, Camera("Dvr", "127.0.0.10", CameraProtocol::Native)));
    ASSERT_TRUE(AddEditedDevice(tree, Camera("Lobby", "127.0.0.11", CameraProtocol::Rtsp, "rtsp://127.0.0.11/a")));
    ASSERT_TRUE(AddEditedDevice(tree, Camera("Door", "127.0.0.12", CameraProtocol::Onvif)));
    FillNetworkCameras(tree, *directory);
    EXPECT_FALSE(directory->Find("127.0.0.10", 554));
    ASSERT_TRUE(directory->Find("127.0.0.11", 554));
    EXPECT_EQ(StreamUrlOf(*directory->Find("127.0.0.11", 554), 0), "rtsp://127.0.0.11/a");
    ASSERT_TRUE(directory->Find("127.0.0.12", 554));

    // Verification finds the ONVIF camera's streams; a refill (another device edited) keeps them.
    directory->SetChannels("127.0.0.12", 554, {{"rtsp://127.0.0.12/profile1", "rtsp://127.0.0.12/profile2"}});
    FillNetworkCameras(tree, *directory);
    EXPECT_EQ(StreamUrlOf(*directory->Find("127.0.0.12", 554), 1), "rtsp://127.0.0.12/profile2");

    // The camera moves to another address: what was found for the old one does not follow it.
    ModifyDevice(tree, *tree.model().roots()[2], Camera("Door", "127.0.0.13", CameraProtocol::Onvif));
    FillNetworkCameras(tree, *directory);
    EXPECT_FALSE(directory->Find("127.0.0.12", 554));
    ASSERT_TRUE(directory->Find("127.0.0.13", 554));
    EXPECT_TRUE(directory->Find("127.0.0.13", 554)->channels.empty());
}

TEST_F(NetworkCameraSyncTest, EditsOfTheTreeReachTheDirectoryWhenTheGuiThreadNextRuns) {
    NetworkCameraSync sync(tree, directory);
    ASSERT_TRUE(AddEditedDevice(tree, Camera("Lobby", "127.0.0.11", CameraProtocol::Rtsp, "rtsp://127.0.0.11/a")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return directory->Find("127.0.0.11", 554).has_value(); }, 2000));

    ModifyDevice(tree, *tree.model().roots()[0], Camera("Lobby", "127.0.0.11", CameraProtocol::Native));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !directory->Find("127.0.0.11", 554).has_value(); }, 2000));

    ASSERT_TRUE(AddEditedDevice(tree, Camera("Door", "127.0.0.12", CameraProtocol::Onvif)));
    sync.refresh();
    EXPECT_TRUE(directory->Find("127.0.0.12", 554));
    ASSERT_TRUE(tree.RemoveDevice(tree.model().roots()[1].get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !directory->Find("127.0.0.12", 554).has_value(); }, 2000));
}

}  // namespace
}  // namespace strovik
