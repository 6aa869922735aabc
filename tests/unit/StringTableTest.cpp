#include "platform/StringTable.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(StringTable, LookupTakesTheFirstEntryIgnoringCase) {
    StringTable table;
    table.append("14", "CHANNEL");
    table.append("Ab", "first");
    table.append("AB", "second");
    table.append("7", "x=y");
    EXPECT_EQ(table.Lookup(14), "CHANNEL");
    EXPECT_EQ(table.Lookup("ab"), "first");
    EXPECT_EQ(table.Lookup("7"), "x=y");
    EXPECT_EQ(table.Lookup(4100), "");
    EXPECT_EQ(table.lines(), (QStringList{"14=CHANNEL", "Ab=first", "AB=second", "7=x=y"}));
    table.clear();
    EXPECT_EQ(table.Lookup(14), "");
}

}  // namespace
}  // namespace strovik
