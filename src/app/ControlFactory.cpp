#include "app/ControlFactory.h"

#include "app/MainWindowLayout.h"

namespace strovik {

void PlaceControls(QWidget& root, const std::vector<NamedRect>& places) {
    for (const NamedRect& place : places)
        if (auto* control = root.findChild<QWidget*>(QLatin1String(place.name))) control->setGeometry(place.rect);
}

}  // namespace strovik
