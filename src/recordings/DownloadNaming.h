#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

// The file name a download proposes. A frame-format ("LDVR") recording is named after its start
// time (blanks read as "0"), its channel number n (first field + 1) and whether it was an alarm
// recording (m, the second field modulo 16, not 0: "_A_", else "_S_"; n below 10 gets a leading
// "0"), with the extension ".264": "20240102030405_S_01.264". Any other name, and an "LDVR" name
// too short or whose fields are not numbers, proposes the part after its last path separator.
QString DefaultDownloadName(const QString& remoteName);

// The path a frame-format download is written to: the chosen one, with "1" appended when it holds
// ".avi", so that the conversion's own ".avi" does not land on the file being converted.
QString DownloadTransferPath(const QString& chosenPath, bool frameFormat);

// Where the transfer writes until the copy is whole: a process killed in the middle of a download
// leaves no file that passes for the recording.
QString PartialCopyPath(const QString& transferPath);

// A byte count in the download dialog's units: KB, then MB above 1024.0 KB, then GB above
// 1024.0 MB, computed in single precision. unit begins with a blank.
struct ScaledAmount {
    float value = 0;
    QString unit;
};
ScaledAmount ScaleByteCount(std::uint64_t bytes);

// "(" copied " 1.50  MB , " total " 3.00  MB)": the amount line, with the texts of IDs 2103
// and 2102.
QString DownloadAmountLine(std::uint64_t received, std::uint64_t total, const QString& copiedText,
                           const QString& totalText);
// The speed line of one 500 ms tick: bytes scaled first, then doubled: "1200.00  KB/s".
QString DownloadSpeedLine(std::uint64_t bytesInTick);

}  // namespace strovik
