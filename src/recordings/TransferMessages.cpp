#include "recordings/TransferMessages.h"

#include "platform/StringTable.h"
#include "platform/UiServices.h"

namespace strovik {

namespace {

constexpr char kMessageCaption[] = "StrovikForm";
constexpr char kOfflineHost[] = "127.0.0.1";
constexpr int kOfflineDomainText = 4003;

}  // namespace

void ShowTransferMessage(UiServices& ui, QWidget* owner, const QString& text) {
    ui.ShowMessage(owner, MessageRequest{QLatin1String(kMessageCaption), text, MessageIcon::Warning,
                                         MessageButtons::Ok});
}

bool ReportOfflineDomain(UiServices& ui, QWidget* owner, const StringTable& strings, const std::string& host,
                         const QString& address) {
    if (host != kOfflineHost) return false;
    ShowTransferMessage(ui, owner, address + strings.Lookup(kOfflineDomainText));
    return true;
}

}  // namespace strovik
