#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

namespace corvane {

// Compares what a window draws, its controls included, with a committed picture in
// tests/ui/reference/: every control's place, size, font and colour shows in the pixels. With
// CORVANE_WRITE_REFERENCE=1 in the environment the picture is written instead, to be looked at
// and committed after a change of look that is meant.
inline void expectLooksLikeReference(QWidget& widget, const QString& name) {
    const QString path = QStringLiteral(CORVANE_UI_REFERENCE_DIR "/") + name + ".png";
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIntValue("CORVANE_WRITE_REFERENCE") == 1) {
        ASSERT_TRUE(shown.save(path)) << path.toStdString();
        return;
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull()) << "no reference picture " << path.toStdString();
    ASSERT_EQ(shown.size(), reference.size());
    QRect differing;
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != reference.pixel(x, y)) {
                ++count;
                differing |= QRect(x, y, 1, 1);
            }
        }
    }
    if (count > 0) {
        const QString kept = QDir::temp().filePath(name + "-shown.png");
        shown.save(kept);
        ADD_FAILURE() << count << " pixels differ from " << path.toStdString() << ", within x "
                      << differing.left() << ".." << differing.right() << ", y " << differing.top()
                      << ".." << differing.bottom()
                      << "; the window as drawn: " << kept.toStdString();
    }
}

}  // namespace corvane
