#include "Lettering.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>

#include "ui/SerifFace.h"

namespace corvane::skin {

namespace {

constexpr int kDesignPixels = 100;  // glyph outlines are built at this size, then scaled
constexpr double kLabelScale = 22.0 / kDesignPixels;  // labels are set at 22 px

QFont letteringFont(bool bold, bool italic) {
    QFont font;
    font.setFamilies(serifFamilies());
    font.setPixelSize(kDesignPixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setKerning(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath textPath(const QFont& font, const QString& text, double x = 0.0) {
    QPainterPath path;
    path.addText(x, 0.0, font, text);
    return path;
}

// Maps `path` so that its ink takes `scaleX` by `scaleY` and its ink box centre lands on
// `centreX` with the bottom of the ink on `bottom`.
QPainterPath placed(const QPainterPath& path, double scaleX, double scaleY, double centreX,
                    double bottom) {
    const QRectF ink = path.boundingRect();
    QTransform transform;
    transform.translate(centreX, bottom);
    transform.scale(scaleX, scaleY);
    transform.translate(-ink.center().x(), -ink.bottom());
    return transform.map(path);
}

}  // namespace

void drawTitle(QPainter& painter) {
    const QRectF area = kTitleArea.toRectF();

    // "Corvane" large, the model and version mark smaller on the same baseline.
    const QPainterPath name = textPath(letteringFont(true, true), "Corvane");
    const double nameRight = name.boundingRect().right();
    const QPainterPath mark = textPath(letteringFont(false, true), "MIDI Filter  V1.0");
    const double markWidth = mark.boundingRect().width();

    // Pick the mark's size so that the whole line has the area's proportions; the outline
    // carries its own shadow offset, so leave two pixels of room for it.
    constexpr double kShadow = 2.0;
    constexpr double kGapEm = 0.28;
    const double nameHeight = name.boundingRect().height();
    const double targetWidth = (area.width() - kShadow) / (area.height() - kShadow) * nameHeight;
    const double gap = kGapEm * kDesignPixels;
    const double markScale =
        std::clamp((targetWidth - name.boundingRect().width() - gap) / markWidth, 0.3, 0.8);

    QTransform markPlace;
    markPlace.translate(nameRight + gap, 0.0);
    markPlace.scale(markScale, markScale);
    markPlace.translate(-mark.boundingRect().left(), 0.0);
    QPainterPath line = name;
    line.addPath(markPlace.map(mark));

    const QRectF ink = line.boundingRect();
    const double scale =
        std::min((area.width() - kShadow) / ink.width(), (area.height() - kShadow) / ink.height());
    const QPainterPath title = placed(
        line, scale, scale, area.left() + (area.width() - kShadow) / 2.0, area.bottom() - kShadow);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(92, 52, 0));
    painter.drawPath(title.translated(kShadow * 0.75, kShadow));

    const QRectF face = title.boundingRect();
    QLinearGradient gold(face.topLeft(), face.bottomLeft());
    gold.setColorAt(0.0, QColor(255, 246, 168));
    gold.setColorAt(0.42, QColor(255, 222, 40));
    gold.setColorAt(0.58, QColor(250, 196, 0));
    gold.setColorAt(1.0, QColor(232, 160, 0));
    painter.setBrush(gold);
    painter.drawPath(title);
    painter.restore();
}

void drawLabel(QPainter& painter, const SkinLabel& label) {
    const QPainterPath text = textPath(letteringFont(false, false), label.text);
    const QRectF box = label.box.toRectF();
    const double scaleX = std::min(kLabelScale, box.width() / text.boundingRect().width());
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kLabelColour));
    painter.drawPath(placed(text, scaleX, kLabelScale, box.center().x(), box.bottom()));
    painter.restore();
}

}  // namespace corvane::skin
