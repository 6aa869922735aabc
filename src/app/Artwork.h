#pragma once

#include <QIcon>
#include <QPixmap>

class QApplication;
class QPainter;

namespace strovik {

// The pictures of the main window, drawn once at start-up: no image files ship with the program.
enum class Picture {
    FindDevice,
    PlayAll,
    Snapshot,
    ScreenMode,
    FloatWindow,
    Setup,
    Help,
    Power,
    Speaker,
    PageLogin,
    PageDevices,
    PagePlayback,
    PagePtz,
    ArrowUp,
    ArrowDown,
    ArrowLeft,
    ArrowRight,
    PtzAuto,
    Minus,
    Plus,
    Copying,       // a recording on its way from the device to a file
    CopyComplete,  // the copy is done
};

QIcon PictureIcon(Picture picture);
// The tree's image list: index 1..9 (see TreeIconFor); a null icon for other indexes.
QIcon TreeIcon(int index);
// The window and tray icon.
QIcon ApplicationIcon();
// Draws the application icon into the square (0, 0, side, side) of painter: the window icon, and
// the installed icon files rendered from it at build time (tools/IconRenderer).
void PaintApplicationIcon(QPainter& painter, double side);
// The bottom bar's background, for a bar of the given size.
QPixmap BottomBarBackground(QSize size);

// The program's look: the Fusion style with a dark palette and hints after 500 ms.
void ApplyProgramLook(QApplication& application);

}  // namespace strovik
