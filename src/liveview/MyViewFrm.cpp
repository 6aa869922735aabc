#include "liveview/MyViewFrm.h"

#include "liveview/ViewForm.h"

#include <QCloseEvent>

namespace strovik {

TMyViewForm::TMyViewForm() : RenderWidget(nullptr) {
    setObjectName(QStringLiteral("MyViewForm"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

void TMyViewForm::closeEvent(QCloseEvent* event) {
    if (ownerWindow) {
        const int index = windowIndex;
        QPointer<TViewForm> owner = ownerWindow;
        // Posted, as the window message it stands for: the grid handles it after this close.
        QMetaObject::invokeMethod(
            owner.data(), [owner, index] { if (owner) owner->FloatingWindowClosed(index); }, Qt::QueuedConnection);
        ownerWindow = nullptr;
    }
    event->accept();  // hidden, not destroyed: it keeps its slot until the window floats again
}

}  // namespace strovik
