#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "platform/StringTable.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordRow.h"
#include "recordings/RecordSearchRequest.h"
#include "recordings/SearchResultQueue.h"
#include "recordings/SearchRules.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>

#include <cstring>

namespace strovik {
namespace {

std::vector<std::uint8_t> bytesOf(const SearchRequest& request) {
    std::vector<std::uint8_t> bytes(sizeof(request));
    std::memcpy(bytes.data(), &request, sizeof(request));
    return bytes;
}

std::uint64_t readU64(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

std::uint64_t fileTime(int hour, int minute, int second) {
    return *ToFileTime({2024, 3, 1, hour, minute, second});
}

TEST(RecordSearchRequest, SwapsALaterFromTimeAndEncodesTheFirmwareStyle) {
    struct Case {
        DeviceVersion version;
        std::uint8_t type;
        bool userName;
    };
    const Case cases[] = {
        {{9, 7, {}}, 102, true},
        {{9, 6, {}}, 2, false},
        {{10, 5, {}}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version.major << "." << c.version.minor);
        const SearchInputs inputs{QDate(2024, 3, 1), QTime(23, 0, 0, 500), QTime(1, 0, 0), 2, 2};
        const auto bytes = bytesOf(MakeSearchRequest(inputs, c.version, QStringLiteral("viewer")));
        ASSERT_EQ(bytes.size(), 284u);
        EXPECT_EQ(bytes[0], 100);
        EXPECT_EQ(readU64(bytes, 4), fileTime(1, 0, 0));
        EXPECT_EQ(readU64(bytes, 12), fileTime(23, 0, 0));  // whole seconds: the 500 ms are dropped
        EXPECT_EQ(bytes[20], 3);
        EXPECT_EQ(bytes[21], c.type);
        const std::string name(reinterpret_cast<const char*>(bytes.data() + 154));
        EXPECT_EQ(name, c.userName ? "viewer" : "");
        for (std::size_t i = 22; i < 154; ++i) ASSERT_EQ(bytes[i], 0) << i;
    }
}

TEST(SearchRules, RightsFirmwareAndChannelGateTheSearch) {
    struct Case {
        std::int32_t rights;
        DeviceVersion version;
        std::uint8_t channelRight;
        int channelIndex;
        SearchGate gate;
    };
    const Case cases[] = {
        {58, {9, 7, {}}, 0, 3, SearchGate::ChannelDenied},  {50, {9, 7, {}}, 1, 3, SearchGate::Search},
        {58, {9, 6, {}}, 0, 3, SearchGate::Search},         {58, {10, 5, {}}, 0, 3, SearchGate::Search},
        {58, {9, 7, {}}, 1, 36, SearchGate::ChannelDenied},  // no rights byte for a 37th channel
        {58, {9, 7, {}}, 1, -1, SearchGate::ChannelDenied}, {42, {9, 7, {}}, 1, 3, SearchGate::Login},
        {-1, {9, 6, {}}, 1, 3, SearchGate::Login},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rights << " " << c.version.major << "." << c.version.minor << " "
                                        << c.channelIndex);
        LoginState state;
        state.currentRights = c.rights;
        state.currentVersion = c.version;
        state.currentChannelRights.fill(1);
        state.currentChannelRights[3] = c.channelRight;
        EXPECT_EQ(CheckSearchGate(state, c.channelIndex), c.gate);
    }
}

TEST(SearchRules, LoginFailureTexts) {
    StringTable strings;
    for (const char* id : {"15", "16", "17", "18", "4100", "4102"})
        strings.append(QLatin1String(id), QStringLiteral("T") + QLatin1String(id));
    const std::pair<std::int32_t, const char*> cases[] = {
        {-2, "Gate T4102 (-2)"}, {-11, "Gate T4100 (-1)"}, {-12, "Gate Unknown error: -12"},
        {0, "Gate T16"},         {1, "Gate T17"},          {16, "Gate T18"},
        {42, "Gate T15"},
    };
    for (const auto& [result, text] : cases)
        EXPECT_EQ(SearchLoginFailureText(result, QStringLiteral("Gate"), strings), QLatin1String(text))
            << result;
}

SearchResultRecord result(std::uint64_t start, std::uint64_t end, std::int64_t size, const char* name,
                          std::uint8_t type = RecordType::Auto, std::uint8_t channel = 1) {
    SearchResultRecord record;
    record.startTime = start;
    record.endTime = end;
    record.fileSize = size;
    record.fileName = std::string_view(name);
    record.recordType = type;
    record.channel = channel;
    return record;
}

TEST(RecordRow, ListsRecordingsLongerThanFourSecondsWithTheirTexts) {
    StringTable strings;
    strings.append(QStringLiteral("2"), QStringLiteral("MANUAL"));
    strings.append(QStringLiteral("3"), QStringLiteral("AUTO"));
    strings.append(QStringLiteral("4"), QStringLiteral("ALARM"));
    const std::uint64_t start = fileTime(8, 5, 9);
    const std::uint64_t second = 10'000'000;
    EXPECT_FALSE(MakeRecordRow(result(start, start + 4 * second, 1, "a"), strings));
    EXPECT_FALSE(MakeRecordRow(result(start, start - second, 1, "a"), strings));
    EXPECT_FALSE(MakeRecordRow(result(start, ~0ull, 1, "a"), strings));  // not a FILETIME

    const auto row = MakeRecordRow(result(start, start + 5 * second, 1536, "  ch01.mp4 ", 1, 12), strings);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->texts,
              (std::array<QString, 6>{"12", "MANUAL", "08:05:09", "08:05:14", "1KB", "ch01.mp4"}));
    EXPECT_EQ(MakeRecordRow(result(start, start + 5 * second, 1023, "a"), strings)->text(4),
              QStringLiteral("0KB"));
    EXPECT_EQ(MakeRecordRow(result(start, start + 5 * second, 1, "a", 0), strings)->text(1), QString());
    EXPECT_EQ(MakeRecordRow(result(start, start + 5 * second, 1, "a", 9), strings)->text(1), QString());
}

TEST(RecordRow, LdvrNamesGetOneAsTheirSixthCharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"LDVR_2_20240301080000_20240301081000_0_0_.264", "LDVR_1_20240301080000_20240301081000_0_0_.264"},
        {"abcd_LDVR9.264", "abcd_1DVR9.264"},
        {"xxxxxLDVR", "xxxxx1DVR"},
        {"ch01_2_20240301.mp4", "ch01_2_20240301.mp4"},
        {"LDVR", "LDVR"},
    };
    for (const auto& [name, listed] : cases)
        EXPECT_EQ(ListedFileName(QLatin1String(name)), QLatin1String(listed));
}

