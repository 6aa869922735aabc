#include "platform/QtUiServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace strovik {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer QtUiServices::ShowMessage(QWidget* owner, const MessageRequest& request) {
    const bool yesNo = request.buttons == MessageButtons::YesNo;
    QMessageBox box(boxIcon(request.icon), request.caption, request.text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    const int answer = box.exec();
    if (!yesNo) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtUiServices::AskSaveFileName(QWidget* owner, const QString& caption, const QString& proposedPath,
                                      const QString& filter) {
    return QFileDialog::getSaveFileName(owner, caption, proposedPath, filter);
}

bool QtUiServices::OpenWithShell(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

}  // namespace strovik
