#include "ui/skin/SkinPack.h"

#include <QRect>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace corvane {

namespace {

constexpr std::uint32_t kSkinPackMagic = 0x4B535643;  // "CVSK" read as little-endian
constexpr qsizetype kHeaderWords = 5;
constexpr qsizetype kWordsPerRect = 4;
constexpr std::uint32_t kLargestSide = 1 << 14;

void appendWord(QByteArray& out, std::uint32_t word) {
    out.append(reinterpret_cast<const char*>(&word), sizeof word);
}

bool isPackable(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

std::uint32_t wordAt(const QByteArray& in, qsizetype index) {
    std::uint32_t word = 0;
    std::memcpy(&word, in.constData() + index * qsizetype(sizeof word), sizeof word);
    return word;
}

}  // namespace

QRegion skinShape(const QImage& skin, QSize client) {
    const QImage picture = skin.convertToFormat(QImage::Format_RGB32);
    const int width = std::min(picture.width(), client.width());
    const int height = std::min(picture.height(), client.height());
    // Each row as its runs of pixels that are not the key colour; rows with the same runs as
    // the row above extend that row's rectangles downwards, so the result is in QRegion's
    // banded order.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> band;  // [first, end) of each run of the current band
    std::size_t bandStart = 0;              // index in rects of the band's first rectangle
    std::vector<std::pair<int, int>> runs;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        runs.clear();
        for (int x = 0; x < width;) {
            for (; x < width && row[x] == kSkinKeyColour; ++x) {
            }
            const int first = x;
            for (; x < width && row[x] != kSkinKeyColour; ++x) {
            }
            if (x > first) {
                runs.emplace_back(first, x);
            }
        }
        if (y > 0 && runs == band) {
            for (std::size_t r = bandStart; r < rects.size(); ++r) {
                rects[r].setBottom(y);
            }
            continue;
        }
        band = runs;
        bandStart = rects.size();
        for (const auto& [first, end] : runs) {
            rects.emplace_back(first, y, end - first, 1);
        }
    }
    QRegion shape;
    shape.setRects(rects.data(), static_cast<int>(rects.size()));
    return shape;
}

QByteArray packPicture(const QImage& picture, const QRegion& shape) {
    Q_ASSERT(isPackable(picture.format()));
    QByteArray out;
    appendWord(out, kSkinPackMagic);
    appendWord(out, static_cast<std::uint32_t>(picture.width()));
    appendWord(out, static_cast<std::uint32_t>(picture.height()));
    appendWord(out, static_cast<std::uint32_t>(picture.format()));
    appendWord(out, static_cast<std::uint32_t>(shape.rectCount()));
    for (const QRect& rect : shape) {
        for (const int value : {rect.x(), rect.y(), rect.width(), rect.height()}) {
            appendWord(out, static_cast<std::uint32_t>(value));
        }
    }
    const auto rowBytes = static_cast<qsizetype>(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y) {
        out.append(reinterpret_cast<const char*>(picture.constScanLine(y)), rowBytes);
    }
    return out;
}

std::optional<PackedPicture> unpackPicture(QByteArray packed) {
    constexpr auto kWord = static_cast<qsizetype>(sizeof(std::uint32_t));
    if (packed.size() < kHeaderWords * kWord || wordAt(packed, 0) != kSkinPackMagic) {
        return std::nullopt;
    }
    const std::uint32_t width = wordAt(packed, 1);
    const std::uint32_t height = wordAt(packed, 2);
    const auto format = static_cast<QImage::Format>(wordAt(packed, 3));
    const std::uint32_t rects = wordAt(packed, 4);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide ||
        !isPackable(format) || rects > width * height) {
        return std::nullopt;
    }
    const qsizetype pixelsAt = (kHeaderWords + kWordsPerRect * qsizetype(rects)) * kWord;
    const qsizetype pixelBytes = qsizetype(width) * qsizetype(height) * kWord;
    if (packed.size() != pixelsAt + pixelBytes) {
        return std::nullopt;
    }

    std::vector<QRect> shape;
    shape.reserve(rects);
    for (qsizetype r = 0; r < qsizetype(rects); ++r) {
        const qsizetype at = kHeaderWords + r * kWordsPerRect;
        const auto value = [&](qsizetype i) { return static_cast<int>(wordAt(packed, at + i)); };
        const QRect rect(value(0), value(1), value(2), value(3));
        if (!QRect(0, 0, int(width), int(height)).contains(rect) || rect.isEmpty()) {
            return std::nullopt;
        }
        shape.push_back(rect);
    }
    PackedPicture unpacked;
    unpacked.shape.setRects(shape.data(), static_cast<int>(shape.size()));

    // The image owns the packed bytes for as long as it or a copy lives, and may change them:
    // a read-only image would be copied whole to change its device pixel ratio. Bytes still
    // shared, such as those the resource compiler stored in place at any address, are copied
    // here once, aligned.
    auto* owner = new QByteArray(std::move(packed));
    uchar* pixels = reinterpret_cast<uchar*>(owner->data() + pixelsAt);
    if (reinterpret_cast<std::uintptr_t>(pixels) % alignof(std::uint32_t) != 0) {
        delete owner;
        return std::nullopt;
    }
    unpacked.picture = QImage(
        pixels, int(width), int(height), int(width) * int(kWord), format,
        [](void* bytes) { delete static_cast<QByteArray*>(bytes); }, owner);
    return unpacked;
}

}  // namespace corvane
