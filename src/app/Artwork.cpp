#include "app/Artwork.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QRadialGradient>
#include <QStyleFactory>

#include <cmath>
#include <functional>

namespace strovik {

namespace {

const QColor kInk(0xE3, 0xE9, 0xF0);
const QColor kAccent(0x3D, 0xA5, 0xD9);
const QColor kLive(0x3C, 0xC8, 0x5A);
const QColor kDanger(0xE0, 0x4F, 0x4F);

using Painting = std::function<void(QPainter&, double)>;  // draws into a square of side s

QPixmap paint(int side, const Painting& draw) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, side);
    return pixmap;
}

QIcon iconOf(const Painting& draw, std::initializer_list<int> sides = {16, 24, 32, 48, 64}) {
    QIcon icon;
    for (int side : sides) icon.addPixmap(paint(side, draw));
    return icon;
}

QPen pen(const QColor& color, double width) { return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A rounded camera body with a lens, the shape of most pictures here.
void camera(QPainter& p, double s, const QColor& body) {
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.30, s * 0.62, s * 0.44), s * 0.08, s * 0.08);
    QPainterPath lensHood;
    lensHood.moveTo(s * 0.70, s * 0.42);
    lensHood.lineTo(s * 0.94, s * 0.30);
    lensHood.lineTo(s * 0.94, s * 0.74);
    lensHood.lineTo(s * 0.70, s * 0.62);
    lensHood.closeSubpath();
    p.drawPath(lensHood);
    p.setBrush(QColor(0x1B, 0x1F, 0x25));
    p.drawEllipse(QPointF(s * 0.30, s * 0.52), s * 0.11, s * 0.11);
}

void dome(QPainter& p, double s, const QColor& shell) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9A, 0xA5, 0xB1));
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.18, s * 0.76, s * 0.16), s * 0.05, s * 0.05);
    QRadialGradient glass(QPointF(s * 0.42, s * 0.46), s * 0.42);
    glass.setColorAt(0, shell.lighter(150));
    glass.setColorAt(1, shell);
    p.setBrush(glass);
    p.drawChord(QRectF(s * 0.16, s * 0.06, s * 0.68, s * 0.80), 180 * 16, 180 * 16);
    p.setBrush(QColor(0x1B, 0x1F, 0x25));
    p.drawEllipse(QPointF(s * 0.5, s * 0.58), s * 0.10, s * 0.10);
}

void recorderBox(QPainter& p, double s) {
    p.setPen(Qt::NoPen);
    QLinearGradient front(0, s * 0.3, 0, s * 0.75);
    front.setColorAt(0, QColor(0x6B, 0x77, 0x86));
    front.setColorAt(1, QColor(0x3A, 0x42, 0x4D));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.28, s * 0.92, s * 0.46), s * 0.06, s * 0.06);
    p.setBrush(QColor(0x1B, 0x1F, 0x25));
    p.drawRect(QRectF(s * 0.14, s * 0.40, s * 0.44, s * 0.10));
    p.setBrush(kLive);
    p.drawEllipse(QPointF(s * 0.72, s * 0.45), s * 0.05, s * 0.05);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(s * 0.85, s * 0.45), s * 0.05, s * 0.05);
}

void captureCard(QPainter& p, double s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x8F, 0x5B));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.22, s * 0.88, s * 0.48), s * 0.04, s * 0.04);
    p.setBrush(QColor(0x1B, 0x1F, 0x25));
    p.drawRect(QRectF(s * 0.34, s * 0.34, s * 0.30, s * 0.24));
    p.setBrush(QColor(0xD9, 0xB1, 0x4A));
    for (int i = 0; i < 6; ++i) p.drawRect(QRectF(s * (0.14 + i * 0.12), s * 0.72, s * 0.07, s * 0.12));
}

void openedMark(QPainter& p, double s) {
    p.setPen(pen(Qt::white, s * 0.04));
    p.setBrush(kLive);
    p.drawEllipse(QPointF(s * 0.78, s * 0.78), s * 0.18, s * 0.18);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPolygonF play{{s * 0.73, s * 0.70}, {s * 0.73, s * 0.86}, {s * 0.87, s * 0.78}};
    p.drawPolygon(play);
}

void arrow(QPainter& p, double s, double degrees) {
    p.save();
    p.translate(s / 2, s / 2);
    p.rotate(degrees);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    QPolygonF head{{0, -s * 0.38}, {s * 0.36, s * 0.14}, {-s * 0.36, s * 0.14}};
    p.drawPolygon(head);
    p.restore();
}

