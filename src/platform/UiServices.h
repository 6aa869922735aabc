#pragma once

#include <QString>

class QWidget;

namespace strovik {

enum class MessageIcon { None, Information, Warning, Question, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// Everything the windows ask the operator or hand to the desktop goes through here: message boxes,
// the save-file dialog and opening a folder with the shell. The program uses the Qt dialogs; GUI
// tests answer from a script without a modal loop. GUI thread only.
class UiServices {
public:
    virtual ~UiServices() = default;

    // Blocks until the operator answers (modal); owner may be null.
    virtual MessageAnswer ShowMessage(QWidget* owner, const MessageRequest& request) = 0;
    // The chosen file name, or empty when the operator cancelled.
    virtual QString AskSaveFileName(QWidget* owner, const QString& caption, const QString& proposedPath,
                                    const QString& filter) = 0;
    // Opens a file or folder with the desktop's handler; false when none took it.
    virtual bool OpenWithShell(const QString& path) = 0;
};

}  // namespace strovik
