// Packs a picture of the skin for the editor (see SkinPack.h).
// Usage: corvane-skinpack skin SKIN_PNG OUT   the skin's pixels and the window's shape
//        corvane-skinpack fine SKIN_PNG OUT   the skin at twice the pixels each way
//        corvane-skinpack icon ICON_PNG OUT   an icon's pixels, with their alpha
// Run at build time; OUT is embedded in the editor's resources.

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdio>
#include <cstring>

#include "ui/skin/SkinLayout.h"
#include "ui/skin/SkinPack.h"

int main(int argc, char* argv[]) {
    const bool isSkin = argc == 4 && std::strcmp(argv[1], "skin") == 0;
    const bool isFine = argc == 4 && std::strcmp(argv[1], "fine") == 0;
    const bool isIcon = argc == 4 && std::strcmp(argv[1], "icon") == 0;
    if (!isSkin && !isFine && !isIcon) {
        std::fprintf(stderr, "usage: corvane-skinpack skin|fine|icon PNG OUT\n");
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[2]));
    if (picture.isNull()) {
        std::fprintf(stderr, "corvane-skinpack: cannot read %s\n", argv[2]);
        return 1;
    }
    using namespace corvane;
    QByteArray packed;
    if (isSkin || isFine) {
        const int scale = isFine ? 2 : 1;
        if (picture.size() != QSize(skin::kSkinWidth, skin::kSkinHeight) * scale) {
            std::fprintf(stderr, "corvane-skinpack: %s is not a %d x %d picture\n", argv[2],
                         skin::kSkinWidth * scale, skin::kSkinHeight * scale);
            return 1;
        }
        const QRegion shape =
            isSkin ? skinShape(picture, QSize(skin::kSkinWidth, skin::kClientHeight)) : QRegion();
        packed = packPicture(picture.convertToFormat(QImage::Format_RGB32), shape);
    } else {
        packed = packPicture(picture.convertToFormat(QImage::Format_ARGB32), QRegion());
    }
    QFile out(QString::fromLocal8Bit(argv[3]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(packed) != packed.size() || !out.flush()) {
        std::fprintf(stderr, "corvane-skinpack: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