Painting toolPainting(Picture picture) {
    switch (picture) {
        case Picture::FindDevice:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.09));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(s * 0.42, s * 0.42), s * 0.24, s * 0.24);
                p.drawLine(QPointF(s * 0.60, s * 0.60), QPointF(s * 0.86, s * 0.86));
                p.setPen(pen(kAccent, s * 0.05));
                p.drawArc(QRectF(s * 0.26, s * 0.26, s * 0.32, s * 0.32), 90 * 16, 90 * 16);
            };
        case Picture::PlayAll:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.07));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(QRectF(s * 0.10, s * 0.18, s * 0.80, s * 0.60), s * 0.08, s * 0.08);
                p.setPen(Qt::NoPen);
                p.setBrush(kLive);
                p.drawPolygon(QPolygonF{{s * 0.40, s * 0.32}, {s * 0.40, s * 0.64}, {s * 0.66, s * 0.48}});
                p.setBrush(kInk);
                p.drawRect(QRectF(s * 0.30, s * 0.84, s * 0.40, s * 0.06));
            };
        case Picture::Snapshot:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                p.drawRoundedRect(QRectF(s * 0.08, s * 0.28, s * 0.84, s * 0.56), s * 0.09, s * 0.09);
                p.drawRoundedRect(QRectF(s * 0.32, s * 0.16, s * 0.30, s * 0.16), s * 0.04, s * 0.04);
                p.setBrush(QColor(0x26, 0x2B, 0x33));
                p.drawEllipse(QPointF(s * 0.50, s * 0.56), s * 0.20, s * 0.20);
                p.setBrush(kAccent);
                p.drawEllipse(QPointF(s * 0.50, s * 0.56), s * 0.12, s * 0.12);
            };
        case Picture::ScreenMode:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                for (int row = 0; row < 3; ++row)
                    for (int column = 0; column < 3; ++column) {
                        p.setBrush(row == 0 && column == 0 ? kAccent : kInk);
                        p.drawRoundedRect(QRectF(s * (0.10 + column * 0.28), s * (0.14 + row * 0.25), s * 0.24,
                                                 s * 0.21),
                                          s * 0.03, s * 0.03);
                    }
            };
        case Picture::FloatWindow:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.06));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(QRectF(s * 0.08, s * 0.30, s * 0.56, s * 0.50), s * 0.05, s * 0.05);
                p.setBrush(QColor(0x26, 0x2B, 0x33));
                p.setPen(pen(kAccent, s * 0.06));
                p.drawRoundedRect(QRectF(s * 0.36, s * 0.12, s * 0.56, s * 0.46), s * 0.05, s * 0.05);
                p.drawLine(QPointF(s * 0.36, s * 0.22), QPointF(s * 0.92, s * 0.22));
            };
        case Picture::Setup:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                QPainterPath gear;
                const QPointF centre(s / 2, s / 2);
                for (int tooth = 0; tooth < 8; ++tooth) {
                    QPainterPath t;
                    t.addRoundedRect(QRectF(-s * 0.07, -s * 0.42, s * 0.14, s * 0.20), s * 0.02, s * 0.02);
                    QTransform turn;
                    turn.translate(centre.x(), centre.y());
                    turn.rotate(tooth * 45.0);
                    gear = gear.united(turn.map(t));
                }
                QPainterPath ring;
                ring.addEllipse(centre, s * 0.30, s * 0.30);
                gear = gear.united(ring);
                QPainterPath hole;
                hole.addEllipse(centre, s * 0.12, s * 0.12);
                p.drawPath(gear.subtracted(hole));
            };
        case Picture::Help:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.07));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(s / 2, s / 2), s * 0.40, s * 0.40);
                QFont font = p.font();
                font.setPixelSize(static_cast<int>(s * 0.52));
                font.setBold(true);
                p.setFont(font);
                p.setPen(kAccent);
                p.drawText(QRectF(0, 0, s, s * 1.02), Qt::AlignCenter, QStringLiteral("?"));
            };
        case Picture::Power:
            return [](QPainter& p, double s) {
                QRadialGradient face(QPointF(s * 0.42, s * 0.36), s * 0.6);
                face.setColorAt(0, kDanger.lighter(130));
                face.setColorAt(1, kDanger.darker(140));
                p.setPen(Qt::NoPen);
                p.setBrush(face);
                p.drawEllipse(QPointF(s / 2, s / 2), s * 0.46, s * 0.46);
                p.setPen(pen(Qt::white, s * 0.08));
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(s * 0.27, s * 0.29, s * 0.46, s * 0.46), 125 * 16, 290 * 16);
                p.drawLine(QPointF(s / 2, s * 0.20), QPointF(s / 2, s * 0.48));
            };
        case Picture::Speaker:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                p.drawPolygon(QPolygonF{{s * 0.10, s * 0.38},
                                        {s * 0.28, s * 0.38},
                                        {s * 0.52, s * 0.16},
                                        {s * 0.52, s * 0.84},
                                        {s * 0.28, s * 0.62},
                                        {s * 0.10, s * 0.62}});
                p.setPen(pen(kInk, s * 0.07));
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(s * 0.40, s * 0.30, s * 0.30, s * 0.40), -50 * 16, 100 * 16);
                p.drawArc(QRectF(s * 0.36, s * 0.16, s * 0.50, s * 0.68), -50 * 16, 100 * 16);
            };
        case Picture::PageLogin:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                p.drawEllipse(QPointF(s * 0.5, s * 0.34), s * 0.17, s * 0.17);
                p.drawChord(QRectF(s * 0.18, s * 0.56, s * 0.64, s * 0.56), 0, 180 * 16);
            };
        case Picture::PageDevices:
            return [](QPainter& p, double s) { recorderBox(p, s); };
        case Picture::PagePlayback:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                p.drawRoundedRect(QRectF(s * 0.12, s * 0.18, s * 0.76, s * 0.64), s * 0.06, s * 0.06);
                p.setBrush(QColor(0x26, 0x2B, 0x33));
                for (int i = 0; i < 4; ++i) {
                    p.drawRect(QRectF(s * (0.18 + i * 0.18), s * 0.22, s * 0.09, s * 0.08));
                    p.drawRect(QRectF(s * (0.18 + i * 0.18), s * 0.70, s * 0.09, s * 0.08));
                }
                p.setBrush(kAccent);
                p.drawPolygon(QPolygonF{{s * 0.42, s * 0.38}, {s * 0.42, s * 0.62}, {s * 0.62, s * 0.50}});
            };
        case Picture::PagePtz:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.07));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(s / 2, s / 2), s * 0.38, s * 0.38);
                p.setPen(Qt::NoPen);
                p.setBrush(kAccent);
                p.drawEllipse(QPointF(s / 2, s / 2), s * 0.12, s * 0.12);
                p.setBrush(kInk);
                for (int quarter = 0; quarter < 4; ++quarter) {
                    p.save();
                    p.translate(s / 2, s / 2);
                    p.rotate(quarter * 90.0);
                    p.drawPolygon(QPolygonF{{0, -s * 0.32}, {s * 0.08, -s * 0.22}, {-s * 0.08, -s * 0.22}});
                    p.restore();
                }
            };
        case Picture::ArrowUp:
            return [](QPainter& p, double s) { arrow(p, s, 0); };
        case Picture::ArrowRight:
            return [](QPainter& p, double s) { arrow(p, s, 90); };
        case Picture::ArrowDown:
            return [](QPainter& p, double s) { arrow(p, s, 180); };
        case Picture::ArrowLeft:
            return [](QPainter& p, double s) { arrow(p, s, 270); };
        case Picture::PtzAuto:
            return [](QPainter& p, double s) {
                p.setPen(pen(kAccent, s * 0.08));
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.6), 30 * 16, 300 * 16);
                p.setPen(Qt::NoPen);
                p.setBrush(kAccent);
                p.drawPolygon(QPolygonF{{s * 0.74, s * 0.16}, {s * 0.86, s * 0.40}, {s * 0.62, s * 0.38}});
            };
        case Picture::Minus:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.14));
                p.drawLine(QPointF(s * 0.22, s * 0.5), QPointF(s * 0.78, s * 0.5));
            };
        case Picture::Plus:
            return [](QPainter& p, double s) {
                p.setPen(pen(kInk, s * 0.14));
                p.drawLine(QPointF(s * 0.22, s * 0.5), QPointF(s * 0.78, s * 0.5));
                p.drawLine(QPointF(s * 0.5, s * 0.22), QPointF(s * 0.5, s * 0.78));
            };
        case Picture::Copying:
            return [](QPainter& p, double s) {
                // A disk under an arrow pointing down into it.
                p.setPen(Qt::NoPen);
                p.setBrush(kInk);
                p.drawRoundedRect(QRectF(s * 0.12, s * 0.62, s * 0.76, s * 0.26), s * 0.06, s * 0.06);
                p.setBrush(kLive);
                p.drawEllipse(QPointF(s * 0.76, s * 0.75), s * 0.04, s * 0.04);
                p.setBrush(kAccent);
                p.drawRect(QRectF(s * 0.42, s * 0.08, s * 0.16, s * 0.30));
                p.drawPolygon(QPolygonF{{s * 0.26, s * 0.36}, {s * 0.74, s * 0.36}, {s * 0.50, s * 0.58}});
            };
        case Picture::CopyComplete:
            return [](QPainter& p, double s) {
                p.setPen(Qt::NoPen);
                p.setBrush(kLive);
                p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.42, s * 0.42);
                p.setPen(pen(kInk, s * 0.10));
                p.drawPolyline(QPolygonF{{s * 0.30, s * 0.52}, {s * 0.44, s * 0.66}, {s * 0.70, s * 0.36}});
            };
    }
    return [](QPainter&, double) {};
}

