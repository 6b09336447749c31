#pragma once

#include <QImage>

namespace corvane::skin {

// Replaces every pixel of the key colour outside the two key bands by the nearest opaque
// colour. Returns how many pixels were changed.
int nudgeStrayKeyPixels(QImage& image);

// Paints both key bands in exactly the key colour, without antialiasing.
void paintKeyBands(QImage& image);

// True when the key bands are exactly the key colour and no other pixel is.
bool keyColourConfined(const QImage& image);

}  // namespace corvane::skin
