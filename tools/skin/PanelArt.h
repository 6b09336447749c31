#pragma once

#include <QPainter>

namespace corvane::skin {

// The two machined end-cheeks at the left and right edge, with their fixing screws.
void drawPillars(QPainter& painter);

// The near-black face between the pillars with its sheen along the bottom.
void drawPanel(QPainter& painter);

// The engraved frames around the control groups and the rule above the buttons.
void drawEngraving(QPainter& painter);

}  // namespace corvane::skin
