#include "platform/BackgroundCalls.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <future>
#include <memory>
#include <vector>

namespace strovik {
namespace {

using namespace std::chrono_literals;

TEST(BackgroundCalls, ResultsComeBackOnTheReceiversThreadInAQueuedCall) {
    BackgroundCalls calls;
    QObject receiver;
    std::vector<int> results;
    bool onReceiverThread = true;
    for (int i = 0; i < 5; ++i)
        calls.run<int>(&receiver, [i] { return i * 10; }, [&](int r) {
            results.push_back(r);
            onReceiverThread = onReceiverThread && QThread::currentThread() == receiver.thread();
        });
    calls.waitForDone();
    EXPECT_TRUE(results.empty());  // nothing runs inside the call or the wait
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == 5; }, 2000));
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (std::vector<int>{0, 10, 20, 30, 40}));
    EXPECT_TRUE(onReceiverThread);
}

TEST(BackgroundCalls, BlockingCallsRunSideBySide) {
    BackgroundCalls calls(8);
    QObject receiver;
    std::atomic<int> inside{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int done = 0;
    for (int i = 0; i < 8; ++i)
        calls.run<int>(&receiver, [&, released] {
            ++inside;
            released.wait();
            return 0;
        }, [&](int) { ++done; });
    // Eight calls blocked at once: none waits for another to return.
    ASSERT_TRUE(QTest::qWaitFor([&] { return inside == 8; }, 2000));
    release.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done == 8; }, 2000));
}

TEST(BackgroundCalls, AResultWhoseReceiverWentIsOrphanedNotDelivered) {
    BackgroundCalls calls;
    std::atomic<int> orphaned{0};
    int delivered = 0;
    {
        auto receiver = std::make_unique<QObject>();
        calls.run<int>(receiver.get(), [] { return 7; }, [&](int) { ++delivered; }, [&](int r) { orphaned += r; });
        calls.waitForDone();  // the result is queued to the receiver now
    }  // the receiver goes before its queued call ran
    // No receiver at all: released as soon as the call returns.
    calls.run<int>(nullptr, [] { return 5; }, [&](int) { ++delivered; }, [&](int r) { orphaned += r; });
    calls.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(orphaned, 12);
}

}  // namespace
}  // namespace strovik
