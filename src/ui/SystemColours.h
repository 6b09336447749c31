#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace corvane {

// The system colours that the window's design names.
enum class SystemColour {
    COLOR_MENU,           // background of the lists
    COLOR_CAPTIONTEXT,    // background of the window, the check boxes and the pattern box
    COLOR_WINDOWTEXT,     // text on those backgrounds
    COLOR_BTNTEXT,        // text of the buttons
    COLOR_HIGHLIGHTTEXT,  // text of a chosen item
};

// A palette is dark when its window is darker than the text on it.
bool isDarkPalette(const QPalette& theme);

// A system colour under the current theme, given by its palette. A light theme keeps the
// design's backgrounds, RGB(240, 240, 240) for menus and white for caption text; a dark theme
// gives them its button and base colours. Texts always come from the theme's text colours, so
// a background and the text on it are both light or both dark themed.
QColor systemColour(SystemColour which, const QPalette& theme);

// Gives the widget a filled background of the colour and its text the system colour text,
// both taken from the widget's theme; disabled text keeps the theme's own look.
void setSystemColours(QWidget& widget, const QColor& background, SystemColour text);

}  // namespace corvane
