#include "ColourKey.h"

#include "SkinLayout.h"

namespace corvane::skin {

namespace {

bool inKeyBand(int x, int y) {
    return kTopKeyBand.contains(x, y) || kBottomKeyBand.contains(x, y);
}

bool isKey(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & RGB_MASK) == (kKeyColour & RGB_MASK);
}

}  // namespace

int nudgeStrayKeyPixels(QImage& image) {
    int changed = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inKeyBand(x, y) && isKey(image, x, y)) {
                image.setPixel(x, y, kNearKeyColour);
                ++changed;
            }
        }
    }
    return changed;
}

void paintKeyBands(QImage& image) {
    for (const PixelBox& band : {kTopKeyBand, kBottomKeyBand}) {
        for (int y = band.top; y <= band.bottom; ++y) {
            for (int x = band.left; x <= band.right; ++x) {
                image.setPixel(x, y, kKeyColour);
            }
        }
    }
}

bool keyColourConfined(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isKey(image, x, y) != inKeyBand(x, y)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace corvane::skin
