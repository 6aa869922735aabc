#include "devicelibs/FixedText.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(FixedText, CutsToItsLimitOnACharacterBoundary) {
    const struct {
        const char* text;
        std::size_t limit;
        const char* expected;
    } cases[] = {
        {"abc", 5, "abc"},
        {"abcdef", 4, "abcd"},
        {"\xE6\xB5\x8B\xE8\xAF\x95", 4, "\xE6\xB5\x8B"},  // 测试: the second character does not fit
        {"\xE6\xB5\x8B\xE8\xAF\x95", 3, "\xE6\xB5\x8B"},
        {"\xE6\xB5\x8B", 2, ""},
        {"a\xC3\xA9", 2, "a"},  // é needs two bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CutUtf8(c.text, c.limit), c.expected);
    }
}

TEST(FixedText, StoresZeroFilledAndTerminated) {
    FixedText<36, 33> name;
    name = std::string(40, 'x');
    EXPECT_EQ(name.view().size(), 33u);
    EXPECT_EQ(name.bytes[33], '\0');
    name = QStringLiteral("Cam");
    EXPECT_EQ(name.str(), "Cam");
    for (std::size_t i = 3; i < name.bytes.size(); ++i) ASSERT_EQ(name.bytes[i], '\0') << i;

    FixedText<33> user;
    user = QString(40, QChar(0x6D4B));  // 测 x 40: 10 characters fill 30 of the 32 bytes
    EXPECT_EQ(user.view().size(), 30u);
    EXPECT_EQ(user.toQString(), QString(10, QChar(0x6D4B)));
}

}  // namespace
}  // namespace strovik
