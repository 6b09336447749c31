#include "LogoMark.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace corvane::skin {

namespace {

// Proportions of the mark, as fractions of the plate's side.
constexpr double kShellOuter = 0.37;
constexpr double kShellInner = 0.255;
constexpr double kNotchHalfAngle = 36.0;  // degrees either side of the rightward axis
constexpr double kPinCircle = 0.15;
constexpr double kPinRadius = 0.047;
// The notch makes the shell look lighter on the right; shifting it right centres it to the eye.
constexpr double kOpticalShift = 0.03;

QPainterPath shellPath(QPointF centre, double outer, double inner) {
    const double sweep = 360.0 - 2.0 * kNotchHalfAngle;
    QPainterPath path;
    path.arcMoveTo(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer),
                   kNotchHalfAngle);
    path.arcTo(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer),
               kNotchHalfAngle, sweep);
    path.arcTo(QRectF(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner),
               kNotchHalfAngle + sweep, -sweep);
    path.closeSubpath();
    return path;
}

// Five pins on a half circle opening towards the notch, as on a five-pin socket.
QPainterPath pinsPath(QPointF centre, double circle, double radius) {
    QPainterPath path;
    for (int pin = 0; pin < 5; ++pin) {
        const double angle = (90.0 + 45.0 * pin) * std::numbers::pi / 180.0;
        const QPointF at(centre.x() + circle * std::cos(angle),
                         centre.y() - circle * std::sin(angle));
        path.addEllipse(at, radius, radius);
    }
    return path;
}

void drawPlate(QPainter& painter, const QRectF& square) {
    const double side = square.width();
    const double radius = side * 0.1;
    painter.setPen(Qt::NoPen);

    painter.setBrush(QColor(8, 8, 8));
    painter.drawRoundedRect(square, radius, radius);

    const QRectF rim = square.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient edge(rim.topLeft(), rim.bottomRight());
    edge.setColorAt(0.0, QColor(196, 196, 198));
    edge.setColorAt(0.5, QColor(128, 128, 130));
    edge.setColorAt(1.0, QColor(62, 62, 64));
    painter.setBrush(edge);
    painter.drawRoundedRect(rim, radius, radius);

    const double bevel = std::max(1.5, side * 0.05);
    const QRectF face = rim.adjusted(bevel, bevel, -bevel, -bevel);
    QLinearGradient brushed(face.topLeft(), face.bottomLeft());
    brushed.setColorAt(0.0, QColor(142, 142, 144));
    brushed.setColorAt(0.5, QColor(116, 116, 118));
    brushed.setColorAt(1.0, QColor(98, 98, 100));
    painter.setBrush(brushed);
    painter.drawRoundedRect(face, radius * 0.7, radius * 0.7);
}

void drawMark(QPainter& painter, const QRectF& square) {
    const double side = square.width();
    const QPointF centre = square.center() + QPointF(kOpticalShift * side, 0.0);
    QPainterPath mark = shellPath(centre, kShellOuter * side, kShellInner * side);
    mark.addPath(pinsPath(centre, kPinCircle * side, kPinRadius * side));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(52, 40, 14, 170));
    const double drop = std::max(0.7, side * 0.025);
    painter.drawPath(mark.translated(drop, drop));

    QRadialGradient gold(centre - QPointF(side * 0.12, side * 0.16), side * 0.5);
    gold.setColorAt(0.0, QColor(255, 240, 140));
    gold.setColorAt(0.45, QColor(255, 212, 24));
    gold.setColorAt(1.0, QColor(226, 154, 0));
    painter.setBrush(gold);
    painter.drawPath(mark);
}

}  // namespace

void drawLogo(QPainter& painter, const QRectF& square) {
    painter.save();
    drawPlate(painter, square);
    drawMark(painter, square);
    painter.restore();
}

QImage logoIcon(int size, QColor background) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(background);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    drawLogo(painter, QRectF(0.0, 0.0, size, size));
    painter.end();
    return icon;
}

}  // namespace corvane::skin
