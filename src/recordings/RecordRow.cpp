#include "recordings/RecordRow.h"

#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/SearchRequest.h"
#include "platform/StringTable.h"
#include "recordings/SearchRules.h"

namespace strovik {

namespace {

constexpr std::uint64_t kShortestListedMs = 4000;  // a recording must last longer than this

QString typeText(std::uint8_t type, const StringTable& strings) {
    switch (type) {
        case RecordType::Manual:
            return strings.Lookup(SearchText::ManualType);
        case RecordType::Auto:
            return strings.Lookup(SearchText::AutoType);
        case RecordType::Alarm:
            return strings.Lookup(SearchText::AlarmType);
        default:
            return {};
    }
}

QString clockText(const LocalDateTime& time) {
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute, 2, 10, QLatin1Char('0'))
        .arg(time.second, 2, 10, QLatin1Char('0'));
}

}  // namespace

std::optional<RecordRow> MakeRecordRow(const SearchResultRecord& record, const StringTable& strings) {
    const auto start = FromFileTime(record.startTime);
    const auto end = FromFileTime(record.endTime);
    if (!start || !end) return std::nullopt;
    // Milliseconds, as the date-times compare; sub-millisecond ticks do not count.
    const std::uint64_t startMs = record.startTime / kFileTimeTicksPerMillisecond;
    const std::uint64_t endMs = record.endTime / kFileTimeTicksPerMillisecond;
    if (endMs <= startMs || endMs - startMs <= kShortestListedMs) return std::nullopt;

    RecordRow row;
    row.texts[0] = QString::number(record.channel);
    row.texts[1] = typeText(record.recordType, strings);
    row.texts[2] = clockText(*start);
    row.texts[3] = clockText(*end);
    row.texts[4] = QString::number(record.fileSize / 1024) + QStringLiteral("KB");
    row.texts[RecordRow::kFileName] = ListedFileName(record.fileName.toQString().trimmed());
    row.startMs = static_cast<std::int64_t>(startMs);
    row.endMs = static_cast<std::int64_t>(endMs);
    row.recordType = record.recordType;
    return row;
}

QString ListedFileName(const QString& name) {
    QString listed = name;
    if (listed.contains(QLatin1String("LDVR")) && listed.size() > 5) listed[5] = QLatin1Char('1');
    return listed;
}

QByteArray RecordSortKey(const QString& text) {
    QByteArray key = text.toUtf8();
    for (char& byte : key)
        if (byte >= 'a' && byte <= 'z') byte = static_cast<char>(byte - 'a' + 'A');
    return key;
}

int ListViewFileCompare(const RecordRow& first, const RecordRow& second, int sortColumn) {
    if (sortColumn < 0 || sortColumn >= RecordRow::kTexts) return 0;
    return RecordSortKey(first.text(sortColumn)).compare(RecordSortKey(second.text(sortColumn)));
}

}  // namespace strovik
