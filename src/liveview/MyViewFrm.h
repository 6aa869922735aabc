#pragma once

#include "liveview/RenderWidget.h"

#include <QPointer>

namespace strovik {

class TViewForm;

// A floating window: a small always-on-top window with a caption that shows the picture of one
// grid window. Closing it only hides it and tells the grid that floated it, which takes the
// picture back. GUI thread only.
class TMyViewForm final : public RenderWidget {
    Q_OBJECT

public:
    TMyViewForm();

    // The grid that floated this window (null: closing tells nobody) and the grid window shown.
    QPointer<TViewForm> ownerWindow;
    int windowIndex = 255;

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace strovik
