#pragma once

#include <QFont>
#include <QStringList>

namespace corvane {

// The face of every text on the window, its controls, the device dialog and the skin's
// lettering. Liberation Serif has the metrics of Times New Roman, so a system without the
// latter never falls back to a wider serif.
inline QStringList serifFamilies() {
    return {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")};
}

inline QFont serifFont(qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies(serifFamilies());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace corvane
