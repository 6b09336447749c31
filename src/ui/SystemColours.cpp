#include "ui/SystemColours.h"

#include <QWidget>

namespace corvane {

namespace {

const QColor kLightMenu(240, 240, 240);
const QColor kLightCaptionText(255, 255, 255);

}  // namespace

bool isDarkPalette(const QPalette& theme) {
    return theme.color(QPalette::Window).lightness() <
           theme.color(QPalette::WindowText).lightness();
}

QColor systemColour(SystemColour which, const QPalette& theme) {
    const bool dark = isDarkPalette(theme);
    switch (which) {
        case SystemColour::COLOR_MENU:
            return dark ? theme.color(QPalette::Button) : kLightMenu;
        case SystemColour::COLOR_CAPTIONTEXT:
            return dark ? theme.color(QPalette::Base) : kLightCaptionText;
        case SystemColour::COLOR_WINDOWTEXT:
            return theme.color(QPalette::WindowText);
        case SystemColour::COLOR_BTNTEXT:
            return theme.color(QPalette::ButtonText);
        case SystemColour::COLOR_HIGHLIGHTTEXT:
            return theme.color(QPalette::HighlightedText);
    }
    return theme.color(QPalette::WindowText);
}

void setSystemColours(QWidget& widget, const QColor& background, SystemColour text) {
    QPalette palette = widget.palette();
    const QColor textColour = systemColour(text, palette);
    const QColor chosenText = systemColour(SystemColour::COLOR_HIGHLIGHTTEXT, palette);
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        palette.setColor(role, background);
    }
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(group, role, textColour);
        }
        palette.setColor(group, QPalette::HighlightedText, chosenText);
    }
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace corvane
