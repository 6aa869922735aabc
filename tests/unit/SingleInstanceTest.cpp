#include "platform/SingleInstance.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <future>

namespace strovik {
namespace {

using namespace std::chrono_literals;

TEST(SingleInstance, SecondCopyRaisesTheFirst) {
    test::TempDir dir;
    SingleInstance first(QStringLiteral("strovik-test"), dir.path());
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(QStringLiteral("strovik-test"), dir.path());
    ASSERT_EQ(second.Acquire(), SingleInstance::Role::Secondary);
    // The first copy answers on this thread's event loop, so the second asks from another thread.
    auto answered = std::async(std::launch::async, [&] { return second.SendRaise(5s); });
    ASSERT_TRUE(raised.wait(5000));
    EXPECT_TRUE(answered.get());
    EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, WithoutARunningCopyTheRaiseIsNotAnswered) {
    test::TempDir dir;
    SingleInstance lone(QStringLiteral("strovik-test"), dir.path());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(lone.SendRaise(300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

TEST(SingleInstance, NextCopyTakesOverTheLockAndALeftoverSocket) {
    test::TempDir dir;
    QString socketPath;
    {
        SingleInstance earlier(QStringLiteral("strovik-test"), dir.path());
        ASSERT_EQ(earlier.Acquire(), SingleInstance::Role::Primary);
        socketPath = earlier.serverName();
    }
    // What a copy that crashed leaves behind in place of its socket.
    QFile leftover(socketPath);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    SingleInstance later(QStringLiteral("strovik-test"), dir.path());
    ASSERT_EQ(later.Acquire(), SingleInstance::Role::Primary);
    QSignalSpy raised(&later, &SingleInstance::raiseRequested);
    SingleInstance asker(QStringLiteral("strovik-test"), dir.path());
    auto answered = std::async(std::launch::async, [&] { return asker.SendRaise(5s); });
    EXPECT_TRUE(raised.wait(5000));
    EXPECT_TRUE(answered.get());
}

TEST(SingleInstance, StrangersAreDroppedWithoutARaise) {
    test::TempDir dir;
    SingleInstance first(QStringLiteral("strovik-test"), dir.path());
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    auto talk = std::async(std::launch::async, [&] {
        QLocalSocket socket;
        socket.connectToServer(first.serverName());
        if (!socket.waitForConnected(5000)) return false;
        socket.write(QByteArray(200, 'x'));
        socket.waitForBytesWritten(5000);
        // The first copy hangs up on a request that is no raise.
        return socket.waitForDisconnected(5000) || socket.state() == QLocalSocket::UnconnectedState;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return talk.wait_for(0s) == std::future_status::ready; }, 10000));
    EXPECT_TRUE(talk.get());
    EXPECT_EQ(raised.count(), 0);
}

}  // namespace
}  // namespace strovik
