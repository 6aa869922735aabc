#include "devicelibs/wire/FileTime.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(FileTime, KnownInstantsBothWays) {
    const struct {
        LocalDateTime time;
        std::uint64_t fileTime;
    } cases[] = {
        {{1601, 1, 1, 0, 0, 0, 0}, 0},
        {{1601, 1, 1, 0, 0, 0, 1}, 10'000},
        {{1970, 1, 1, 0, 0, 0, 0}, 116'444'736'000'000'000},
        {{2000, 2, 29, 12, 0, 0, 0}, 125'962'992'000'000'000},
        {{2024, 3, 1, 8, 30, 15, 250}, 133'537'554'152'500'000},
        {{2100, 3, 1, 0, 0, 0, 0}, 157'520'160'000'000'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileTime);
        EXPECT_EQ(ToFileTime(c.time), c.fileTime);
        EXPECT_EQ(FromFileTime(c.fileTime), c.time);
    }
}

TEST(FileTime, RoundTripsEveryDayOfALeapCycleAndDropsSubMilliseconds) {
    // Walking four years day by day crosses every month length and both kinds of February.
    std::uint64_t fileTime = *ToFileTime({2023, 1, 1, 23, 59, 59, 999});
    for (int day = 0; day < 4 * 366; ++day, fileTime += 86'400ull * 10'000'000) {
        const auto time = FromFileTime(fileTime);
        ASSERT_TRUE(time);
        ASSERT_EQ(ToFileTime(*time), fileTime) << time->year << "-" << time->month << "-" << time->day;
    }
    EXPECT_EQ(ToFileTime(*FromFileTime(fileTime + 9'999)), fileTime);
}

TEST(FileTime, RefusesWhatNoCalendarHolds) {
    const LocalDateTime invalid[] = {
        {1600, 12, 31, 23, 59, 59, 999}, {2023, 2, 29, 0, 0, 0, 0},   {2024, 13, 1, 0, 0, 0, 0},
        {2024, 4, 31, 0, 0, 0, 0},       {2024, 1, 1, 24, 0, 0, 0},   {2024, 1, 1, 0, 60, 0, 0},
        {2024, 1, 1, 0, 0, 60, 0},       {2024, 1, 1, 0, 0, 0, 1000}, {2024, 0, 1, 0, 0, 0, 0},
        {30829, 1, 1, 0, 0, 0, 0},
    };
    for (const auto& time : invalid) {
        SCOPED_TRACE(testing::Message()
                     << time.year << "-" << time.month << "-" << time.day << " " << time.hour << ":"
                     << time.minute << ":" << time.second << "." << time.millisecond);
        EXPECT_FALSE(ToFileTime(time));
    }
    EXPECT_FALSE(FromFileTime(0x8000'0000'0000'0000ull));
    const auto last = FromFileTime(0x7FFF'FFFF'FFFF'FFFFull);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->year, 30828);
    EXPECT_EQ(ToFileTime(*last), 0x7FFF'FFFF'FFFF'FFFFull / 10'000 * 10'000);
}

}  // namespace
}  // namespace strovik
