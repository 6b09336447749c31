#include "PanelArt.h"

#include "ui/skin/SkinLayout.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <random>

namespace corvane::skin {

namespace {

constexpr int kBevel = 3;        // width of the chamfer along each pillar edge, pixels
constexpr int kScrewInset = 38;  // distance of the screw centres from the window's ends
constexpr double kScrewRadius = 5.5;

// Grey level across a pillar at distance `fromOuter` from its outer edge: a light chamfer
// on the outer side, a brushed face, a dark chamfer falling towards the panel.
int pillarLevel(int fromOuter, int width) {
    const int fromInner = width - 1 - fromOuter;
    if (fromOuter == 0) {
        return 36;
    }
    if (fromOuter <= kBevel) {
        return 76 - 3 * fromOuter;
    }
    if (fromInner == 0) {
        return 12;
    }
    if (fromInner <= kBevel) {
        return 22 + 6 * (kBevel - fromInner + 1) / 2;
    }
    // A rounded face: a soft reflection a third of the way in, darker towards the panel.
    const double t = double(fromOuter - kBevel) / double(width - 2 * kBevel);
    const double reflection = std::exp(-std::pow((t - 0.3) / 0.22, 2.0));
    return int(std::lround(46.0 + 16.0 * reflection - 8.0 * t));
}

// Grey level change along the pillar's ends: a light chamfer at the top, a dark one at the
// bottom of the visible window.
int endShade(int y) {
    if (y < kBevel) {
        return 6 - 2 * y;
    }
    const int fromBottom = kClientHeight - 1 - y;
    if (fromBottom >= 0 && fromBottom < kBevel) {
        return -18 + 5 * fromBottom;
    }
    return 0;
}

QRgb metalGrey(int level) {
    const int v = std::clamp(level, 0, 250);
    return qRgb(v, std::max(v - 1, 0), std::max(v - 1, 0));
}

// Brushed metal: a fixed random offset per column gives fine vertical streaks.
QImage pillarTexture(const PixelBox& box, bool outerOnLeft) {
    QImage texture(box.width(), box.height(), QImage::Format_RGB32);
    std::mt19937 random(0xC0A7u + unsigned(box.left));
    std::uniform_int_distribution<int> streak(-2, 2);
    std::uniform_int_distribution<int> grain(-1, 1);
    for (int x = 0; x < box.width(); ++x) {
        const int fromOuter = outerOnLeft ? x : box.width() - 1 - x;
        const int base = pillarLevel(fromOuter, box.width());
        const bool face = fromOuter > kBevel && fromOuter < box.width() - 1 - kBevel;
        const int columnStreak = face ? streak(random) : 0;
        for (int y = 0; y < box.height(); ++y) {
            const int noise = face ? grain(random) : 0;
            texture.setPixel(x, y, metalGrey(base + columnStreak + noise + endShade(y)));
        }
    }
    return texture;
}

void drawScrew(QPainter& painter, QPointF centre) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(10, 10, 10));
    painter.drawEllipse(centre + QPointF(0.0, 0.6), kScrewRadius + 1.2, kScrewRadius + 1.2);

    QRadialGradient head(centre - QPointF(1.8, 2.2), kScrewRadius * 1.6);
    head.setColorAt(0.0, QColor(84, 83, 82));
    head.setColorAt(0.55, QColor(58, 57, 57));
    head.setColorAt(1.0, QColor(30, 30, 30));
    painter.setBrush(head);
    painter.drawEllipse(centre, kScrewRadius, kScrewRadius);

    painter.setPen(QPen(QColor(14, 14, 14), 1.6, Qt::SolidLine, Qt::RoundCap));
    const double arm = kScrewRadius - 1.6;
    painter.drawLine(centre + QPointF(-arm, 0.0), centre + QPointF(arm, 0.0));
    painter.drawLine(centre + QPointF(0.0, -arm), centre + QPointF(0.0, arm));
    painter.setPen(QPen(QColor(80, 79, 78, 120), 0.8));
    painter.drawLine(centre + QPointF(-arm, 1.1), centre + QPointF(-1.0, 1.1));
    painter.restore();
}

