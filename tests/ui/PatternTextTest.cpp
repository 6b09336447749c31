#include <QApplication>

#include <vector>

#include "MainWindowFixture.h"

namespace corvane {
namespace {

const QString kRangeMessage = QStringLiteral("SysEx pattern values must be 0 to 255.");

class PatternTextTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        showActive();
        box("chkSysExSpecify")->click();
    }

    void type(const QString& text) {
        patternText()->setFocus(Qt::TabFocusReason);
        patternText()->setText(text);
    }

    std::vector<std::int16_t> shownEntries() const {
        const FilterSettings settings = window->GatherSettings();
        return {settings.SysEx_Pattern.begin(),
                settings.SysEx_Pattern.begin() + settings.SysEx_Count};
    }
};

TEST_F(PatternTextTest, LeavingTheTextBoxReadsThePattern) {
    const struct {
        const char* text;
        std::vector<std::int16_t> entries;
    } cases[] = {
        {" 65, 0, 66, 18, 64,", {65, 0, 66, 18, 64}},
        {"1,2,3", {1, 2}},
        {"", {}},
        {",5,", {5}},
        {"&HF0,", {240}},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        type(QString::fromLatin1(c.text));
        leavePatternText();
        EXPECT_EQ(shownEntries(), c.entries);
        EXPECT_EQ(patternText()->text(), QString::fromLatin1(c.text));
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(PatternTextTest, ValueOutsideAByteIsRefusedAndTheTextBoxGetsTheFocusBack) {
    const FilterSettings before = window->GatherSettings();
    type(QStringLiteral("1,300,"));
    leavePatternText();
    EXPECT_EQ(dialogs.messages(), QStringList{kRangeMessage});
    EXPECT_EQ(QApplication::focusWidget(), patternText());
    EXPECT_EQ(patternText()->text(), QStringLiteral("1,300,"));
    EXPECT_EQ(window->GatherSettings(), before);
}

TEST_F(PatternTextTest, ShowSysExStopsBeforeTheFirstEntryAbove127) {
    FilterSettings settings = defaultSettings();
    settings.SysEx_Pattern = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -16};
    window->applySettings(settings);
    EXPECT_EQ(patternText()->text(),
              QStringLiteral(" 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,-16,"));
    settings.SysEx_Pattern[0] = 128;
    window->applySettings(settings);
    EXPECT_EQ(patternText()->text(), QString());
}

}  // namespace
}  // namespace corvane
