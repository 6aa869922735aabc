#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace strovik {

// A control's place, by the control's name.
struct NamedRect {
    const char* name;
    QRect rect;
};

// Sizes the layout works with.
inline constexpr int kBottomPictureHeight = 73;  // F, the bottom background picture as created
inline constexpr int kToolColumnWidth = 150;
inline constexpr QSize kToolButtonSize{48, 48};
inline constexpr int kToolButtonPitch = 56;
inline constexpr QSize kPowerButtonSize{40, 40};
inline constexpr QSize kVolumeBarSize{150, 12};
inline constexpr QSize kSpeakerSize{24, 23};
inline constexpr QRect kVersionLabelRect{12, 20, 70, 14};
inline constexpr QSize kRecordButtonSize{104, 26};
inline constexpr QSize kFileListSize{253, 315};
// The layout was designed against the window's outer size, whose caption and borders took this
// much height; we are given the client area and add it back, so that the bottom bar ends at the
// window's bottom edge whatever the window manager draws around it.
inline constexpr int kFrameHeightAllowance = 35;

// Where the main window's regions and bottom bar controls go for a client area of the given size.
// Regions are in main-window coordinates; the bottom bar's controls in the bottom bar's.
struct MainWindowLayout {
    QRect panelRight;        // tool column
    QRect panelFloor;        // video area
    QRect panelBottom;       // bottom bar, below the video area
    QRect imagePlayFloor;    // the bar's stretched background picture
    QRect groupBoxFileList;  // the record file list, floating over the right edge

    QRect findDevBtn;
    QRect playAllBtn;
    QRect snapBtn;
    QRect screenModeBtn;
    QRect winFloatBtn;
    QRect setupBtn;
    QRect helpBtn;
    QRect powerBtn;
    QRect volumeBar;
    QRect audioBtn;
    QRect lblVersion;
    // The record buttons, stacked left of the tool buttons (their design places lay below the
    // bar, where nobody could reach them).
    QRect recAllBtn;
    QRect recChnBtn;
};

MainWindowLayout LayoutMainWindow(QSize clientSize);

// Fixed places inside the tool column's pages.
const std::vector<NamedRect>& LoginPageGeometry();
const std::vector<NamedRect>& RecordPageGeometry();
const std::vector<NamedRect>& PtzPageGeometry();

// The version label: "Ver: " and the program's version, else the player library's, else 9.9.0.0.
QString VersionLabelText(const std::optional<QString>& libraryVersion, const std::optional<QString>& programVersion);

}  // namespace strovik
