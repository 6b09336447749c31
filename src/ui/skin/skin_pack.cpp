// Packs a picture of the skin for the editor (see SkinPack.h).
// Usage: corvane-skinpack skin SKIN_PNG OUT   the skin's pixels and the window's shape
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
    const bool isIcon = argc == 4 && std::strcmp(argv[1], "icon") == 0;
    if (!isSkin && !isIcon) {
        std::fprintf(stderr, "usage: corvane-skinpack skin|icon PNG OUT\n");
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[2]));
    if (picture.isNull()) {
        std::fprintf(stderr, "corvane-skinpack: cannot read %s\n", argv[2]);
        return 1;
    }
    using namespace corvane;
    QByteArray packed;
    if (isSkin) {
        if (picture.size() != QSize(skin::kSkinWidth, skin::kSkinHeight)) {
            std::fprintf(stderr, "corvane-skinpack: %s is not a %d x %d picture\n", argv[2],
                         skin::kSkinWidth, skin::kSkinHeight);
            return 1;
        }
        packed = packPicture(picture.convertToFormat(QImage::Format_RGB32),
                             skinShape(picture, QSize(skin::kSkinWidth, skin::kClientHeight)));
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
