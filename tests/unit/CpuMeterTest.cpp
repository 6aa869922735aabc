#include "platform/CpuMeter.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(CpuMeter, ParsesTheSystemLine) {
    const struct {
        const char* line;
        std::optional<CpuTimes> expected;
    } cases[] = {
        // user nice system idle iowait irq softirq steal guest guest_nice
        {"cpu  100 20 30 800 50 1 2 3 9 9", CpuTimes{156, 1006}},
        {"cpu 10 0 10 80", CpuTimes{20, 100}},
        {"cpu0 10 0 10 80", std::nullopt},  // one core's line, not the system's
        {"cpu 10 0 10", std::nullopt},
        {"cpu 10 x 10 80", std::nullopt},
        {"intr 5 6 7 8", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::optional<CpuTimes> times = ParseProcStatCpuLine(c.line);
        ASSERT_EQ(times.has_value(), c.expected.has_value());
        if (!times) continue;
        EXPECT_EQ(times->busy, c.expected->busy);
        EXPECT_EQ(times->total, c.expected->total);
    }
}

TEST(CpuMeter, LoadIsTheBusyShareBetweenReadings) {
    EXPECT_EQ(LoadPercentBetween({100, 1000}, {175, 1100}), 75);
    EXPECT_EQ(LoadPercentBetween({100, 1000}, {100, 1100}), 0);
    EXPECT_EQ(LoadPercentBetween({100, 1000}, {300, 1100}), 100);
    EXPECT_EQ(LoadPercentBetween({100, 1000}, {100, 1000}), std::nullopt) << "no time passed";
    EXPECT_EQ(LoadPercentBetween({100, 1000}, {50, 900}), std::nullopt) << "counters went back";

    CpuMeter meter;
    const int percent = meter.loadPercent();
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    ASSERT_TRUE(ReadCpuTimes().has_value());
}

}  // namespace
}  // namespace strovik
