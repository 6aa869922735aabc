#pragma once

#include "platform/UiServices.h"

namespace strovik {

// UiServices on the Qt dialogs and the desktop services.
class QtUiServices final : public UiServices {
public:
    MessageAnswer ShowMessage(QWidget* owner, const MessageRequest& request) override;
    QString AskSaveFileName(QWidget* owner, const QString& caption, const QString& proposedPath,
                            const QString& filter) override;
    bool OpenWithShell(const QString& path) override;
};

}  // namespace strovik
