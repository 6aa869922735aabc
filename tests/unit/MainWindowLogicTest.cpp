#include "app/DeviceListSaving.h"
#include "app/TreePositions.h"
#include "app/VendorServerNames.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "platform/IniFile.h"
#include "platform/StringTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(VendorServerNames, OnlyTheFixedNamesExactly) {
    EXPECT_TRUE(IsVendorServerName(QStringLiteral("www.ddns.strovik.example")));
    EXPECT_TRUE(IsVendorServerName(QStringLiteral("ns2.cloud.strovik.example")));
    EXPECT_TRUE(IsVendorServerName(QStringLiteral("update.camlink.partner.test")));
    for (const char* other : {"", "WWW.ddns.strovik.example", "www.ddns.strovik.example ", "ddns.strovik.example",
                              "123456.ddns.strovik.example", "www.example.com"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(IsVendorServerName(QString::fromUtf8(other)));
    }
}

class TreeFixture : public ::testing::Test {
protected:
    TreeFixture() : tree(strings) { strings.append("14", "CHANNEL"); }

    void addDevice(const QString& name, int channels) {
        auto device = std::make_unique<DeviceNode>();
        device->kind = NodeKind::Device;
        device->id = tree.nextDeviceId();
        device->name = name;
        device->connection.address = QStringLiteral("10.0.0.%1").arg(device->id + 1);
        device->connection.port = 5050;
        tree.AddDeviceWithChannels(std::move(device), channels);
    }

    StringTable strings;
    DeviceTree tree;
};

TEST_F(TreeFixture, ChannelPositionCountsTheChannelsBeforeIt) {
    addDevice(QStringLiteral("A"), 4);
    addDevice(QStringLiteral("B"), 0);
    addDevice(QStringLiteral("C"), 3);
    const auto& roots = tree.model().roots();
    EXPECT_EQ(ChannelStartPosition(tree.model(), roots[2]->children()[2].get()), 7);
    EXPECT_EQ(ChannelStartPosition(tree.model(), roots[0]->children()[0].get()), 1);
    EXPECT_EQ(ChannelStartPosition(tree.model(), roots[2].get()), 1);  // a device
    EXPECT_EQ(ChannelStartPosition(tree.model(), nullptr), 1);
}

TEST_F(TreeFixture, DeviceListGoesToAppDirElseToTheFallbackAndSaysSo) {
    addDevice(QStringLiteral("Gate"), 2);
    test::TempDir dir;

    // A directory removed meanwhile is made again.
    const QString appDir = dir.path() + QStringLiteral("gone/");
    DeviceListSaveResult result = SaveDeviceListWithFallback(tree, appDir, dir.path() + QStringLiteral("data"));
    EXPECT_EQ(result.savedPath, appDir + QLatin1String(kDeviceListFileName));
    EXPECT_FALSE(result.usedFallback());
    EXPECT_TRUE(DeviceListSaveMessage(result, appDir).isEmpty());

    // A path that cannot be a directory (a file is in the way) sends the list to the fallback.
    dir.write(QStringLiteral("blocked"), "not a directory");
    const QString blocked = dir.path() + QStringLiteral("blocked/");
    result = SaveDeviceListWithFallback(tree, blocked, dir.path() + QStringLiteral("data"));
    ASSERT_TRUE(result.usedFallback());
    EXPECT_EQ(result.savedPath, dir.path() + QStringLiteral("data/") + QLatin1String(kDeviceListFileName));
    EXPECT_TRUE(IniFile::load(result.savedPath).hasSection(QStringLiteral("Gate")));
    EXPECT_TRUE(DeviceListSaveMessage(result, blocked).contains(result.savedPath));

    // Nowhere to go: not saved, and the message says so.
    result = SaveDeviceListWithFallback(tree, blocked, dir.path() + QStringLiteral("blocked/sub"));
    EXPECT_FALSE(result.saved());
    EXPECT_TRUE(DeviceListSaveMessage(result, blocked).startsWith(QStringLiteral("The device list could not be saved.")));
}

}  // namespace
}  // namespace strovik
