#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "SettingsDump.h"

namespace corvane {
namespace {

class EditingRulesTest : public MainWindowFixture {
  protected:
    void expectCcMode(bool all) {
        EXPECT_EQ(box("chkCCAll")->isChecked(), all);
        EXPECT_EQ(box("chkCCOne")->isChecked(), !all);
        EXPECT_EQ(list("cmbCCNumber")->isEnabled(), all);
        EXPECT_EQ(box("chkCC")->isEnabled(), all);
        EXPECT_EQ(list("cmbPreset")->isEnabled(), !all);
        EXPECT_EQ(list("cmbCC_Index")->isEnabled(), !all);
        EXPECT_EQ(window->GatherSettings().CC_Mode, all ? CcMode::All : CcMode::One);
    }
    void expectSysExMode(bool all) {
        EXPECT_EQ(box("chkSysExAll")->isChecked(), all);
        EXPECT_EQ(box("chkSysExSpecify")->isChecked(), !all);
        EXPECT_EQ(patternText()->isEnabled(), !all);
        EXPECT_EQ(window->GatherSettings().SysEx_Mode, all ? SysExMode::All : SysExMode::Specify);
    }
};

struct ModeClicks {
    std::vector<const char*> clicks;
    bool ccAll;
    bool sysExAll;
};

// Every click on either box of a pair switches that filter to the other mode.
TEST_F(EditingRulesTest, ClicksOnTheModeBoxesSwitchModes) {
    const ModeClicks cases[] = {
        {{"chkCCOne"}, false, true},
        {{"chkCCOne", "chkCCOne"}, true, true},
        {{"chkCCAll"}, false, true},
        {{"chkCCAll", "chkCCAll"}, true, true},
        {{"chkCCOne", "chkCCAll"}, true, true},
        {{"chkSysExAll"}, true, false},
        {{"chkSysExSpecify"}, true, false},
        {{"chkSysExAll", "chkSysExSpecify"}, true, true},
        {{"chkSysExSpecify", "chkSysExSpecify"}, true, true},
        {{"chkCCOne", "chkSysExSpecify", "chkCCAll"}, true, false},
    };
    for (const ModeClicks& c : cases) {
        std::string trace;
        window = std::make_unique<frmMain>(port, dialogs, pacer);
        for (const char* name : c.clicks) {
            trace += std::string(name) + " ";
            box(name)->click();
        }
        SCOPED_TRACE(trace);
        expectCcMode(c.ccAll);
        expectSysExMode(c.sysExAll);
    }
}

TEST_F(EditingRulesTest, ModeChangedFromCodeRunsTheNestedRules) {
    box("chkCCAll")->setChecked(false);
    expectCcMode(false);
    box("chkCCOne")->setChecked(false);
    expectCcMode(true);
    box("chkSysExSpecify")->setChecked(true);
    expectSysExMode(false);
    box("chkSysExAll")->setChecked(true);
    expectSysExMode(true);
}

TEST_F(EditingRulesTest, EnableBoxShowsAndEditsTheChosenControllersFlag) {
    QComboBox* controllers = list("cmbCCNumber");
    QCheckBox* enable = box("chkCC");
    controllers->setCurrentIndex(64);
    EXPECT_TRUE(enable->isChecked());
    enable->click();
    EXPECT_EQ(window->GatherSettings().CC_Enable[64], 0);
    controllers->setCurrentIndex(65);
    EXPECT_TRUE(enable->isChecked());
    controllers->setCurrentIndex(64);
    EXPECT_FALSE(enable->isChecked());

    const FilterSettings settings = window->GatherSettings();
    for (int k = 0; k < kControllerCount; ++k) {
        EXPECT_EQ(settings.CC_Enable[static_cast<std::size_t>(k)], k == 64 ? 0 : 1) << k;
    }
    // Controller 64 is bit 7 of map byte 8.
    EXPECT_EQ(buildCcMap(settings.CC_Enable)[8], 0x7F);
}

TEST_F(EditingRulesTest, SlotListShowsAndEditsThePresetControllers) {
    box("chkCCOne")->click();
    QComboBox* slotList = list("cmbPreset");
    QComboBox* controller = list("cmbCC_Index");
    slotList->setCurrentIndex(7);
    EXPECT_EQ(controller->currentText(), QStringLiteral("64: Damper Pedal"));
    controller->setCurrentIndex(7);
    EXPECT_EQ(controller->currentText(), QStringLiteral("7: Channel Volume"));
    slotList->setCurrentIndex(0);
    EXPECT_EQ(controller->currentText(), QStringLiteral("0: Bank Select"));
    slotList->setCurrentIndex(7);
    EXPECT_EQ(controller->currentText(), QStringLiteral("7: Channel Volume"));

    CcPresetTable expected = kDefaultCcPresets;
    expected[7] = 7;
    const FilterSettings settings = window->GatherSettings();
    EXPECT_EQ(settings.CC_Preset, expected);
    EXPECT_EQ(settings.CC_Slot, 7);
}

TEST_F(EditingRulesTest, ChoosingAControllerWithNoSlotChosenKeepsSlotOnesController) {
    box("chkCCOne")->click();
    list("cmbPreset")->setCurrentIndex(-1);
    list("cmbCC_Index")->setCurrentIndex(30);
    EXPECT_EQ(list("cmbPreset")->currentIndex(), 0);
    EXPECT_EQ(list("cmbCC_Index")->currentIndex(), 0);
    EXPECT_EQ(window->GatherSettings().CC_Preset, kDefaultCcPresets);
}

TEST_F(EditingRulesTest, ASlotHoldingNoControllerShowsNoneAndKeepsItsValue) {
    FilterSettings settings = defaultSettings();
    settings.CC_Preset[3] = 200;
    window->applySettings(settings);
    box("chkCCOne")->click();
    list("cmbPreset")->setCurrentIndex(3);
    EXPECT_EQ(list("cmbCC_Index")->currentIndex(), -1);
    EXPECT_EQ(window->GatherSettings().CC_Preset[3], 200);
    list("cmbPreset")->setCurrentIndex(4);
    EXPECT_EQ(list("cmbCC_Index")->currentText(), QStringLiteral("7: Channel Volume"));
}

// Round trips through the controls: what is applied is what is gathered.
TEST_F(EditingRulesTest, AppliedSettingsAreGatheredBackUnchanged) {
    std::vector<FilterSettings> cases(4, defaultSettings());
    cases[0].CC_Mode = CcMode::One;
    cases[0].CC_Slot = 17;
    cases[0].CC_Preset[17] = 0;
    cases[1].Channel = 15;
    cases[1].Transpose = 0;
    cases[1].Velocity = 127;
    cases[1].PitchBend = 0;
    cases[1].AfterTouch = 0;
    cases[1].CC_Enable.fill(0);
    cases[1].CC_Enable[0] = 1;
    cases[2].SysEx_Mode = SysExMode::Specify;
    cases[2].SysEx_Count = 2;
    cases[2].SysEx_Pattern = {1, 2, 200, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    cases[3].Velocity = 1;
    cases[3].CC_Enable[0] = 0;
    cases[3].CC_Mode = CcMode::One;
    cases[3].CC_Slot = 5;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        window->applySettings(cases[i]);
        EXPECT_EQ(window->GatherSettings(), cases[i]);
        const bool all = cases[i].CC_Mode == CcMode::All;
        expectCcMode(all);
        expectSysExMode(cases[i].SysEx_Mode == SysExMode::All);
        EXPECT_EQ(list("cmbCCNumber")->currentIndex(), 0);
        EXPECT_EQ(box("chkCC")->isChecked(), cases[i].CC_Enable[0] == 1);
        const int slot = all ? 0 : cases[i].CC_Slot;
        EXPECT_EQ(list("cmbPreset")->currentIndex(), slot);
        EXPECT_EQ(list("cmbCC_Index")->currentIndex(),
                  cases[i].CC_Preset[static_cast<std::size_t>(slot)]);
    }
}

}  // namespace
}  // namespace corvane
