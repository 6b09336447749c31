#include "MainWindowFixture.h"

namespace corvane {
namespace {

using EditingRulesTest = MainWindowFixture;

// The rules themselves are the model's; here only that a click reaches the model and what the
// model decides reaches the widgets.
TEST_F(EditingRulesTest, ClicksReachTheModelAndTheModelReachesTheWidgets) {
    box("chkCCOne")->click();
    EXPECT_EQ(window->model().check(EditorCheck::chkCCOne).Value, 1);
    EXPECT_FALSE(box("chkCCAll")->isChecked());
    EXPECT_FALSE(list("cmbCCNumber")->isEnabled());
    EXPECT_FALSE(box("chkCC")->isEnabled());
    EXPECT_TRUE(list("cmbPreset")->isEnabled());
    EXPECT_TRUE(list("cmbCC_Index")->isEnabled());

    list("cmbPreset")->setCurrentIndex(7);
    EXPECT_EQ(list("cmbCC_Index")->currentText(), QStringLiteral("64: Damper Pedal"));
    list("cmbCC_Index")->setCurrentIndex(7);
    EXPECT_EQ(window->GatherSettings().CC_Preset[7], 7);

    box("chkSysExAll")->setChecked(false);
    EXPECT_TRUE(box("chkSysExSpecify")->isChecked());
    EXPECT_TRUE(patternText()->isEnabled());
}

}  // namespace
}  // namespace corvane
