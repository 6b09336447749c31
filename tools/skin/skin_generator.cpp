// Draws the main window's skin picture, the window icon and the desktop icons.
// Usage: corvane-skingen SKIN_DIR ICON_DIR
//   SKIN_DIR/skin.png, SKIN_DIR/icon.png and their @2x twice-as-fine pictures: embedded in the
//   editor
//   ICON_DIR/hicolor/NxN/apps/<id>.png (N = 16 ... 256), ICON_DIR/hicolor/scalable/apps/<id>.svg

#include "ColourKey.h"
#include "Lettering.h"
#include "LogoMark.h"
#include "PanelArt.h"
#include "ui/skin/SkinLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

using namespace corvane::skin;

// The skin at scale pixels per skin pixel.
QImage drawSkin(int scale) {
    QImage skin(kSkinWidth * scale, kSkinHeight * scale, QImage::Format_RGB32);
    skin.fill(QColor(kPanelColour));
    QPainter painter(&skin);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    drawPanel(painter);
    drawPillars(painter);
    drawEngraving(painter);
    drawTitle(painter);
    const QRectF logoArea = kLogoArea.toRectF();
    const double side = logoArea.height();
    drawLogo(painter, QRectF(logoArea.left() + std::floor((logoArea.width() - side) / 2.0),
                             logoArea.top(), side, side));
    for (const SkinLabel& label : kLabels) {
        drawLabel(painter, label);
    }
    painter.end();

    const int nudged = nudgeStrayKeyPixels(skin, scale);
    if (nudged > 0) {
        std::printf("moved %d drawn pixels off the key colour\n", nudged);
    }
    paintKeyBands(skin, scale);
    return skin.convertToFormat(QImage::Format_RGB888);
}

constexpr const char* kDesktopIconName = "io.github.corvane.Editor";
constexpr std::array kDesktopIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kSvgSide = 256;  // user units of the scalable icon's view box

bool save(const QImage& image, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%d x %d)\n", qPrintable(path), image.width(), image.height());
    return true;
}

bool saveScalableIcon(const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        std::fprintf(stderr, "cannot create the folder of %s\n", qPrintable(path));
        return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSide, kSvgSide));
    svg.setViewBox(QRect(0, 0, kSvgSide, kSvgSide));
    svg.setTitle(QStringLiteral("Corvane Editor"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    drawLogo(painter, QRectF(0.0, 0.0, kSvgSide, kSvgSide));
    painter.end();
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

bool saveDesktopIcons(const QDir& out) {
    const QString name = QString::fromLatin1(kDesktopIconName);
    for (int size : kDesktopIconSizes) {
        const QString path =
            out.filePath(QStringLiteral("hicolor/%1x%1/apps/%2.png").arg(size).arg(name));
        if (!save(logoIcon(size, Qt::transparent), path)) {
            return false;
        }
    }
    return saveScalableIcon(out.filePath(QStringLiteral("hicolor/scalable/apps/%1.svg").arg(name)));
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SKIN_DIR ICON_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir iconOut(QString::fromLocal8Bit(argv[2]));

    for (const auto& [scale, suffix] : {std::pair{1, ""}, std::pair{2, "@2x"}}) {
        const QImage skin = drawSkin(scale);
        if (!keyColourConfined(skin, scale)) {
            std::fprintf(stderr, "key colour outside the key bands or missing inside them\n");
            return 1;
        }
        const QImage icon = logoIcon(kIconSize * scale, QColor(kPanelColour))
                                .convertToFormat(QImage::Format_RGB888);
        if (!save(skin, out.filePath(QStringLiteral("skin%1.png").arg(suffix))) ||
            !save(icon, out.filePath(QStringLiteral("icon%1.png").arg(suffix)))) {
            return 1;
        }
    }
    return saveDesktopIcons(iconOut) ? 0 : 1;
}
