// Draws the main window's skin picture and the window icon.
// Usage: corvane-skingen OUTPUT_DIR   (writes OUTPUT_DIR/skin.png and OUTPUT_DIR/icon.png)

#include "ColourKey.h"
#include "Lettering.h"
#include "LogoMark.h"
#include "PanelArt.h"
#include "SkinLayout.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

using namespace corvane::skin;

QImage drawSkin() {
    QImage skin(kSkinWidth, kSkinHeight, QImage::Format_RGB32);
    skin.fill(QColor(kPanelColour));
    QPainter painter(&skin);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
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

    const int nudged = nudgeStrayKeyPixels(skin);
    if (nudged > 0) {
        std::printf("moved %d drawn pixels off the key colour\n", nudged);
    }
    paintKeyBands(skin);
    return skin.convertToFormat(QImage::Format_RGB888);
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%d x %d)\n", qPrintable(path), image.width(), image.height());
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    const QImage skin = drawSkin();
    if (!keyColourConfined(skin)) {
        std::fprintf(stderr, "key colour found outside the key bands or missing inside them\n");
        return 1;
    }
    const QImage icon = logoIcon(kIconSize).convertToFormat(QImage::Format_RGB888);
    return save(skin, out.filePath("skin.png")) && save(icon, out.filePath("icon.png")) ? 0 : 1;
}
