#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <iostream>

#include "MainWindowFixture.h"
#include "ui/MIDISetupForm.h"

namespace corvane {
namespace {

// The style options a control paints with, through its protected initStyleOption.
struct ComboOption : QComboBox {
    using QComboBox::initStyleOption;
};
struct LineEditOption : QLineEdit {
    using QLineEdit::initStyleOption;
};

// The controls' sizes are fixed, and their texts fit only in a face with the metrics of Times
// New Roman. A wider serif that fontconfig falls back to clips them ("10(" for " 100").
class TextFit : public MainWindowFixture {
  protected:
    // The face the window's controls are drawn in, named and checked before each test.
    void SetUp() override {
        const QFontInfo resolved(list("cmbChannel")->font());
        face = resolved.family() + QLatin1Char(' ') + resolved.styleName();
        std::cout << "window controls drawn in " << face.toStdString() << '\n';
        ASSERT_TRUE(resolved.family() == QStringLiteral("Liberation Serif") ||
                    resolved.family() == QStringLiteral("Times New Roman"))
            << "the controls' serif face resolved to " << face.toStdString()
            << ", not a face with the metrics of Times New Roman; install fonts-liberation "
               "(scripts/install-deps does)";
    }

    QString face;
};

// Every item of the number lists must fit the list's text area, the velocity list's " 100" and
// " 127" included. The controller lists are as wide as their longest names need only when they
// drop down (Qt widens the drop-down list to its widest item); closed, they show the start-up
// choice "0: Bank Select" in full, and the longest names, such as "37: LSB Portamento Time",
// cut off even in Times New Roman.
TEST_F(TextFit, ListTextsFitTheirLists) {
    struct Case {
        const char* name;
        bool everyItem;
    };
    const Case cases[] = {{"cmbChannel", true}, {"cmbTranspose", true}, {"cmbVelocity", true},
                          {"cmbPreset", true},  {"cmbCCNumber", false}, {"cmbCC_Index", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QComboBox* box = list(c.name);
        ASSERT_GT(box->count(), 0);
        QStyleOptionComboBox option;
        (box->*&ComboOption::initStyleOption)(&option);
        const QRect area = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                        QStyle::SC_ComboBoxEditField, box);
        QStringList texts;
        if (c.everyItem) {
            for (int i = 0; i < box->count(); ++i) {
                texts.append(box->itemText(i));
            }
        } else {
            texts.append(box->currentText());
        }
        const QFontMetrics metrics(box->font());
        for (const QString& text : texts) {
            EXPECT_LE(metrics.horizontalAdvance(text), area.width())
                << '"' << text.toStdString() << "\" in " << face.toStdString();
        }
    }
}

TEST_F(TextFit, PatternTextFitsItsBox) {
    QLineEdit* text = patternText();
    ASSERT_FALSE(text->text().isEmpty());
    QStyleOptionFrame option;
    (text->*&LineEditOption::initStyleOption)(&option);
    const QRect area = text->style()->subElementRect(QStyle::SE_LineEditContents, &option, text);
    EXPECT_LE(QFontMetrics(text->font()).horizontalAdvance(text->text()), area.width())
        << '"' << text->text().toStdString() << "\" in " << face.toStdString();
}

TEST_F(TextFit, DeviceDialogHeadingFitsItsLabel) {
    MIDISetupForm dialog(port, dialogs, QPoint(0, 0));
    const auto* heading = dialog.findChild<QLabel*>(QStringLiteral("Label2"));
    ASSERT_NE(heading, nullptr);
    EXPECT_LE(QFontMetrics(heading->font()).horizontalAdvance(heading->text()),
              heading->contentsRect().width())
        << '"' << heading->text().toStdString() << "\" in "
        << QFontInfo(heading->font()).family().toStdString();
}

}  // namespace
}  // namespace corvane
