#pragma once

#include <QString>

#include <string>

class QWidget;

namespace strovik {

class StringTable;
class UiServices;

// The message boxes of remote playback and download, all captioned "StrovikForm".
void ShowTransferMessage(UiServices& ui, QWidget* owner, const QString& text);

// A transfer that could not start: when the prepared host says that the device's domain name is
// offline, tells so (the address, then the text of ID 4003) and returns true.
bool ReportOfflineDomain(UiServices& ui, QWidget* owner, const StringTable& strings, const std::string& host,
                         const QString& address);

}  // namespace strovik
