#include "app/MainWindowCaptions.h"

#include "platform/StringTable.h"

namespace strovik {

const std::vector<CaptionEntry>& MainWindowCaptions() {
    using T = CaptionTarget;
    static const std::vector<CaptionEntry> table{
        {QStringLiteral("BtnAddServer"), T::Caption, 0, 1002, QStringLiteral("AddDevice")},
        {QStringLiteral("BtnDelServer"), T::Caption, 0, 1003, QStringLiteral("DelDevice")},
        {QStringLiteral("BtnCancel"), T::Caption, 0, 1004, QStringLiteral("Cancel")},
        {QStringLiteral("NotebookTools"), T::PageCaption, 0, 1100, QStringLiteral("USER LOGIN")},
        {QStringLiteral("NotebookTools"), T::PageCaption, 1, 1101, QStringLiteral("DEVICE LIST")},
        {QStringLiteral("NotebookTools"), T::PageCaption, 2, 1105, QStringLiteral("FILE PLAYBACK")},
        {QStringLiteral("NotebookTools"), T::PageCaption, 3, 1102, QStringLiteral("PTZ CONTROL")},
        {QStringLiteral("LabelZoom"), T::Caption, 0, 1005, QStringLiteral("ZOOM")},
        {QStringLiteral("LabelFocus"), T::Caption, 0, 1006, QStringLiteral("FOCUS")},
        {QStringLiteral("LabelIris"), T::Caption, 0, 1007, QStringLiteral("IRIS")},
        {QStringLiteral("LabelBrush"), T::Caption, 0, 1008, QStringLiteral("BRUSH")},
        {QStringLiteral("LabTimeFrom"), T::Caption, 0, 1010, QStringLiteral("FROM")},
        {QStringLiteral("LabTimeTo"), T::Caption, 0, 1011, QStringLiteral("TO")},
        {QStringLiteral("LabType"), T::Caption, 0, 1012, QStringLiteral("TYPE")},
        {QStringLiteral("LabChn"), T::Caption, 0, 1013, QStringLiteral("CHANNEL")},
        {QStringLiteral("GroupBoxFileList"), T::Caption, 0, 1014, QStringLiteral("FILE LIST")},
        {QStringLiteral("ListViewFile"), T::ColumnTitle, 0, 1017, QStringLiteral("CHANNEL")},
        {QStringLiteral("ListViewFile"), T::ColumnTitle, 1, 1018, QStringLiteral("TYPE")},
        {QStringLiteral("ListViewFile"), T::ColumnTitle, 2, 1015, QStringLiteral("START TIME")},
        {QStringLiteral("ListViewFile"), T::ColumnTitle, 3, 1016, QStringLiteral("END TIME")},
        {QStringLiteral("ListViewFile"), T::ColumnTitle, 4, 1019, QStringLiteral("SIZE")},
        {QStringLiteral("BtnSearch"), T::Caption, 0, 1020, QStringLiteral("SEARCH")},
        {QStringLiteral("AudioBtn"), T::Hint, 0, 3010, QStringLiteral("VOLUME")},
        {QStringLiteral("NBackup"), T::MenuText, 0, 1022, QStringLiteral("Backup")},
        {QStringLiteral("LabUserName"), T::Caption, 0, 1200, QStringLiteral("UserName")},
        {QStringLiteral("LabPwd"), T::Caption, 0, 1201, QStringLiteral("Password")},
        {QStringLiteral("cbAutoLogin"), T::Caption, 0, 1206, QStringLiteral("AutoLogin")},
        {QStringLiteral("BtnLogin"), T::Caption, 0, 1202, QStringLiteral("Login")},
        {QStringLiteral("BtnLogout"), T::Caption, 0, 1203, QStringLiteral("Logout")},
        {QStringLiteral("localLogin"), T::Caption, 0, 1215, QStringLiteral("LocalLogin")},
        {QStringLiteral("LabSerReg"), T::Caption, 0, 1204, QStringLiteral("Domain/Device ID")},
        {QStringLiteral("NetPosrLabel"), T::Caption, 0, 1205, QStringLiteral("Port")},
        {QStringLiteral("BtnShowFileList"), T::Caption, 0, 1400, QStringLiteral("ShowFileList")},
        {QStringLiteral("BtnHideFileList"), T::Caption, 0, 1401, QStringLiteral("HideFileList")},
        {QStringLiteral("LabFileListTotal"), T::Caption, 0, 1023, QStringLiteral("Total")},
        {QStringLiteral("NStartAll"), T::MenuText, 0, 1500, QStringLiteral("Start All")},
        {QStringLiteral("NUpPage"), T::MenuText, 0, 1600, QStringLiteral("PrevPage")},
        {QStringLiteral("NDownPage"), T::MenuText, 0, 1601, QStringLiteral("NextPage")},
        {QStringLiteral("RecAllBtn"), T::Caption, 0, 4020, QStringLiteral("StartAllRecord")},
        {QStringLiteral("RecChnBtn"), T::Caption, 0, 4010, QStringLiteral("StartRecord")},
        {QStringLiteral("DevListLab"), T::Caption, 0, 6013, QStringLiteral("DEVICE LIST:")},
        {QStringLiteral("N_Modify"), T::MenuText, 0, 6014, QStringLiteral("Modify Device")},
        {QStringLiteral("NClearAll"), T::MenuText, 0, 6034, QStringLiteral("Clear All")},
        {QStringLiteral("ScreenModeBtn"), T::Hint, 0, 6035, QStringLiteral("Screen Layout")},
        {QStringLiteral("SnapBtn"), T::Hint, 0, 6036, QStringLiteral("Snap Picture")},
        {QStringLiteral("PlayAllBtn"), T::Hint, 0, 6037, QStringLiteral("Play All")},
        {QStringLiteral("FindDevBtn"), T::Hint, 0, 6038, QStringLiteral("Search Devices")},
        {QStringLiteral("WinFloatBtn"), T::Hint, 0, 6039, QStringLiteral("Suspend Window")},
        {QStringLiteral("SetupBtn"), T::Hint, 0, 6040, QStringLiteral("System Setup")},
        {QStringLiteral("HelpBtn"), T::Hint, 0, 6041, QStringLiteral("Help")},
    };
    return table;
}

std::optional<QString> CaptionText(const CaptionEntry& entry, const StringTable& table, bool languageLoaded) {
    if (!languageLoaded) return entry.english.isEmpty() ? std::nullopt : std::optional<QString>(entry.english);
    if (entry.control == QLatin1String("LabUserName")) return QStringLiteral("DVR") + table.Lookup(entry.id);
    return table.Lookup(entry.id);
}

QStringList RecordTypeItems(const StringTable& table, bool languageLoaded) {
    if (!languageLoaded)
        return {QStringLiteral("ALL"), QStringLiteral("MANUAL"), QStringLiteral("AUTO"), QStringLiteral("ALARM")};
    return {table.Lookup(1), table.Lookup(2), table.Lookup(3), table.Lookup(4)};
}

}  // namespace strovik