TEST(RecordRow, CompareFoldsAsciiCaseAndComparesNumbersAsText) {
    auto row = [](const char* caption, const char* type) {
        RecordRow made;
        made.texts[0] = QLatin1String(caption);
        made.texts[1] = QLatin1String(type);
        return made;
    };
    EXPECT_LT(ListViewFileCompare(row("10", ""), row("2", ""), 0), 0);
    EXPECT_EQ(ListViewFileCompare(row("1", "auto"), row("2", "AUTO"), 1), 0);
    EXPECT_LT(ListViewFileCompare(row("1", "Alarm"), row("1", "auto"), 1), 0);
}

class RecordListModelTest : public ::testing::Test {
protected:
    static std::vector<RecordRow> rows(
        std::initializer_list<std::pair<const char*, const char*>> captionsAndNames) {
        std::vector<RecordRow> made;
        for (const auto& [caption, name] : captionsAndNames) {
            RecordRow row;
            row.texts[0] = QLatin1String(caption);
            row.texts[1] = QStringLiteral("AUTO");
            row.texts[RecordRow::kFileName] = QLatin1String(name);
            made.push_back(row);
        }
        return made;
    }
    QStringList column(int index) const {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, index).data().toString();
        return texts;
    }

    RecordListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(RecordListModelTest, SortsAscendingAsTextAndKeepsTheSelectedRow) {
    model.append(rows({{"2", "b"}, {"10", "a"}, {"1", "c"}}));
    const QPersistentModelIndex selected = model.index(2, 0);
    model.sort(0, Qt::DescendingOrder);  // every sort is ascending
    EXPECT_EQ(column(0), (QStringList{"1", "10", "2"}));
    EXPECT_EQ(selected.row(), 0);
    EXPECT_EQ(selected.data(RecordListModel::kFileNameRole).toString(), QStringLiteral("c"));

    model.sort(1);
    model.sort(1);  // equal types: the order stays as it is
    EXPECT_EQ(column(0), (QStringList{"1", "10", "2"}));
    EXPECT_EQ(model.sortColumn(), 1);

    model.append(rows({{"0", "d"}}));  // appended unsorted
    EXPECT_EQ(column(0), (QStringList{"1", "10", "2", "0"}));
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.sortColumn(), 0);
}