// Hints (tooltips) show after half a second.
class ProgramStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

QIcon PictureIcon(Picture picture) { return iconOf(toolPainting(picture)); }

QIcon TreeIcon(int index) {
    switch (index) {
        case 1:
            return iconOf([](QPainter& p, double s) { captureCard(p, s); });
        case 2:
            return iconOf([](QPainter& p, double s) { camera(p, s, QColor(0x8F, 0x9B, 0xA8)); });
        case 3:
            return iconOf([](QPainter& p, double s) { dome(p, s, kLive.darker(120)); });
        case 4:
        case 5:
            return iconOf([](QPainter& p, double s) { dome(p, s, kAccent); });
        case 6:
            return iconOf([](QPainter& p, double s) { recorderBox(p, s); });
        case 7:
            return iconOf([](QPainter& p, double s) {
                captureCard(p, s);
                openedMark(p, s);
            });
        case 8:
            return iconOf([](QPainter& p, double s) {
                dome(p, s, kAccent);
                openedMark(p, s);
            });
        case 9:
            return iconOf([](QPainter& p, double s) {
                recorderBox(p, s);
                openedMark(p, s);
            });
        default:
            return {};
    }
}

void PaintApplicationIcon(QPainter& p, double s) {
    QRadialGradient ring(QPointF(s * 0.4, s * 0.35), s * 0.6);
    ring.setColorAt(0, QColor(0x55, 0x62, 0x72));
    ring.setColorAt(1, QColor(0x1E, 0x23, 0x2A));
    p.setPen(pen(kAccent, s * 0.06));
    p.setBrush(ring);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.44, s * 0.44);
    QRadialGradient lens(QPointF(s * 0.44, s * 0.42), s * 0.26);
    lens.setColorAt(0, kAccent.lighter(160));
    lens.setColorAt(0.6, kAccent.darker(150));
    lens.setColorAt(1, QColor(0x0C, 0x10, 0x16));
    p.setPen(Qt::NoPen);
    p.setBrush(lens);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.24, s * 0.24);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(s * 0.42, s * 0.40), s * 0.06, s * 0.06);
    p.setBrush(kDanger);
    p.drawEllipse(QPointF(s * 0.78, s * 0.22), s * 0.07, s * 0.07);
}

