#include "devicelibs/video/LdvrName.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(LdvrName, LaysOutStartChannelAndAlarmWhereADownloadReadsThem) {
    const QDateTime start(QDate(2024, 1, 5), QTime(8, 30, 15));
    const QDateTime end(QDate(2024, 1, 5), QTime(8, 40, 15));
    const std::string name = LdvrRecordingName(start, end, 11, true);
    EXPECT_EQ(name, "LDVR_1_20240105083015_20240105084015_11_1_.264");
    EXPECT_EQ(name[5], '1') << "the record list writes 1 there";
    EXPECT_NE(name.find("LDVR"), std::string::npos);
    EXPECT_EQ(name.substr(7, 14), "20240105083015");

    const std::optional<LdvrNameFields> fields = ReadLdvrName(name);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->startText, "20240105083015");
    EXPECT_EQ(fields->firstField, 11);
    EXPECT_EQ(fields->secondField, 1);
    EXPECT_EQ(ReadLdvrName(LdvrRecordingName(start, end, 0, false))->secondField, 0);
}

TEST(LdvrName, ReadsOnlyNamesThatFollowTheLayout) {
    const std::string head = "LDVR_1_20240105083015_20240105084015_";
    const struct {
        std::string name;
        bool readable;
        std::int64_t first;
        std::int64_t second;
    } cases[] = {
        {head + "9_17_.264", true, 9, 17},
        {head + "0_0_", true, 0, 0},
        {head + "1234567890123456_2_", true, 1234567890123456, 2},
        {head + "12345678901234567_2_", false, 0, 0},  // first field longer than 16 characters
        {head + "9_17", false, 0, 0},                  // second field not ended by "_"
        {head + "x9_1_", false, 0, 0},
        {head + "_1_", false, 0, 0},
        {head.substr(0, 30), false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<LdvrNameFields> fields = ReadLdvrName(c.name);
        ASSERT_EQ(fields.has_value(), c.readable);
        if (!fields) continue;
        EXPECT_EQ(fields->firstField, c.first);
        EXPECT_EQ(fields->secondField, c.second);
    }
}

}  // namespace
}  // namespace strovik
