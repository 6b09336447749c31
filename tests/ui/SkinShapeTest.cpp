#include <QByteArray>
#include <QImage>
#include <QRegion>

#include <cstdint>
#include <cstring>
#include <utility>

#include "MainWindowFixture.h"
#include "ui/ControlLayout.h"
#include "ui/skin/SkinLayout.h"

namespace corvane {
namespace {

TEST(SkinShape, CutsOutExactlyTheKeyColour) {
    QImage skin(6, 2, QImage::Format_RGB888);
    const QRgb row[] = {qRgb(255, 0, 0), qRgb(254, 0, 0), qRgb(255, 0, 1),
                        qRgb(255, 1, 0), qRgb(0, 0, 0),   qRgb(255, 0, 0)};
    for (int x = 0; x < 6; ++x) {
        skin.setPixel(x, 0, row[x]);
        skin.setPixel(x, 1, qRgb(19, 19, 19));
    }
    const QRegion shape = skinShape(skin, QSize(6, 2));
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(shape.contains(QPoint(x, 0)), row[x] != kSkinKeyColour) << x;
        EXPECT_TRUE(shape.contains(QPoint(x, 1))) << x;
    }
}

TEST(SkinShape, ReachesNoFurtherThanTheClientArea) {
    QImage skin(4, 6, QImage::Format_RGB32);
    skin.fill(qRgb(19, 19, 19));
    EXPECT_EQ(skinShape(skin, QSize(4, 5)), QRegion(0, 0, 4, 5));
}

// The resource compiler may store a packed picture at any address: it must unpack all the same.
TEST(SkinShape, PackedPictureUnpacksWhereverItLies) {
    QImage picture(3, 2, QImage::Format_ARGB32);
    for (int i = 0; i < 6; ++i) {
        picture.setPixel(i % 3, i / 3, qRgba(10 * i, 20, 30, 40 * i));
    }
    const QRegion shape(QRect(0, 0, 3, 1));
    const QByteArray packed = packPicture(picture, shape);
    QByteArray shifted = QByteArray(1, '\0') + packed;
    for (const QByteArray& bytes :
         {packed, QByteArray::fromRawData(shifted.constData() + 1, packed.size())}) {
        const auto unpacked = unpackPicture(bytes);
        ASSERT_TRUE(unpacked.has_value());
        EXPECT_EQ(unpacked->picture, picture);
        EXPECT_EQ(unpacked->shape, shape);
    }
}

TEST(SkinShape, DamagedPackedPicturesAreRefused) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(qRgb(19, 19, 19));
    const QByteArray packed = packPicture(picture, QRegion(0, 0, 2, 2));
    const auto withWord = [&](int index, std::uint32_t word) {
        QByteArray damaged = packed;
        std::memcpy(damaged.data() + index * 4, &word, sizeof word);
        return damaged;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"truncated", packed.left(packed.size() - 1)},
        {"too long", packed + QByteArray(4, '\0')},
        {"no magic", withWord(0, 0)},
        {"no width", withWord(1, 0)},
        {"unknown format", withWord(3, QImage::Format_Indexed8)},
        {"rectangle outside", withWord(5, 1)},
    };
    for (const auto& [what, bytes] : cases) {
        EXPECT_FALSE(unpackPicture(bytes).has_value()) << what;
    }
}

// The lettering on the skin stays readable: no control covers a label, and the engraved rule
// stays above the buttons.
TEST(SkinShape, LabelsAndTheButtonRuleLieClearOfTheControls) {
    for (const ControlPlace& control : kControlLayout) {
        SCOPED_TRACE(std::string(control.name));
        for (const skin::SkinLabel& label : skin::kLabels) {
            const QRect box(label.box.left, label.box.top, label.box.width(), label.box.height());
            EXPECT_FALSE(control.geometry.intersects(box)) << label.text;
        }
        const QRect rule(skin::kButtonRule.left, skin::kButtonRule.top, skin::kButtonRule.width(),
                         skin::kButtonRule.height());
        EXPECT_FALSE(control.geometry.intersects(rule));
    }
}

using WindowShapeTest = MainWindowFixture;

TEST_F(WindowShapeTest, MaskHidesEveryKeyPixelOfTheSkinAndNothingElse) {
    const QImage skin =
        QImage(QStringLiteral(CORVANE_SKIN_DIR "/skin.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(skin.size(), QSize(700, 768));
    const QRegion mask = window->mask();
    int hidden = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            const bool key = skin.pixel(x, y) == kSkinKeyColour;
            hidden += key ? 1 : 0;
            ASSERT_EQ(mask.contains(QPoint(x, y)), !key) << x << "," << y;
        }
    }
    // The two notches between the pillars: 653 pixels wide, 11 rows at the top and the 5
    // rows 760..764 at the bottom.
    EXPECT_EQ(hidden, 653 * (11 + 5));
    EXPECT_TRUE(mask.contains(QPoint(25, 0)));
    EXPECT_FALSE(mask.contains(QPoint(26, 0)));
    EXPECT_FALSE(mask.contains(QPoint(678, 764)));
    EXPECT_TRUE(mask.contains(QPoint(679, 764)));
    EXPECT_TRUE(mask.contains(QPoint(400, 11)));
    EXPECT_TRUE(mask.contains(QPoint(400, 759)));
}

// At two device pixels per pixel the fine picture is the one painted, pixel for pixel, so the
// lettering is drawn at the screen's own resolution; at 1 it is the plain skin. Its key colour
// lies exactly on the doubled key pixels of the plain skin, the window's cut-out.
TEST_F(WindowShapeTest, PaintsThePictureOfTheDevicePixelRatio) {
    const QImage plain =
        QImage(QStringLiteral(CORVANE_SKIN_DIR "/skin.png")).convertToFormat(QImage::Format_RGB32);
    const QImage fine = QImage(QStringLiteral(CORVANE_SKIN_DIR "/skin@2x.png"))
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(fine.size(), plain.size() * 2);
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            ASSERT_EQ(fine.pixel(x, y) == kSkinKeyColour,
                      plain.pixel(x / 2, y / 2) == kSkinKeyColour)
                << x << "," << y;
        }
    }

    const qreal ratio = window->devicePixelRatioF();
    if (ratio != 1.0 && ratio != 2.0) {
        GTEST_SKIP() << "the fine picture is scaled at a ratio of " << ratio;
    }
    const QImage& expected = ratio == 2.0 ? fine : plain;
    const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(kWindowWidth, kWindowHeight) * ratio);
    for (const skin::SkinLabel& label : skin::kLabels) {
        SCOPED_TRACE(label.text);
        const int scale = static_cast<int>(ratio);
        int differing = 0;
        for (int y = label.box.top * scale; y < (label.box.bottom + 1) * scale; ++y) {
            for (int x = label.box.left * scale; x < (label.box.right + 1) * scale; ++x) {
                differing += shown.pixel(x, y) == expected.pixel(x, y) ? 0 : 1;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

}  // namespace
}  // namespace corvane
