#include "app/PtzPage.h"

#include "app/Artwork.h"
#include "app/ControlPlacement.h"
#include "app/MainWindowLayout.h"
#include "liveview/PtzCommands.h"
#include "platform/NamedControls.h"

#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace strovik {

namespace {

struct PtzButton {
    const char* name;
    Picture picture;
    int code;
};
constexpr PtzButton kButtons[] = {
    {"BtnUp", Picture::ArrowUp, 101},         {"BtnDown", Picture::ArrowDown, 102},
    {"BtnLeft", Picture::ArrowLeft, 103},     {"BtnRight", Picture::ArrowRight, 104},
    {"BtnAuto", Picture::PtzAuto, 200},       {"BtnZoom1", Picture::Minus, 111},
    {"BtnZoom2", Picture::Plus, 112},         {"BtnFocus1", Picture::Minus, 113},
    {"BtnFocus2", Picture::Plus, 114},        {"BtnAperture1", Picture::Minus, 115},
    {"BtnAperture2", Picture::Plus, 116},     {"BtnBrush1", Picture::Minus, 117},
    {"BtnBrush2", Picture::Plus, 127},
};

struct PtzLabel {
    const char* name;
    const char* caption;
};
constexpr PtzLabel kLabels[] = {
    {"LabelZoom", "变 焦"}, {"LabelFocus", "对 焦"}, {"LabelIris", "光 圈"}, {"LabelBrush", "雨 刮"}};

}  // namespace

TPtzPage::TPtzPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PtzPage"));
    for (const PtzButton& each : kButtons) {
        auto* button = MakeControl<QToolButton>(this, each.name);
        button->setIcon(PictureIcon(each.picture));
        button->setProperty("ptzCode", each.code);
        button->setAutoRepeat(false);
        const auto pressCode = static_cast<std::uint8_t>(each.code);
        connect(button, &QToolButton::pressed, this, [this, pressCode] { Q_EMIT ptzPressed(pressCode); });
        // The auto and wiper buttons send their code on press only.
        if (const std::optional<std::uint8_t> releaseCode = PtzReleaseCode(pressCode))
            connect(button, &QToolButton::released, this,
                    [this, code = *releaseCode] { Q_EMIT ptzReleased(code); });
    }
    for (const PtzLabel& each : kLabels) {
        auto* label = MakeControl<QLabel>(this, each.name, QString::fromUtf8(each.caption));
        label->setAlignment(Qt::AlignCenter);
    }
    applyGeometry();
    // The pad's arrow bars are thin: their pictures follow their shorter side.
    for (auto* button : findChildren<QToolButton*>()) {
        const QSize size = button->size();
        const int side = std::max(8, std::min(size.width(), size.height()) - 4);
        button->setIconSize(QSize(side, side));
    }
}

void TPtzPage::applyGeometry() { PlaceControls(*this, PtzPageGeometry()); }

}  // namespace strovik
