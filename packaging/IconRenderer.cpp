// Renders the application icon into the files a desktop's menu shows: one PNG per size and an
// SVG, drawn by the same painting as the window icon so that the two never drift apart.
// Usage: strovik-icon-renderer OUTPUT_DIR NAME SIZE... ; writes OUTPUT_DIR/SIZExSIZE/NAME.png and
// OUTPUT_DIR/scalable/NAME.svg.
#include "app/Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr int kSvgSide = 256;

bool renderPng(const QDir& output, const QString& name, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        strovik::PaintApplicationIcon(painter, side);
    }
    const QString folder = QStringLiteral("%1x%1").arg(side);
    return output.mkpath(folder) && image.save(output.filePath(folder + QLatin1Char('/') + name + QLatin1String(".png")));
}

bool renderSvg(const QDir& output, const QString& name) {
    if (!output.mkpath(QStringLiteral("scalable"))) return false;
    QSvgGenerator svg;
    svg.setFileName(output.filePath(QStringLiteral("scalable/") + name + QLatin1String(".svg")));
    svg.setSize(QSize(kSvgSide, kSvgSide));
    svg.setViewBox(QRect(0, 0, kSvgSide, kSvgSide));
    svg.setTitle(name);
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    strovik::PaintApplicationIcon(painter, kSvgSide);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
    // A build machine has no display; the icon needs no fonts or windows.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QDir output(arguments.at(1));
    const QString& name = arguments.at(2);
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        bool ok = false;
        const int side = arguments.at(i).toInt(&ok);
        if (!ok || side <= 0 || !renderPng(output, name, side)) {
            std::fprintf(stderr, "cannot render the %s px icon\n", qPrintable(arguments.at(i)));
            return 1;
        }
    }
    if (!renderSvg(output, name)) {
        std::fputs("cannot render the SVG icon\n", stderr);
        return 1;
    }
    return 0;
}
