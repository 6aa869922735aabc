#pragma once

#include "devicelibs/wire/SearchResultRecord.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace strovik {

class StringTable;

// One row of the record file list: the caption (channel number) and sub-items 0-4. Sub-item 4,
// the recording's file name on the device, is kept with the row but shown in no column; playback
// and download ask the device for it.
struct RecordRow {
    static constexpr int kTexts = 6;
    static constexpr int kFileName = 5;  // caption = 0, sub-item k = k + 1
    std::array<QString, kTexts> texts;
    // For the timeline: the start and end as milliseconds of the device's local time since
    // 1601-01-01 (FILETIME / 10000), and the record type (1 manual, 2 auto, 3 alarm, others).
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    std::uint8_t recordType = 0;

    const QString& text(int index) const { return texts[static_cast<std::size_t>(index)]; }
    const QString& fileName() const { return texts[kFileName]; }
};

// The row for a search result, or nullopt for one that is not listed: one that lasts 4 seconds or
// less (ends at most 4 s after it starts, or before), or whose times are not valid FILETIMEs.
// Times as "hh:nn:ss" of the local time the device sent; sizes in whole KB ("1KB" for 1536 bytes);
// types 1-3 as entries 2-4, any other type empty; the name trimmed and ListedFileName applied.
std::optional<RecordRow> MakeRecordRow(const SearchResultRecord& record, const StringTable& strings);

// A name that contains "LDVR" anywhere gets "1" as its sixth character (index 5); others stay.
QString ListedFileName(const QString& name);

// The sort key of a row's text: ListViewFileCompare orders rows by these keys, compared byte by
// byte. ASCII letters are folded, every other byte keeps its value.
QByteArray RecordSortKey(const QString& text);

// The sort order of two rows: sortColumn 0 compares the captions, column k the sub-items k - 1, as
// text without regard to ASCII letter case (numbers as text: "10" before "2"). Negative, zero or
// positive.
int ListViewFileCompare(const RecordRow& first, const RecordRow& second, int sortColumn);

}  // namespace strovik
