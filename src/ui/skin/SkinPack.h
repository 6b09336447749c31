#pragma once

#include <QByteArray>
#include <QImage>
#include <QRegion>
#include <QRgb>
#include <QSize>

#include <optional>

#include "ui/skin/SkinLayout.h"

namespace corvane {

// Pixels of exactly this colour in the skin are cut out of the window.
constexpr QRgb kSkinKeyColour = skin::kKeyColour;

// The window's shape: every pixel of the client area whose skin colour is not the key colour.
QRegion skinShape(const QImage& skin, QSize client);

// A picture of the skin as the editor starts with it: its pixels in the format they are painted
// in and, for the skin itself, the window's shape. Packed at build time from the PNG files so
// that start-up decodes, scans and loads no image reader.
struct PackedPicture {
    QImage picture;  // 32 bits a pixel: Format_RGB32 for the skin, Format_ARGB32 for icons
    QRegion shape;   // empty for icons
};

// The packed layout, 32-bit words in the byte order of the machine that packs and reads it
// (the build host is the target):
//   [0] magic "CVSK"  [1] width  [2] height  [3] QImage::Format  [4] n, the shape's rectangles
//   [5 .. 5 + 4n)     x, y, width, height of each rectangle, in QRegion's banded order
//   then width x height pixels, row after row, no padding
// The picture must have one of the formats above.
QByteArray packPicture(const QImage& picture, const QRegion& shape);

// The picture takes over the packed bytes, without a copy when they are not shared. Empty for
// anything packPicture could not have written.
std::optional<PackedPicture> unpackPicture(QByteArray packed);

}  // namespace corvane
