// The device list's passwords in the desktop's secret service: a real gnome-keyring-daemon on a
// D-Bus session bus of the test's own, checked through QtKeychain and through secret-tool; and the
// fall-back to the file when no secret service answers.
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "platform/DesktopSecretStore.h"
#include "platform/StringTable.h"

#include "support/FileMode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>


namespace strovik {
namespace {

using namespace std::chrono_literals;

const QString kService = QStringLiteral("Strovik");
constexpr int kProcessWaitMs = 10000;

// A session bus and a secret service on it, for this test process only: the bus's
// address goes into DBUS_SESSION_BUS_ADDRESS before anything in the process talks to D-Bus.
// Each test runs in a process of its own (gtest_discover_tests), so each gets a fresh bus.
class SecretServiceSession final {
public:
    SecretServiceSession() {
        QDir().mkpath(dir_.file(QStringLiteral("data")));
        QDir().mkpath(dir_.file(QStringLiteral("runtime")));
        QFile::setPermissions(dir_.file(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ~SecretServiceSession() {
        for (QProcess* process : {&keyring_, &bus_}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->terminate();
            if (!process->waitForFinished(kProcessWaitMs)) process->kill();
            process->waitForFinished(kProcessWaitMs);
        }
    }
    SecretServiceSession(const SecretServiceSession&) = delete;
    SecretServiceSession& operator=(const SecretServiceSession&) = delete;

    enum class Keyring { Unlocked, Locked };

    // Starts the bus and the keyring daemon, unlocked with a password on its standard input (or
    // left locked: it then has no keyring it may open without asking the user), and waits until
    // the secret service owns its name. Empty on success, else what failed.
    QString start(Keyring state = Keyring::Unlocked) {
        bus_.setProgram(QStringLiteral("dbus-daemon"));
        bus_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        bus_.setProcessChannelMode(QProcess::SeparateChannels);
        bus_.start();
        if (!bus_.waitForStarted(kProcessWaitMs)) return QStringLiteral("dbus-daemon: ") + bus_.errorString();
        if (!QTest::qWaitFor([&] { return bus_.canReadLine() || (bus_.waitForReadyRead(100) && bus_.canReadLine()); },
                             kProcessWaitMs))
            return QStringLiteral("dbus-daemon printed no address");
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());

        keyring_.setProcessEnvironment(environment());
        keyring_.setProgram(QStringLiteral("gnome-keyring-daemon"));
        QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
        if (state == Keyring::Unlocked) arguments << QStringLiteral("--unlock");
        keyring_.setArguments(arguments);
        keyring_.start();
        if (!keyring_.waitForStarted(kProcessWaitMs))
            return QStringLiteral("gnome-keyring-daemon: ") + keyring_.errorString();
        if (state == Keyring::Unlocked) keyring_.write("keyring-unlock-word");
        keyring_.closeWriteChannel();
        const bool owned = QTest::qWaitFor(
            [&] {
                const auto [exitCode, output] =
                    run(QStringLiteral("dbus-send"),
                        {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                         QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                         QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                         QStringLiteral("string:org.freedesktop.secrets")});
                return exitCode == 0 && output.contains("boolean true");
            },
            kProcessWaitMs);
        return owned ? QString() : QStringLiteral("the secret service did not appear on the bus");
    }

    // What a third-party client finds under QtKeychain's attributes; nullopt when nothing.
    std::optional<QString> lookup(const QString& key) const {
        const auto [exitCode, output] = run(QStringLiteral("secret-tool"), {QStringLiteral("lookup"),
                                                                            QStringLiteral("server"), kService,
                                                                            QStringLiteral("user"), key});
        if (exitCode != 0) return std::nullopt;
        return QString::fromUtf8(output);
    }

private:
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        environment.insert(QStringLiteral("HOME"), dir_.file(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dir_.file(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.file(QStringLiteral("runtime")));
        return environment;
    }

    std::pair<int, QByteArray> run(const QString& program, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(kProcessWaitMs)) {
            process.kill();
            process.waitForFinished(kProcessWaitMs);
            return {-1, {}};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
    }

    test::TempDir dir_;
    QProcess bus_;
    QProcess keyring_;
    QString address_;
};

class DeviceListKeyringTest : public ::testing::Test {
protected:
    static constexpr const char* kGatePassword = "gate-keyring-pw-5521";
    static constexpr const char* kYardPassword = "yard-keyring-pw-7734";

    DeviceListKeyringTest() : tree(strings) {
        addDevice(tree, QStringLiteral("Gate"), QLatin1String(kGatePassword));
        addDevice(tree, QStringLiteral("Yard"), QLatin1String(kYardPassword));
    }

    static void addDevice(DeviceTree& into, const QString& name, const QString& password) {
        auto device = std::make_unique<DeviceNode>();
        device->kind = NodeKind::Device;
        device->name = name;
        device->connection.address = QStringLiteral("127.0.0.2");
        device->connection.userName = QStringLiteral("admin");
        device->connection.password = password;
        into.AddDeviceWithChannels(std::move(device), 1);
    }
    QString path() const { return dir.file(kDeviceListFileName); }
    QByteArray fileText() const { return dir.read(kDeviceListFileName); }
    QString passwordOf(const DeviceTree& loaded, int i) const {
        return loaded.devices().at(static_cast<std::size_t>(i))->connection.password.toQString();
    }

    test::TempDir dir;
    StringTable strings;
    DeviceTree tree;
};

TEST_F(DeviceListKeyringTest, PasswordsRoundTripThroughARealSecretService) {
    SecretServiceSession session;
    ASSERT_EQ(session.start(), QString());
    const auto secrets = CreateDesktopSecretStore(kService, 10s);

    QString error;
    QString warning;
    ASSERT_TRUE(SaveDeviceList(path(), tree, &error, DeviceListPasswords{secrets.get(), true, {}}, &warning)) << error.toStdString();
    EXPECT_EQ(warning, QString());
    EXPECT_FALSE(fileText().contains(kGatePassword));
    EXPECT_FALSE(fileText().contains(kYardPassword));
    EXPECT_EQ(fileText().count("PwdInKeyring=1"), 2);
    EXPECT_EQ(test::FileModeBits(path()), 0600u);
    // Another client of the same service finds them where the file says they are.
    EXPECT_EQ(session.lookup(DeviceListSecretKey(path(), QStringLiteral("Gate"))), QLatin1String(kGatePassword));
    EXPECT_EQ(session.lookup(DeviceListSecretKey(path(), QStringLiteral("Yard"))), QLatin1String(kYardPassword));

    DeviceTree loaded(strings);
    const DeviceListLoad load = LoadDeviceList(path(), loaded, secrets.get());
    ASSERT_EQ(load.devicesAdded, 2);
    EXPECT_EQ(passwordOf(loaded, 0), QLatin1String(kGatePassword));
    EXPECT_EQ(passwordOf(loaded, 1), QLatin1String(kYardPassword));
    EXPECT_TRUE(load.passwordsNotRead.isEmpty());
    EXPECT_EQ(load.secretStoreError, QString());

    // The setting turned off: the passwords move back into the file and leave the service.
    ASSERT_TRUE(SaveDeviceList(path(), loaded, &error, DeviceListPasswords{secrets.get(), false, {}}, &warning));
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kGatePassword));
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kYardPassword));
    EXPECT_EQ(fileText().count("PwdInKeyring=0"), 2);
    EXPECT_EQ(session.lookup(DeviceListSecretKey(path(), QStringLiteral("Gate"))), std::nullopt);
    EXPECT_EQ(session.lookup(DeviceListSecretKey(path(), QStringLiteral("Yard"))), std::nullopt);
}

// A locked service would ask the user to unlock it; nobody answers, so the time limit ends the
// wait and the file takes the passwords.
TEST_F(DeviceListKeyringTest, ALockedSecretServiceFallsBackToTheFileInTime) {
    SecretServiceSession session;
    ASSERT_EQ(session.start(SecretServiceSession::Keyring::Locked), QString());
    constexpr auto kLimit = 3s;
    const auto secrets = CreateDesktopSecretStore(kService, kLimit);

    QString error;
    QString warning;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(SaveDeviceList(path(), tree, &error, DeviceListPasswords{secrets.get(), true, {}}, &warning));
    EXPECT_LT(clock.elapsed(), std::chrono::milliseconds(kLimit).count() * 3 / 2);
    EXPECT_TRUE(warning.contains(QStringLiteral("2 of them"))) << warning.toStdString();
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kGatePassword));
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kYardPassword));
    EXPECT_EQ(test::FileModeBits(path()), 0600u);
}

