#pragma once

#include <QRectF>
#include <QRgb>

#include <array>

#include "ui/ControlLayout.h"

namespace corvane::skin {

// A rectangle of whole pixels, both edges included.
struct PixelBox {
    int left;
    int top;
    int right;
    int bottom;

    constexpr int width() const { return right - left + 1; }
    constexpr int height() const { return bottom - top + 1; }
    constexpr bool contains(int x, int y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
    QRectF toRectF() const { return QRectF(left, top, width(), height()); }
};

constexpr int kSkinWidth = 700;
constexpr int kSkinHeight = 768;
constexpr int kClientHeight = 765;  // rows 765..767 of the picture lie below the window
constexpr int kIconSize = 32;

constexpr PixelBox kLeftPillar{0, 0, 25, 767};
constexpr PixelBox kRightPillar{679, 0, 699, 767};
constexpr PixelBox kTopKeyBand{26, 0, 678, 10};
constexpr PixelBox kBottomKeyBand{26, 760, 678, 767};
constexpr PixelBox kPanel{26, 11, 678, 759};
constexpr PixelBox kTitleArea{77, 70, 559, 107};
constexpr PixelBox kLogoArea{594, 58, 652, 113};

// The window's colour key: every pixel of exactly this colour is see-through.
constexpr QRgb kKeyColour = qRgb(255, 0, 0);
// The nearest opaque colour, used for any drawn pixel that would hit the key by accident.
constexpr QRgb kNearKeyColour = qRgb(254, 0, 0);

constexpr QRgb kPanelColour = qRgb(19, 19, 19);
constexpr QRgb kLabelColour = qRgb(140, 148, 255);

struct SkinLabel {
    const char* text;
    PixelBox box;  // the lettering's ink stays inside this box
};

constexpr std::array<SkinLabel, 15> kLabels{{
    {"MIDI Channel", {100, 178, 227, 193}},
    {"Note Transpose", {100, 222, 237, 241}},
    {"Note Velocity", {100, 268, 223, 288}},
    {"Filter Pitch  Bend", {383, 202, 538, 217}},
    {"Filter After Touch", {383, 244, 543, 259}},
    {"Filter Control Change", {78, 335, 269, 355}},
    {"All", {101, 382, 128, 397}},
    {"CC Number", {195, 382, 300, 397}},
    {"Enable", {492, 382, 550, 397}},
    {"One", {102, 424, 136, 439}},
    {"Preset", {194, 424, 246, 439}},
    {"CC Number", {327, 424, 432, 439}},
    {"Filter SysEx", {83, 489, 191, 509}},
    {"All", {102, 532, 129, 547}},
    {"Specify", {67, 573, 132, 593}},
}};

// Engraved frames grouping the controls; a heading, when given, breaks the top edge.
struct EngravedFrame {
    PixelBox box;
    const SkinLabel* heading;  // null for a closed frame
};

constexpr std::array<EngravedFrame, 3> kFrames{{
    {{50, 157, 654, 306}, nullptr},
    {{50, 345, 654, 462}, &kLabels[5]},
    {{50, 499, 654, 610}, &kLabels[12]},
}};

// Engraved rule 13 pixels above the row of push buttons.
constexpr PixelBox kButtonRule{50, kButtonRowTop - 14, 654, kButtonRowTop - 13};

}  // namespace corvane::skin
