#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace strovik {

class StringTable;

// What a caption entry sets on its control.
enum class CaptionTarget { Caption, Hint, MenuText, PageCaption, ColumnTitle };

// One row of the main window's caption table: the control's name, what is set, the language-file
// ID and the English text used when no language file was found (empty: keep the design caption).
// index is the notebook page or the list column for PageCaption and ColumnTitle.
struct CaptionEntry {
    QString control;
    CaptionTarget target;
    int index;
    int id;
    QString english;
};

const std::vector<CaptionEntry>& MainWindowCaptions();

// The text a control gets: the language file's text of the entry's ID when a language file was
// loaded (empty when the file lacks it), else the English text; nullopt keeps the design caption.
// LabUserName is special: "DVR" followed by the text of ID 1200.
std::optional<QString> CaptionText(const CaptionEntry& entry, const StringTable& table, bool languageLoaded);

// The items of the record-type box CmbType: IDs 1 to 4, or ALL, MANUAL, AUTO, ALARM.
QStringList RecordTypeItems(const StringTable& table, bool languageLoaded);

}  // namespace strovik
