#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

namespace corvane::skin {

// The logo: a grey bevelled plate holding the yellow mark, a socket shell shaped as a "C"
// whose key notch opens to the right around five contact pins.
void drawLogo(QPainter& painter, const QRectF& square);

// The logo alone on a square picture of `size` pixels, for the window icon (on the panel
// colour) and the desktop icons (on a transparent background).
QImage logoIcon(int size, QColor background);

}  // namespace corvane::skin
