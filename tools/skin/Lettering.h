#pragma once

#include "ui/skin/SkinLayout.h"

#include <QPainter>

namespace corvane::skin {

// The product name and version mark in yellow italic letters across the title area.
void drawTitle(QPainter& painter);

// One light-blue label, its ink centred across and resting on the bottom of its box.
void drawLabel(QPainter& painter, const SkinLabel& label);

}  // namespace corvane::skin
