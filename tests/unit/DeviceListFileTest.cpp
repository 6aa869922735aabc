#include "devices/DeviceListFile.h"

#include "devices/DeviceTree.h"
#include "platform/IniFile.h"
#include "platform/StringTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace strovik {
namespace {

class DeviceListFileTest : public ::testing::Test {
protected:
    DeviceListFileTest() : tree(strings) { strings.append("14", "CHANNEL"); }

    QString path() const { return dir.file(kDeviceListFileName); }
    DeviceListLoad load(const QByteArray& text) {
        dir.write(kDeviceListFileName, text);
        return LoadDeviceList(path(), tree);
    }
    const DeviceNode& device(std::size_t i) const { return *tree.devices().at(i); }

    test::TempDir dir;
    StringTable strings;
    DeviceTree tree;
};

TEST_F(DeviceListFileTest, ReadsKeysWithTheirDefaults) {
    const DeviceListLoad result = load(
        "[Cam1]\nAddr=192.168.1.10\nPort=0x1F90\nChnCount=1\nNetType=7\nServerType=9\nDeviceType=2\n"
        "User=op\nPwd=secret\nAutoSearch=5\n"
        "[Bare]\n"
        "[Odd]\nPort=70000\nChnCount=x\nDeviceType=258\nAutoSearch=no\n");
    EXPECT_EQ(result.devicesAdded, 3);
    EXPECT_EQ(result.autoSearchDevices, 1);

    const DeviceNode& cam = device(0);
    EXPECT_EQ(cam.id, 0);
    EXPECT_EQ(cam.connection.address.str(), "192.168.1.10");
    EXPECT_EQ(cam.connection.port, 8080);
    EXPECT_EQ(cam.connection.netType, 1);
    EXPECT_EQ(cam.connection.serverType, 2);
    EXPECT_EQ(cam.connection.deviceType, DeviceType::NetworkCamera);
    EXPECT_EQ(cam.connection.userName.str(), "op");
    EXPECT_EQ(cam.connection.password.str(), "secret");
    EXPECT_EQ(cam.searchState, 5);
    EXPECT_EQ(cam.channelCount, 1);

    const DeviceNode& bare = device(1);
    EXPECT_EQ(bare.id, 1);
    EXPECT_EQ(bare.connection.address.str(), "127.0.0.1");
    EXPECT_EQ(bare.connection.port, 5050);
    EXPECT_EQ(bare.connection.userName.str(), "admin");
    EXPECT_EQ(bare.connection.password.str(), "");
    EXPECT_EQ(bare.channelCount, 4);
    EXPECT_EQ(tree.model().roots()[1]->children().size(), 4u);

    const DeviceNode& odd = device(2);
    EXPECT_EQ(odd.connection.port, 4464);  // low 16 bits
    EXPECT_EQ(odd.connection.deviceType, 2);  // low 8 bits
    EXPECT_EQ(odd.channelCount, 4);
    EXPECT_EQ(odd.searchState, 0);
}

TEST_F(DeviceListFileTest, ChannelCountsAreTakenAsStoredWithinTheCap) {
    const struct {
        const char* value;
        std::size_t channels;
        int channelCount;
    } cases[] = {
        {"300", 300, 44}, {"0", 0, 0}, {"-3", 0, 0}, {"99999999", 1024, 0}, {"abc", 4, 4}, {"0x10", 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        tree.releaseAll();
        load(QByteArray("[D]\nChnCount=") + c.value + "\n");
        ASSERT_EQ(tree.devices().size(), 1u);
        EXPECT_EQ(tree.channels().size(), c.channels);
        EXPECT_EQ(tree.model().roots()[0]->children().size(), c.channels);
        EXPECT_EQ(device(0).channelCount, c.channelCount);
    }
}

TEST_F(DeviceListFileTest, NamesAlreadyPresentAreSkipped) {
    LoggedInDevice login{"Office", "10.0.0.1", 5050, 2, "admin", "", 2};
    tree.RebuildTree(&login);
    // "[gate]" reads the keys of "[Gate]" (section names ignore letter case): one device, not two.
    const DeviceListLoad result = load("[ Office ]\nAddr=1.1.1.1\n[Gate]\n[Gate ]\nAddr=2.2.2.2\n[gate]\n[OFFICE]\n");
    EXPECT_EQ(result.devicesAdded, 1);
    ASSERT_EQ(tree.devices().size(), 2u);
    EXPECT_EQ(device(0).connection.address.str(), "10.0.0.1");
    EXPECT_EQ(device(1).name.str(), "Gate");
    EXPECT_EQ(device(1).id, 1);
    EXPECT_EQ(device(1).connection.address.str(), "127.0.0.1");

    // Loading again adds nothing but still counts what it reads as auto-search.
    EXPECT_EQ(LoadDeviceList(path(), tree).devicesAdded, 0);
}

TEST_F(DeviceListFileTest, SectionsThatDifferOnlyBeyondTheStoredNameLoadOnceAndSurviveASave) {
    // Names longer than the record's field, and names with a NUL in them (a damaged file, found by
    // fuzzing): each pair is one name as the record keeps it.
    const QByteArray longName(40, 'N');
    QByteArray text = "[" + longName + "A]\nAddr=1.1.1.1\n[" + longName + "B]\nAddr=2.2.2.2\n";
    text += QByteArray("[\x02\0\0Office]\nAddr=3.3.3.3\n[\x02\0Office]\nAddr=4.4.4.4\n", 49);
    EXPECT_EQ(load(text).devicesAdded, 2);
    EXPECT_EQ(device(0).connection.address.str(), "1.1.1.1") << "the first of a pair wins";
    EXPECT_EQ(device(1).connection.address.str(), "3.3.3.3");

    ASSERT_TRUE(SaveDeviceList(path(), tree));
    DeviceTree reloaded(strings);
    EXPECT_EQ(LoadDeviceList(path(), reloaded).devicesAdded, 2);

    // Texts whose cut ends in blanks are kept without them, as the next load would read them.
    const auto cutInBlanks = [](std::size_t capacity) { return QByteArray(capacity - 1, 'C') + "  tail"; };
    const ConnectionInfo& fields = device(0).connection;
    dir.write(kDeviceListFileName, "[" + cutInBlanks(decltype(DeviceNode::name)::capacity) + "]\nAddr=" +
                                       cutInBlanks(fields.address.capacity) + "\nUser=" +
                                       cutInBlanks(fields.userName.capacity) + "\nPwd=" +
                                       cutInBlanks(fields.password.capacity) + "\n");
    DeviceTree cut(strings);
    LoadDeviceList(path(), cut);
    ASSERT_EQ(cut.devices().size(), 1u);
    const DeviceNode& read = *cut.devices()[0];
    EXPECT_EQ(read.name.str(), std::string(read.name.capacity - 1, 'C'));
    EXPECT_EQ(read.connection.address.str(), std::string(fields.address.capacity - 1, 'C'));
    EXPECT_EQ(read.connection.userName.str(), std::string(fields.userName.capacity - 1, 'C'));
    EXPECT_EQ(read.connection.password.str(), std::string(fields.password.capacity - 1, 'C'));
}

TEST_F(DeviceListFileTest, NamesDifferingOnlyInLetterCaseSurviveASaveAsOneDevice) {
    // Found by fuzzing: the first spelling answers for both, and the save used to erase it when
    // it erased the other, renaming the device.
    load("[gate]\nAddr=1.1.1.1\n[Gate]\nAddr=2.2.2.2\n");
    ASSERT_EQ(tree.devices().size(), 1u);
    ASSERT_TRUE(SaveDeviceList(path(), tree));
    DeviceTree reloaded(strings);
    EXPECT_EQ(LoadDeviceList(path(), reloaded).devicesAdded, 1);
    EXPECT_EQ(reloaded.devices()[0]->name.str(), "gate");
    EXPECT_EQ(reloaded.devices()[0]->connection.address.str(), "1.1.1.1");
}

TEST_F(DeviceListFileTest, AutoSearchDevicesCountOnEveryLoad) {
    dir.write(kDeviceListFileName, "[A]\nAutoSearch=1\n[B]\nAutoSearch=0\n[C]\nAutoSearch=2\n");
    EXPECT_EQ(LoadDeviceList(path(), tree).autoSearchDevices, 2);
    tree.releaseAll();
    EXPECT_EQ(LoadDeviceList(path(), tree).autoSearchDevices, 2);
}

TEST_F(DeviceListFileTest, SaveWritesTheDocumentedLayout) {
    auto cam = std::make_unique<DeviceNode>();
    cam->kind = NodeKind::Device;
    cam->name = QStringLiteral("Cam1");
    cam->searchState = SearchState::FoundOnLan;
    cam->connection.address = QStringLiteral("192.168.1.10");
    cam->connection.port = 5050;
    cam->connection.netType = 1;
    cam->connection.serverType = 2;
    cam->connection.deviceType = DeviceType::NetworkCamera;
    cam->connection.userName = QStringLiteral("admin");
    tree.AddDeviceWithChannels(std::move(cam), 1);

    ASSERT_TRUE(SaveDeviceList(path(), tree));
    EXPECT_EQ(dir.read(kDeviceListFileName),
              "[Cam1]\nAddr=192.168.1.10\nPort=5050\nChnCount=1\nNetType=1\nServerType=2\nDeviceType=2\n"
              "User=admin\nPwd=\nAutoSearch=1\n");
}

TEST_F(DeviceListFileTest, SaveKeepsPositionsAndKeyOrderAndErasesDevicesGone) {
    load("; kept\n[Keep]\nPwd=old\nComment=mine\nAddr=9.9.9.9\n[Gone]\nAddr=1.1.1.1\n[Also]\nAutoSearch=5\nAddr=0x1\n");
    tree.model().removeNode(tree.model().roots()[1].get());  // the operator deleted "Gone"
    tree.model().removeChildren(tree.model().roots()[1].get());
    ASSERT_TRUE(SaveDeviceList(path(), tree));
    EXPECT_EQ(dir.read(kDeviceListFileName),
              "; kept\n"
              "[Keep]\nPwd=old\nComment=mine\nAddr=9.9.9.9\nPort=5050\nChnCount=4\nNetType=1\nServerType=2\n"
              "DeviceType=0\nUser=admin\nAutoSearch=0\n"
              "[Also]\nAutoSearch=1\nAddr=0x1\nPort=5050\nChnCount=0\nNetType=1\nServerType=2\nDeviceType=0\n"
              "User=admin\nPwd=\n");

    tree.releaseAll();
    EXPECT_EQ(LoadDeviceList(path(), tree).autoSearchDevices, 1);
    ASSERT_EQ(tree.devices().size(), 2u);
    EXPECT_EQ(tree.model().roots()[1]->children().size(), 0u);
}

TEST_F(DeviceListFileTest, CamerasOfOtherMakesKeepTheirProtocolAndStreamAddresses) {
    load("[Lobby]\nAddr=127.0.0.60\nPort=554\nChnCount=1\nUser=viewer\nPwd=s3\nProtocol= RTSP \n"
         "RtspMain=rtsp://viewer:s3@127.0.0.60:8554/main\nRtspSub=rtsp://127.0.0.60:8554/sub\nRtspTransport=UDP\n"
         "[Door]\nProtocol=onvif\nRtspMain=rtsp://127.0.0.61/not-for-onvif\n"
         "[Broken]\nProtocol=rtsp\nRtspMain=http://127.0.0.62/main\n"
         "[Ours]\nProtocol=telnet\n");
    ASSERT_EQ(tree.devices().size(), 4u);
    const NetworkCamera& lobby = device(0).camera;
    EXPECT_EQ(lobby.protocol, CameraProtocol::Rtsp);
    EXPECT_TRUE(lobby.rtspOverUdp);
    ASSERT_EQ(lobby.channels.size(), 1u);
    EXPECT_EQ(lobby.channels[0].mainUrl, "rtsp://127.0.0.60:8554/main") << "the password stays in Pwd only";
    EXPECT_EQ(lobby.channels[0].subUrl, "rtsp://127.0.0.60:8554/sub");
    EXPECT_EQ(device(1).camera.protocol, CameraProtocol::Onvif);
    EXPECT_FALSE(device(1).camera.rtspOverUdp);
    EXPECT_TRUE(device(1).camera.channels.empty()) << "an ONVIF camera's addresses come from the camera";
    EXPECT_EQ(device(2).camera.protocol, CameraProtocol::Rtsp);
    EXPECT_TRUE(device(2).camera.channels.empty()) << "not an RTSP address";
    EXPECT_EQ(device(3).camera.protocol, CameraProtocol::Native);

    // Saved and read back; a camera turned into one of our own devices reads back as ours.
    tree.devices()[1]->camera = NetworkCamera{};
    ASSERT_TRUE(SaveDeviceList(path(), tree));
    const QByteArray saved = dir.read(kDeviceListFileName);
    EXPECT_FALSE(saved.contains("s3@")) << saved.toStdString();
    tree.releaseAll();
    ASSERT_EQ(LoadDeviceList(path(), tree).devicesAdded, 4);
    EXPECT_EQ(device(0).camera.protocol, CameraProtocol::Rtsp);
    EXPECT_TRUE(device(0).camera.rtspOverUdp);
    ASSERT_EQ(device(0).camera.channels.size(), 1u);
    EXPECT_EQ(device(0).camera.channels[0].mainUrl, "rtsp://127.0.0.60:8554/main");
    EXPECT_EQ(device(0).camera.channels[0].subUrl, "rtsp://127.0.0.60:8554/sub");
    EXPECT_EQ(device(1).camera.protocol, CameraProtocol::Native);
    EXPECT_EQ(device(3).camera.protocol, CameraProtocol::Native);
}

TEST_F(DeviceListFileTest, AnEmptyTreeLeavesNoSections) {
    load("[A]\n[B]\n");
    tree.releaseAll();
    ASSERT_TRUE(SaveDeviceList(path(), tree));
    EXPECT_EQ(dir.read(kDeviceListFileName), "");
}

TEST_F(DeviceListFileTest, MissingFileLoadsNothingAndIsCreatedOnSave) {
    EXPECT_EQ(LoadDeviceList(path(), tree).devicesAdded, 0);
    auto added = std::make_unique<DeviceNode>();
    added->kind = NodeKind::Device;
    added->name = QStringLiteral("New");
    tree.AddDeviceWithChannels(std::move(added), 0);
    ASSERT_TRUE(SaveDeviceList(path(), tree));
    EXPECT_TRUE(dir.read(kDeviceListFileName).startsWith("[New]\nAddr=\nPort=0\nChnCount=0\n"));
}

TEST_F(DeviceListFileTest, AFileThatCannotBeReadIsNotOverwritten) {
    QFile huge(path());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(IniFile::maxFileBytes + 10));
    huge.close();
    EXPECT_FALSE(LoadDeviceList(path(), tree).error.isEmpty());
    QString error;
    EXPECT_FALSE(SaveDeviceList(path(), tree, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QFileInfo(path()).size(), IniFile::maxFileBytes + 10);
}

}  // namespace
}  // namespace strovik