QIcon ApplicationIcon() { return iconOf(PaintApplicationIcon, {16, 24, 32, 48, 64, 128, 256}); }

QPixmap BottomBarBackground(QSize size) {
    QPixmap pixmap(size.expandedTo(QSize(1, 1)));
    QPainter p(&pixmap);
    QLinearGradient shade(0, 0, 0, pixmap.height());
    shade.setColorAt(0, QColor(0x3A, 0x41, 0x4C));
    shade.setColorAt(0.08, QColor(0x2C, 0x32, 0x3B));
    shade.setColorAt(1, QColor(0x16, 0x19, 0x1E));
    p.fillRect(pixmap.rect(), shade);
    p.setPen(QColor(0x56, 0x60, 0x6D));
    p.drawLine(0, 0, pixmap.width(), 0);
    p.setPen(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 90));
    p.drawLine(0, 1, pixmap.width(), 1);
    return pixmap;
}

void ApplyProgramLook(QApplication& application) {
    application.setStyle(new ProgramStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2A, 0x2F, 0x36));
    dark.setColor(QPalette::WindowText, kInk);
    dark.setColor(QPalette::Base, QColor(0x1E, 0x22, 0x28));
    dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x2B, 0x32));
    dark.setColor(QPalette::ToolTipBase, QColor(0xF5, 0xF2, 0xD0));
    dark.setColor(QPalette::ToolTipText, Qt::black);
    dark.setColor(QPalette::Text, kInk);
    dark.setColor(QPalette::Button, QColor(0x35, 0x3C, 0x45));
    dark.setColor(QPalette::ButtonText, kInk);
    dark.setColor(QPalette::Highlight, kAccent);
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, kAccent);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x88, 0x92));
    dark.setColor(QPalette::Disabled, QPalette::Base, QColor(0x26, 0x2A, 0x30));
    application.setPalette(dark);
    application.setWindowIcon(ApplicationIcon());
}

}  // namespace strovik