void drawPillar(QPainter& painter, const PixelBox& box, bool outerOnLeft) {
    painter.drawImage(QPointF(box.left, box.top), pillarTexture(box, outerOnLeft));
    const double faceCentre = outerOnLeft ? box.left + (box.width() + 1) / 2.0 - 0.5
                                          : box.right + 1 - (box.width() + 1) / 2.0 + 0.5;
    drawScrew(painter, QPointF(faceCentre, kScrewInset + 0.5));
    drawScrew(painter, QPointF(faceCentre, kClientHeight - 1 - kScrewInset + 0.5));
}

// One engraved stroke: a dark cut with a faint lit lip below and to the right of it.
void engrave(QPainter& painter, const QPainterPath& path) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(44, 44, 46), 1.0));
    painter.drawPath(path.translated(1.0, 1.0));
    painter.setPen(QPen(QColor(4, 4, 4), 1.0));
    painter.drawPath(path);
    painter.restore();
}

QPainterPath framePath(const EngravedFrame& frame) {
    constexpr double kRadius = 7.0;
    constexpr double kHeadingGap = 7.0;
    const QRectF r(frame.box.left + 0.5, frame.box.top + 0.5, frame.box.width() - 2.0,
                   frame.box.height() - 2.0);
    QPainterPath path;
    if (frame.heading == nullptr) {
        path.addRoundedRect(r, kRadius, kRadius);
        return path;
    }
    const double gapLeft = frame.heading->box.left - kHeadingGap;
    const double gapRight = frame.heading->box.right + 1 + kHeadingGap;
    path.moveTo(gapRight, r.top());
    path.lineTo(r.right() - kRadius, r.top());
    path.arcTo(r.right() - 2 * kRadius, r.top(), 2 * kRadius, 2 * kRadius, 90.0, -90.0);
    path.lineTo(r.right(), r.bottom() - kRadius);
    path.arcTo(r.right() - 2 * kRadius, r.bottom() - 2 * kRadius, 2 * kRadius, 2 * kRadius, 0.0,
               -90.0);
    path.lineTo(r.left() + kRadius, r.bottom());
    path.arcTo(r.left(), r.bottom() - 2 * kRadius, 2 * kRadius, 2 * kRadius, 270.0, -90.0);
    path.lineTo(r.left(), r.top() + kRadius);
    path.arcTo(r.left(), r.top(), 2 * kRadius, 2 * kRadius, 180.0, -90.0);
    path.lineTo(gapLeft, r.top());
    return path;
}

}  // namespace

void drawPillars(QPainter& painter) {
    drawPillar(painter, kLeftPillar, true);
    drawPillar(painter, kRightPillar, false);
}

void drawPanel(QPainter& painter) {
    const QRectF panel = kPanel.toRectF();
    painter.fillRect(panel, QColor(kPanelColour));

    constexpr int kSheenRows = 100;
    const QRectF sheen(panel.left(), panel.bottom() - kSheenRows, panel.width(), kSheenRows);
    QLinearGradient rise(sheen.topLeft(), sheen.bottomLeft());
    rise.setColorAt(0.0, QColor(255, 255, 255, 0));
    rise.setColorAt(0.7, QColor(255, 255, 255, 7));
    rise.setColorAt(1.0, QColor(255, 255, 255, 16));
    painter.fillRect(sheen, rise);

    // A soft elliptical glow centred on the bottom edge, widest in the middle of the panel.
    QRadialGradient glow(QPointF(0.0, 0.0), 1.0);
    glow.setColorAt(0.0, QColor(255, 255, 255, 10));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.save();
    painter.setClipRect(sheen);
    painter.translate(panel.center().x(), panel.bottom());
    painter.scale(panel.width() * 0.45, kSheenRows * 0.9);
    painter.fillRect(QRectF(-1.0, -1.0, 2.0, 1.0), glow);
    painter.restore();

    // Catch-light on the top edge and along the bottom lip of the panel.
    painter.fillRect(QRectF(panel.left(), panel.top(), panel.width(), 1.0), QColor(36, 36, 37));
    painter.fillRect(QRectF(panel.left(), panel.bottom() - 1.0, panel.width(), 1.0),
                     QColor(52, 52, 53));
}

void drawEngraving(QPainter& painter) {
    for (const EngravedFrame& frame : kFrames) {
        engrave(painter, framePath(frame));
    }
    QPainterPath rule;
    rule.moveTo(kButtonRule.left + 0.5, kButtonRule.top + 0.5);
    rule.lineTo(kButtonRule.right + 0.5, kButtonRule.top + 0.5);
    engrave(painter, rule);
}

}  // namespace corvane::skin