TEST_F(RecordListModelTest, ColumnsHaveTheirTitlesAlignmentAndNoFileNameColumn) {
    model.append(rows({{"1", "a"}}));
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_EQ(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("文件大小"));
    EXPECT_TRUE(model.setHeaderData(4, Qt::Horizontal, QStringLiteral("SIZE"), Qt::DisplayRole));
    EXPECT_EQ(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("SIZE"));
    EXPECT_EQ(model.index(0, 4).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(model.index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    EXPECT_EQ(RecordListModel::column(2).width, 68);
}

std::vector<std::uint8_t> resultMessage(const char* name) {
    return SearchResultMessage(result(fileTime(8, 0, 0), fileTime(8, 10, 0), 1, name));
}

TEST(SearchResultQueue, TakesWholeResultsOfTheAcceptedConnectionAndWakesOncePerDrain) {
    SearchResultQueue queue;
    const std::uint64_t search = queue.beginSearch();
    auto message = resultMessage("a");
    EXPECT_EQ(queue.offer(7, message.data(), message.size()),
              SearchResultQueue::Offer::Dropped);  // not accepted
    ASSERT_TRUE(queue.accept(search, 7));
    EXPECT_EQ(queue.offer(7, message.data(), message.size() - 1), SearchResultQueue::Offer::NotAResult);
    message.push_back(0);
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::NotAResult);
    message.pop_back();
    EXPECT_EQ(queue.offer(8, message.data(), message.size()), SearchResultQueue::Offer::Dropped);
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::QueuedWake);
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::Queued);

    bool more = false;
    EXPECT_EQ(queue.take(1, more).size(), 1u);
    EXPECT_TRUE(more);
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::Queued);
    EXPECT_EQ(queue.take(10, more).size(), 2u);
    EXPECT_FALSE(more);
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::QueuedWake);

    // A new search forgets what is queued, and an older search can no longer claim a connection.
    const std::uint64_t next = queue.beginSearch();
    EXPECT_TRUE(queue.take(10, more).empty());
    EXPECT_FALSE(queue.accept(search, 9));
    EXPECT_TRUE(queue.accept(next, 9));
    EXPECT_EQ(queue.offer(7, message.data(), message.size()), SearchResultQueue::Offer::Dropped);
}

TEST(SearchResultQueue, DropsResultsBeyondItsBound) {
    SearchResultQueue queue;
    ASSERT_TRUE(queue.accept(queue.beginSearch(), 3));
    const auto message = resultMessage("a");
    for (std::size_t i = 0; i < SearchResultQueue::kMaxQueued; ++i)
        ASSERT_NE(queue.offer(3, message.data(), message.size()), SearchResultQueue::Offer::Dropped);
    EXPECT_EQ(queue.offer(3, message.data(), message.size()), SearchResultQueue::Offer::Dropped);
    EXPECT_EQ(queue.dropped(), 1u);
    bool more = false;
    EXPECT_EQ(queue.take(SearchResultQueue::kMaxQueued + 1, more).size(), SearchResultQueue::kMaxQueued);
}

}  // namespace
}  // namespace strovik