TEST_F(DeviceListKeyringTest, WithoutASecretServiceNoPasswordIsLost) {
    // A bus address where nothing listens: no secret service, and none that D-Bus could start.
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir.file(QStringLiteral("no-bus"))).toUtf8());
    constexpr auto kLimit = 5s;
    const auto secrets = CreateDesktopSecretStore(kService, kLimit);

    // Saving: the file takes the passwords, owner-only, and the operator hears why.
    QString error;
    QString warning;
    ASSERT_TRUE(SaveDeviceList(path(), tree, &error, DeviceListPasswords{secrets.get(), true, {}}, &warning)) << error.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("secret service"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("2 of them"))) << warning.toStdString();
    EXPECT_FALSE(warning.contains(QLatin1String(kGatePassword)));
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kGatePassword));
    EXPECT_TRUE(fileText().contains(QByteArray("Pwd=") + kYardPassword));
    EXPECT_FALSE(fileText().contains("PwdInKeyring=1"));
    EXPECT_EQ(test::FileModeBits(path()), 0600u);

    // Loading a list whose passwords are in the unreachable service: one failed call, no
    // passwords, every device listed as not read.
    dir.write(kDeviceListFileName,
              "[Gate]\nAddr=127.0.0.2\nUser=admin\nPwd=\nPwdInKeyring=1\n"
              "[Yard]\nAddr=127.0.0.3\nUser=admin\nPwd=\nPwdInKeyring=1\n");
    DeviceTree loaded(strings);
    QElapsedTimer clock;
    clock.start();
    const DeviceListLoad load = LoadDeviceList(path(), loaded, secrets.get());
    EXPECT_LT(clock.elapsed(), std::chrono::milliseconds(kLimit).count() * 3 / 2);
    ASSERT_EQ(load.devicesAdded, 2);
    EXPECT_EQ(passwordOf(loaded, 0), QString());
    EXPECT_EQ(load.passwordsNotRead, (QSet<QString>{QStringLiteral("Gate"), QStringLiteral("Yard")}));
    EXPECT_NE(load.secretStoreError, QString());

    // Saving those devices again keeps pointing at the service: the empty passwords they loaded
    // with never replace the ones it holds. A device that got a new password meanwhile saves it.
    loaded.devices().at(1)->connection.password = QStringLiteral("yard-new-pw-1188");
    ASSERT_TRUE(SaveDeviceList(path(), loaded, &error,
                               DeviceListPasswords{secrets.get(), true, load.passwordsNotRead}, &warning));
    const QByteArray saved = fileText();
    EXPECT_TRUE(saved.contains("[Gate]\nAddr=127.0.0.2")) << saved.toStdString();
    EXPECT_EQ(saved.count("PwdInKeyring=1"), 1) << saved.toStdString();
    EXPECT_TRUE(saved.contains("Pwd=yard-new-pw-1188")) << saved.toStdString();
}

}  // namespace
}  // namespace strovik
