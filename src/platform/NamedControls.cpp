#include "platform/NamedControls.h"

#include <QMenu>

namespace strovik {

QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

}  // namespace strovik
