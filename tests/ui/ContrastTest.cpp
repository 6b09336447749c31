#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

#include "MainWindowFixture.h"
#include "ui/ControlLayout.h"
#include "ui/frmMain.h"

namespace corvane {
namespace {

// Relative luminance of a colour, 0 (black) to 1 (white), from its gamma-encoded channels.
double luminance(QRgb pixel) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) +
           0.0722 * linear(qBlue(pixel));
}

// Contrast ratio of two colours, 1 to 21.
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The commonest colour of the area is its background; the text is the colour that stands out
// most from it.
double textContrast(const QImage& shot, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[shot.pixel(x, y) | 0xFF000000u];
        }
    }
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    double best = 1.0;
    for (const auto& [colour, count] : counts) {
        best = std::max(best, contrast(colour, background));
    }
    return best;
}

class ContrastTest : public MainWindowFixture {
  protected:
    // The window as the screen shows it. Painted and handed to the display at once; the grab,
    // on the same connection, comes after it.
    QImage shot() const {
        window->repaint();
        return window->screen()
            ->grabWindow(window->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // A rectangle in the window's pixels, in the shot's device pixels.
    static QRect inShot(const QRect& place, const QImage& shot) {
        const double ratio = shot.width() / static_cast<double>(kWindowWidth);
        return {QPoint(std::lround(place.left() * ratio), std::lround(place.top() * ratio)),
                QPoint(std::lround(place.right() * ratio), std::lround(place.bottom() * ratio))};
    }
};

// Every enabled control that shows text, on the screen as the current theme paints it.
TEST_F(ContrastTest, EnabledControlsTextIsReadable) {
    if (qEnvironmentVariableIsSet("CORVANE_EXPECT_DARK")) {
        const QPalette palette = window->palette();
        ASSERT_LT(palette.color(QPalette::Window).lightness(),
                  palette.color(QPalette::WindowText).lightness())
            << "the dark theme is not in use";
    }
    showActive();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    std::set<std::string_view> measured;
    // Mode All, then mode One with Specify: every list and the pattern box enabled once.
    for (const bool oneAndSpecify : {false, true}) {
        box("chkCCOne")->setChecked(oneAndSpecify);
        box("chkSysExSpecify")->setChecked(oneAndSpecify);
        const QImage picture = shot();
        ASSERT_FALSE(picture.isNull());
        for (const ControlPlace& place : kControlLayout) {
            const QString name =
                QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size()));
            const QWidget* control = window->findChild<QWidget*>(name);
            ASSERT_NE(control, nullptr) << place.name;
            if (place.kind == ControlKind::Check || !control->isEnabled()) {
                continue;  // a bare check box shows no text
            }
            // Inside the frame, and left of a list's arrow.
            QRect inner = place.geometry.adjusted(4, 4, -4, -4);
            if (place.kind == ControlKind::List) {
                inner.setRight(place.geometry.right() - 20);
            }
            EXPECT_GE(textContrast(picture, inShot(inner, picture)), 4.5)
                << place.name << (oneAndSpecify ? " (One)" : "");
            measured.insert(place.name);
        }
    }
    EXPECT_EQ(measured.size(), 12u) << "six lists, five buttons and the pattern box";
}

// The report line of a failed dump, on the panel under whichever theme is in use, at any scale.
TEST_F(ContrastTest, TheReportLineIsReadable) {
    showActive();
    chooseDevice();
    service.loseOnTheWay(3);
    QTest::mouseClick(button("cmdUpdate"), Qt::LeftButton);
    endDump();
    const auto* line = control<QLabel>("lblTransferReport");
    ASSERT_TRUE(line->isVisible());
    const QImage picture = shot();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(textContrast(picture, inShot(line->geometry(), picture)), 4.5);
}

}  // namespace
}  // namespace corvane
