#include "app/LoginSettings.h"

#include "platform/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

namespace strovik {
namespace {

class LoginSettingsTest : public ::testing::Test {
protected:
    LoginSettings settings() const { return LoginSettings(dir.path(), StoredLoginStore(dir.file("registry.ini"))); }
    IniFile history() const { return IniFile::load(dir.file(kLoginHistoryFileName)); }
    QStringList addresses() const {
        QStringList list{"untouched"};
        settings().FillServerHistory(list);
        return list;
    }
    void save(const QString& address, quint32 port = 5050) const {
        settings().SaveLoginInfo(address, port, "admin", "pw", false);
    }

    test::TempDir dir;
};

TEST_F(LoginSettingsTest, NothingStoredReadsEmptyAndLeavesTheListAlone) {
    QStringList list{"kept"};
    const StoredLogin login = settings().ReadStoredLogin(list);
    EXPECT_EQ(login.serverAddr, "");
    EXPECT_EQ(login.port, 0u);
    EXPECT_FALSE(login.autoLogin);
    EXPECT_EQ(list, QStringList{"kept"});
}

TEST_F(LoginSettingsTest, StoresTheLoginAndReadsItBack) {
    settings().SaveLoginInfo("123456.ddns.strovik.example", 6000, "op", "secret", true);
    QStringList list;
    const StoredLogin login = settings().ReadStoredLogin(list);
    EXPECT_EQ(login.serverAddr, "123456.ddns.strovik.example");
    EXPECT_EQ(login.port, 6000u);
    EXPECT_EQ(login.userName, "op");
    EXPECT_EQ(login.password, "secret");
    EXPECT_TRUE(login.autoLogin);
    EXPECT_EQ(list, QStringList{"123456.ddns.strovik.example"});
    EXPECT_EQ(history().readInt("LoginInfo1", "Port", 0), 6000);
}

TEST_F(LoginSettingsTest, HistoryAppendsNewAddressesOnly) {
    save("a.example");
    save("b.example", 6000);
    save("a.example", 7000);  // already there: nothing changes, not even the port
    save("A.example");        // another letter case is another address
    EXPECT_EQ(addresses(), (QStringList{"a.example", "b.example", "A.example"}));
    EXPECT_EQ(history().readInt("LoginList", "Count", 0), 3);
    EXPECT_EQ(history().readInt("LoginInfo1", "Port", 0), 5050);
}

TEST_F(LoginSettingsTest, TheSixthAddressDropsTheOldest) {
    for (int i = 1; i <= 6; ++i) save(QString("host%1").arg(i), 5000 + i);
    EXPECT_EQ(addresses(), (QStringList{"host2", "host3", "host4", "host5", "host6"}));
    EXPECT_EQ(history().readInt("LoginList", "Count", 0), 5);
    EXPECT_EQ(history().readInt("LoginInfo1", "Port", 0), 5002);
    EXPECT_EQ(history().readInt("LoginInfo5", "Port", 0), 5006);
}

TEST_F(LoginSettingsTest, HandEditedHistoriesKeepTheirCount) {
    dir.write(kLoginHistoryFileName,
              "[LoginList]\nCount=7\n[LoginInfo1]\nServerAddr=one\n[LoginInfo3]\nServerAddr=three\nPort=x\n"
              "[LoginInfo7]\nServerAddr=seven\n");
    EXPECT_EQ(addresses(), (QStringList{"one", "three", "seven"}));
    save("new");
    // Entries 2..5 move down where they hold an address; the new one goes to entry Count.
    EXPECT_EQ(history().readString("LoginInfo2", "ServerAddr", ""), "three");
    EXPECT_EQ(history().readInt("LoginInfo2", "Port", 0), 5050);
    EXPECT_EQ(history().readString("LoginInfo7", "ServerAddr", ""), "new");
    EXPECT_EQ(history().readInt("LoginList", "Count", 0), 7);

    dir.write(kLoginHistoryFileName, "[LoginList]\nCount=2000000000\n[LoginInfo2]\nServerAddr=far\n");
    EXPECT_EQ(addresses(), QStringList{"far"});
}

TEST_F(LoginSettingsTest, AReadOnlyHistoryIsMadeWritableFirst) {
    save("first");
    QFile::setPermissions(dir.file(kLoginHistoryFileName), QFileDevice::ReadOwner);
    EXPECT_TRUE(settings().SaveLoginInfo("second", 5050, "u", "p", false));
    EXPECT_EQ(addresses(), (QStringList{"first", "second"}));
}

}  // namespace
}  // namespace strovik
