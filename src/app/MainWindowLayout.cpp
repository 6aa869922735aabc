#include "app/MainWindowLayout.h"

#include <algorithm>

namespace strovik {

MainWindowLayout LayoutMainWindow(QSize clientSize) {
    const int w = clientSize.width();
    const int h = clientSize.height() + kFrameHeightAllowance;
    const int f = kBottomPictureHeight;
    MainWindowLayout layout;
    layout.panelRight = QRect(w - kToolColumnWidth, 0, kToolColumnWidth, h - f - 50);
    layout.panelFloor = QRect(0, 0, w - kToolColumnWidth, h - f - 35);
    layout.imagePlayFloor = QRect(0, 0, w, f);
    layout.panelBottom = QRect(0, layout.panelFloor.bottom() + 1, w, f);

    const int toolTop = layout.imagePlayFloor.top() + 7;
    const int c = layout.panelFloor.width() / 2 - kToolButtonSize.width() / 2;
    auto toolButton = [&](int steps) { return QRect(QPoint(c + steps * kToolButtonPitch, toolTop), kToolButtonSize); };
    layout.findDevBtn = toolButton(-3);
    layout.playAllBtn = toolButton(-2);
    layout.snapBtn = toolButton(-1);
    layout.screenModeBtn = toolButton(0);
    layout.winFloatBtn = toolButton(1);
    layout.setupBtn = toolButton(2);
    layout.helpBtn = toolButton(3);

    layout.powerBtn = QRect(QPoint(w - kPowerButtonSize.width() - 20, layout.helpBtn.top() + 8), kPowerButtonSize);
    layout.volumeBar = QRect(QPoint(layout.powerBtn.left() - 60 - kVolumeBarSize.width(), 35), kVolumeBarSize);
    layout.audioBtn = QRect(QPoint(layout.volumeBar.left() - 10 - kSpeakerSize.width(), 30), kSpeakerSize);
    layout.lblVersion = kVersionLabelRect;
    const int recordLeft = std::max(kVersionLabelRect.right() + 8, layout.findDevBtn.left() - 12 - kRecordButtonSize.width());
    layout.recAllBtn = QRect(QPoint(recordLeft, 8), kRecordButtonSize);
    layout.recChnBtn = QRect(QPoint(recordLeft, 8 + kRecordButtonSize.height() + 6), kRecordButtonSize);

    layout.groupBoxFileList =
        QRect(QPoint(w - kFileListSize.width() - 10, layout.panelRight.height() - 345), kFileListSize);
    return layout;
}

const std::vector<NamedRect>& LoginPageGeometry() {
    static const std::vector<NamedRect> places{
        {"LabSerReg", {10, 20, 121, 12}},     {"cbxServerAddr", {10, 36, 130, 20}},
        {"NetPosrLabel", {10, 72, 121, 12}},  {"NetPort", {10, 89, 121, 20}},
        {"LabUserName", {10, 125, 121, 12}},  {"EditUserName", {10, 145, 121, 20}},
        {"LabPwd", {10, 180, 121, 12}},       {"EditPwd", {10, 200, 121, 21}},
        {"cbAutoLogin", {10, 230, 121, 25}},  {"BtnLogin", {32, 260, 73, 25}},
        {"BtnLogout", {32, 260, 73, 25}},     {"BtnCancel", {32, 295, 73, 25}},
    };
    return places;
}

const std::vector<NamedRect>& RecordPageGeometry() {
    static const std::vector<NamedRect> places{
        {"DevListLab", {10, 18, 130, 20}},           {"DevList", {10, 40, 115, 20}},
        {"DatePicker", {10, 62, 115, 20}},           {"LabTimeFrom", {23, 87, 40, 13}},
        {"DateTimePickerFTime", {23, 102, 90, 20}},  {"LabTimeTo", {23, 127, 39, 13}},
        {"DateTimePickerTTime", {23, 142, 90, 20}},  {"LabType", {23, 172, 39, 13}},
        {"CmbType", {23, 187, 88, 20}},              {"LabChn", {23, 222, 39, 13}},
        {"CmbChn", {23, 237, 88, 20}},               {"BtnSearch", {23, 262, 89, 35}},
    };
    return places;
}

const std::vector<NamedRect>& PtzPageGeometry() {
    // The direction pad is one ring: thin arrow bars around the centre button.
    static const std::vector<NamedRect> places{
        {"BtnZoom1", {20, 18, 30, 25}},      {"BtnZoom2", {100, 18, 30, 25}},
        {"BtnFocus1", {20, 60, 30, 25}},     {"BtnFocus2", {100, 60, 30, 25}},
        {"BtnUp", {39, 99, 52, 12}},         {"BtnLeft", {28, 112, 12, 51}},
        {"BtnAuto", {40, 111, 50, 52}},      {"BtnRight", {90, 113, 13, 50}},
        {"BtnDown", {41, 163, 50, 13}},      {"BtnAperture1", {20, 205, 30, 25}},
        {"BtnAperture2", {100, 205, 30, 25}}, {"BtnBrush1", {21, 245, 30, 25}},
        {"BtnBrush2", {100, 245, 30, 25}},   {"LabelZoom", {52, 24, 40, 13}},
        {"LabelFocus", {52, 66, 40, 13}},    {"LabelIris", {52, 211, 40, 13}},
        {"LabelBrush", {52, 251, 40, 13}},
    };
    return places;
}

QString VersionLabelText(const std::optional<QString>& libraryVersion, const std::optional<QString>& programVersion) {
    if (programVersion) return QStringLiteral("Ver: %1").arg(*programVersion);
    if (libraryVersion) return QStringLiteral("Ver: %1").arg(*libraryVersion);
    return QStringLiteral("Ver: 9.9.0.0");
}

}  // namespace strovik
