#include "ColourKey.h"

#include "ui/skin/SkinLayout.h"

namespace corvane::skin {

namespace {

bool inKeyBand(int x, int y, int scale) {
    return kTopKeyBand.contains(x / scale, y / scale) ||
           kBottomKeyBand.contains(x / scale, y / scale);
}

bool isKey(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & RGB_MASK) == (kKeyColour & RGB_MASK);
}

}  // namespace

int nudgeStrayKeyPixels(QImage& image, int scale) {
    int changed = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inKeyBand(x, y, scale) && isKey(image, x, y)) {
                image.setPixel(x, y, kNearKeyColour);
                ++changed;
            }
        }
    }
    return changed;
}

void paintKeyBands(QImage& image, int scale) {
    for (const PixelBox& band : {kTopKeyBand, kBottomKeyBand}) {
        for (int y = band.top * scale; y < (band.bottom + 1) * scale; ++y) {
            for (int x = band.left * scale; x < (band.right + 1) * scale; ++x) {
                image.setPixel(x, y, kKeyColour);
            }
        }
    }
}

bool keyColourConfined(const QImage& image, int scale) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isKey(image, x, y) != inKeyBand(x, y, scale)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace corvane::skin
