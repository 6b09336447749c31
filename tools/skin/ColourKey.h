#pragma once

#include <QImage>

namespace corvane::skin {

// Each function takes the picture's scale: its pixels per skin pixel, 1 or 2.

// Replaces every pixel of the key colour outside the two key bands by the nearest opaque
// colour. Returns how many pixels were changed.
int nudgeStrayKeyPixels(QImage& image, int scale);

// Paints both key bands in exactly the key colour, without antialiasing.
void paintKeyBands(QImage& image, int scale);

// True when the key bands are exactly the key colour and no other pixel is.
bool keyColourConfined(const QImage& image, int scale);

}  // namespace corvane::skin
