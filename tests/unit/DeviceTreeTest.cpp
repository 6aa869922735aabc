#include "devices/DeviceTree.h"

#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace strovik {
namespace {

class DeviceTreeTest : public ::testing::Test {
protected:
    DeviceTreeTest() : tree(strings) {
        strings.append("14", "CHANNEL");
        tester = std::make_unique<QAbstractItemModelTester>(&tree.model(),
                                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    std::unique_ptr<DeviceNode> device(const QString& name, std::uint16_t port = 5050,
                                       std::uint8_t type = DeviceType::Dvr) {
        auto record = std::make_unique<DeviceNode>();
        record->kind = NodeKind::Device;
        record->id = tree.nextDeviceId();
        record->name = name;
        record->connection.address = QStringLiteral("10.1.1.%1").arg(tree.devices().size() + 1);
        record->connection.port = port;
        record->connection.netType = 1;
        record->connection.serverType = 2;
        record->connection.deviceType = type;
        record->connection.userName = QStringLiteral("admin");
        return record;
    }

    StringTable strings;
    DeviceTree tree;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(DeviceTreeTest, LoginOfSixteenChannelsBuildsOneDeviceWithItsChannels) {
    for (const auto& [port, streamPort] : {std::pair<int, int>{5050, 6789}, {8000, 18000}, {60000, 4464}}) {
        SCOPED_TRACE(port);
        LoggedInDevice login{"  dvr.local ", "192.168.1.9", static_cast<std::uint16_t>(port), 2, "admin", "pw", 16};
        tree.RebuildTree(&login);

        ASSERT_EQ(tree.devices().size(), 1u);
        ASSERT_EQ(tree.channels().size(), 16u);
        const DeviceNode& dvr = *tree.devices()[0];
        EXPECT_EQ(dvr.id, 1);
        EXPECT_EQ(dvr.name.str(), "dvr.local");
        EXPECT_EQ(dvr.connection.address.str(), "192.168.1.9");

        const auto& roots = tree.model().roots();
        ASSERT_EQ(roots.size(), 1u);
        ASSERT_EQ(roots[0]->children().size(), 16u);
        for (int k = 1; k <= 16; ++k) {
            const DeviceNode& channel = *roots[0]->children()[static_cast<std::size_t>(k - 1)]->record();
            EXPECT_EQ(channel.kind, NodeKind::Channel);
            EXPECT_EQ(channel.parentId, 1);
            EXPECT_EQ(channel.id, k);
            EXPECT_EQ(channel.name.toQString(), QStringLiteral("CHANNEL%1").arg(k));
            EXPECT_EQ(channel.connection.channelIndex, k - 1);
            EXPECT_EQ(channel.connection.userName.str(), "admin");
            EXPECT_EQ(channel.stream.channelAddress.str(), "192.168.1.9");
            EXPECT_EQ(channel.stream.streamPort, streamPort);
            EXPECT_EQ(channel.stream.channelNo, k);
        }
        EXPECT_EQ(tree.model().nodeCount(), 17);
    }
    tree.RebuildTree(nullptr);
    EXPECT_TRUE(tree.devices().empty());
    EXPECT_TRUE(tree.channels().empty());
    EXPECT_EQ(tree.model().rowCount(), 0);
}

TEST_F(DeviceTreeTest, AddedDevicesKeepOrderAndTheirOwnChannels) {
    QSignalSpy expanded(&tree.model(), &DeviceTreeModel::expandRequested);
    tree.AddDeviceWithChannels(device("A"), 4);
    tree.AddDeviceWithChannels(device("B"), 0);
    tree.AddDeviceWithChannels(device("C", 8000, DeviceType::NetworkCamera), 2);
    tree.AddDeviceWithChannels(nullptr, 3);

    const auto& roots = tree.model().roots();
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_EQ(roots[0]->children().size(), 4u);
    EXPECT_EQ(roots[1]->children().size(), 0u);
    EXPECT_EQ(roots[2]->children().size(), 2u);
    EXPECT_EQ(roots[2]->children()[1]->record()->parentId, 2);
    EXPECT_EQ(tree.channels().size(), 6u);
    EXPECT_EQ(expanded.count(), 3);

    const QModelIndex c = tree.model().index(2, 0);
    EXPECT_EQ(c.data().toString(), "C");
    EXPECT_EQ(c.data(DeviceTreeModel::IconIndexRole).toInt(), 5);
    EXPECT_EQ(tree.model().index(0, 0).data(DeviceTreeModel::IconIndexRole).toInt(), 6);
    EXPECT_EQ(tree.model().index(1, 0, c).data().toString(), "CHANNEL2");
    EXPECT_EQ(tree.model().index(1, 0, c).data(DeviceTreeModel::IconIndexRole).toInt(), 2);
}

TEST_F(DeviceTreeTest, IconsFollowTypeAndSearchState) {
    const struct {
        std::uint8_t kind, type;
        std::int32_t searchState;
        int icon, opened;
    } cases[] = {
        {NodeKind::Device, DeviceType::CaptureCard, 0, 1, 7},
        {NodeKind::Device, DeviceType::Dvr, 1, 6, 9},
        {NodeKind::Device, DeviceType::NetworkCamera, 0, 5, 8},
        {NodeKind::Device, DeviceType::NetworkCamera, 1, 5, 8},
        {NodeKind::Device, DeviceType::NetworkCamera, 2, 3, 3},
        {NodeKind::Device, 7, 0, 1, 7},
        {NodeKind::Channel, DeviceType::Dvr, 0, 2, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.kind) << "/" << int(c.type) << "/" << c.searchState);
        DeviceNode record;
        record.kind = c.kind;
        record.connection.deviceType = c.type;
        record.searchState = c.searchState;
        EXPECT_EQ(TreeIconFor(record), c.icon);
        if (c.kind == NodeKind::Device) {
            EXPECT_EQ(OpenedTreeIconFor(record), c.opened);
        }
    }
}

TEST_F(DeviceTreeTest, NameExistsIgnoresSurroundingBlanksButNotCase) {
    tree.AddDeviceWithChannels(device(" Lobby "), 1);
    EXPECT_TRUE(tree.DeviceNameExists("Lobby"));
    EXPECT_TRUE(tree.DeviceNameExists("  Lobby"));
    EXPECT_FALSE(tree.DeviceNameExists("lobby"));
    EXPECT_FALSE(tree.DeviceNameExists("Lob by"));
    // The device list file cannot keep "Lobby" and "lobby" apart.
    EXPECT_TRUE(tree.DeviceNameTakenInList(" LOBBY"));
    EXPECT_FALSE(tree.DeviceNameTakenInList("Lob by"));
}

TEST_F(DeviceTreeTest, LanDiscoveryMovesACameraToItsNewAddressWithOneChannel) {
    tree.AddDeviceWithChannels(device("Gate"), 1);
    auto camera = device("12345678", 5050, DeviceType::NetworkCamera);
    camera->connection.address = QStringLiteral("10.9.9.9");
    tree.AddDeviceWithChannels(std::move(camera), 4);

    ASSERT_TRUE(tree.ApplyLanDiscovery("12345678", "192.168.0.77", 6000));

    const auto& node = tree.model().roots()[1];
    ASSERT_EQ(node->children().size(), 1u);
    EXPECT_EQ(node->icon(), 3);
    const DeviceNode& only = *node->children()[0]->record();
    EXPECT_TRUE(node->children()[0]->ownsRecord());
    EXPECT_EQ(only.name.str(), "CHANNEL1");
    EXPECT_EQ(only.parentId, 1);
    EXPECT_EQ(only.connection.address.str(), "192.168.0.77");
    EXPECT_EQ(only.stream.streamPort, 16000);

    const DeviceNode& record = *tree.devices()[1];
    EXPECT_EQ(record.searchState, SearchState::FoundOnLan);
    EXPECT_EQ(record.connection.address.str(), "192.168.0.77");
    EXPECT_EQ(record.connection.port, 6000);
    EXPECT_EQ(record.connection.deviceType, DeviceType::NetworkCamera);

    // The four old channel records stay in the list and follow the camera's address.
    ASSERT_EQ(tree.channels().size(), 5u);
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(tree.channels()[i]->connection.address.str(), "192.168.0.77");
        EXPECT_EQ(tree.channels()[i]->connection.port, 6000);
    }
    EXPECT_EQ(tree.channels()[0]->connection.address.str(), "10.1.1.1");

    EXPECT_FALSE(tree.ApplyLanDiscovery("nobody", "1.2.3.4", 1));
    EXPECT_FALSE(tree.ApplyLanDiscovery("1234567", "1.2.3.4", 1));  // names compare exactly
    tree.RebuildTree(nullptr);  // releases the tree-only channel with its node
}

TEST_F(DeviceTreeTest, LanDiscoveryNeedsTwoNodes) {
    tree.AddDeviceWithChannels(device("solo", 5050, DeviceType::NetworkCamera), 0);
    EXPECT_FALSE(tree.ApplyLanDiscovery("solo", "1.2.3.4", 5050));
    EXPECT_EQ(tree.devices()[0]->searchState, 0);
}

TEST_F(DeviceTreeTest, ChannelCountsAreCutToTheCap) {
    tree.AddDeviceWithChannels(device("big"), 100000);
    tree.AddDeviceWithChannels(device("negative"), -3);
    EXPECT_EQ(tree.channels().size(), static_cast<std::size_t>(DeviceTree::kMaxChannelsPerDevice));
    EXPECT_EQ(tree.model().roots()[1]->children().size(), 0u);
}

TEST_F(DeviceTreeTest, RemovingNodesKeepsTheModelConsistent) {
    tree.AddDeviceWithChannels(device("A"), 2);
    tree.AddDeviceWithChannels(device("B"), 2);
    tree.AddDeviceWithChannels(device("C"), 2);
    tree.model().removeNode(tree.model().roots()[1].get());
    EXPECT_EQ(tree.model().index(1, 0).data().toString(), "C");
    EXPECT_EQ(tree.model().roots()[1]->row(), 1);
    EXPECT_EQ(tree.model().nodeCount(), 6);
}

}  // namespace
}  // namespace strovik
