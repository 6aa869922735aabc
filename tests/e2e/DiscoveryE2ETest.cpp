// The real discovery library against devsim's discovery responder on loopback.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "devicelibs/discovery/DiscoveryFactory.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;

// Collects what the discovery callback reports, on any thread.
class Cameras {
public:
    IpcSearchCallback callback() {
        return [this](const IpcSearchRecord* record, std::int32_t code) {
            std::lock_guard lock(mutex_);
            if (code == SearchDone) {
                ++searchesDone_;
            } else if (record) {
                records_.push_back(*record);
            }
            changed_.notify_all();
        };
    }
    bool waitForSearchesDone(int count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return searchesDone_ >= count; });
    }
    std::vector<IpcSearchRecord> records() {
        std::lock_guard lock(mutex_);
        return records_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<IpcSearchRecord> records_;
    int searchesDone_ = 0;
};

DiscoveryOptions LoopbackOptions(const DevsimProcess& devsim) {
    DiscoveryOptions options;
    options.probeAddress = devsim.address(1);
    options.probePort = DevsimProcess::kDiscoveryPort;
    options.listenTime = 700ms;
    return options;
}

TEST(DiscoveryE2E, FindsEverySimulatedCameraOnceAndEndsWithSearchDone) {
    DevsimProcess devsim;
    QString sections;
    for (int n = 0; n < 3; ++n) {
        sections += DeviceSection(
            QStringLiteral("cam%1").arg(n), devsim.address(2 + n),
            QStringLiteral("Type=camera\nPort=%1\nDeviceId=%2\nMac=02:00:00:00:00:0%3\n"
                           "Mask=255.255.255.0\nVideoPort=%4\nAccessUser=%5\nAccessPassword=pw%3")
                .arg(5050 + n)
                .arg(12345670 + n)
                .arg(n)
                .arg(n == 0 ? 0 : 5050 + n)
                .arg(n == 2 ? "" : "admin"));
    }
    sections += DeviceSection("dvr-without-identity", devsim.address(5), "Type=dvr");
    ASSERT_TRUE(devsim.start(sections)) << devsim.errorString().toStdString();

    Cameras cameras;  // outlive the library, whose thread calls into them
    Cameras later;
    const auto library = CreateDiscoveryLibrary(LoopbackOptions(devsim));
    library->SetIPCSearchCallBack(cameras.callback());
    const auto began = std::chrono::steady_clock::now();
    library->StartIPCSearch();
    EXPECT_LT(std::chrono::steady_clock::now() - began, 300ms);  // returns at once, long before the listening time
    ASSERT_TRUE(cameras.waitForSearchesDone(1, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - began, LoopbackOptions(devsim).listenTime);

    std::map<std::int32_t, IpcSearchRecord> byId;
    for (const auto& record : cameras.records())
        EXPECT_TRUE(byId.emplace(record.deviceId, record).second) << record.deviceId;
    ASSERT_EQ(byId.size(), 3u);
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        const IpcSearchRecord& camera = byId.at(12345670 + n);
        EXPECT_EQ(camera.ipText.str(), devsim.address(2 + n));
        EXPECT_EQ(camera.macText.str(), "02:00:00:00:00:0" + std::to_string(n));
        EXPECT_EQ(camera.maskText.str(), "255.255.255.0");
        EXPECT_EQ(camera.videoPort, n == 0 ? 0 : 5050 + n);
        EXPECT_EQ(camera.userText.str(), n == 2 ? "" : "admin");
        EXPECT_EQ(camera.passwordText.str(), "pw" + std::to_string(n));
    }

    // A second search reports them again, to the callback registered now.
    library->SetIPCSearchCallBack(later.callback());
    library->StartIPCSearch();
    ASSERT_TRUE(later.waitForSearchesDone(1, 5s));
    EXPECT_EQ(later.records().size(), 3u);
    EXPECT_TRUE(devsim.waitForLogLine({"discovery-probe", "answered=3"}, 2s));
}

TEST(DiscoveryE2E, NobodyAnsweringEndsWithSearchDoneAfterTheListeningTime) {
    DevsimProcess nothingThere;  // its addresses, but no devsim
    Cameras cameras;
    const auto library = CreateDiscoveryLibrary(LoopbackOptions(nothingThere));
    library->SetIPCSearchCallBack(cameras.callback());
    library->StartIPCSearch();
    ASSERT_TRUE(cameras.waitForSearchesDone(1, 5s));
    EXPECT_TRUE(cameras.records().empty());
}

}  // namespace
}  // namespace strovik::test
