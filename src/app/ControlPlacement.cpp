#include "app/ControlPlacement.h"

#include "app/MainWindowLayout.h"

#include <QLabel>

namespace strovik {

void PlaceControls(QWidget& root, const std::vector<NamedRect>& places) {
    for (const NamedRect& place : places) {
        auto* control = root.findChild<QWidget*>(QLatin1String(place.name));
        if (!control) continue;
        QRect rect = place.rect;
        // Labels size themselves to their text, which a language may make longer than the design's.
        if (qobject_cast<QLabel*>(control)) rect.setSize(rect.size().expandedTo(control->sizeHint()));
        control->setGeometry(rect);
    }
}

}  // namespace strovik
