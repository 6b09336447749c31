#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "editor/EditorModel.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

using L = EditorList;
using C = EditorCheck;

class EditorModelTest : public ::testing::Test {
  protected:
    EditorModelTest() { model.Form_Load(); }

    // A click toggles a check box, as the window does before the model hears of it.
    void click(C box) { model.setCheck(box, model.check(box).Value == 1 ? 0 : 1); }

    void expectCcMode(bool all) const {
        EXPECT_EQ(model.check(C::chkCCAll).Value, all ? 1 : 0);
        EXPECT_EQ(model.check(C::chkCCOne).Value, all ? 0 : 1);
        EXPECT_EQ(model.list(L::cmbCCNumber).Enabled, all);
        EXPECT_EQ(model.check(C::chkCC).Enabled, all);
        EXPECT_EQ(model.list(L::cmbPreset).Enabled, !all);
        EXPECT_EQ(model.list(L::cmbCC_Index).Enabled, !all);
        EXPECT_EQ(model.GatherSettings().CC_Mode, all ? CcMode::All : CcMode::One);
    }
    void expectSysExMode(bool all) const {
        EXPECT_EQ(model.check(C::chkSysExAll).Value, all ? 1 : 0);
        EXPECT_EQ(model.check(C::chkSysExSpecify).Value, all ? 0 : 1);
        EXPECT_EQ(model.txtSysEx().Enabled, !all);
        EXPECT_EQ(model.GatherSettings().SysEx_Mode, all ? SysExMode::All : SysExMode::Specify);
    }

    EditorModel model;
};

struct ModeClicks {
    std::vector<C> clicks;
    bool ccAll;
    bool sysExAll;
};

void PrintTo(const ModeClicks& c, std::ostream* out) {
    for (C box : c.clicks) {
        *out << kEditorCheckNames[static_cast<std::size_t>(box)] << ' ';
    }
}

class EditorModelModeClicks : public EditorModelTest,
                              public ::testing::WithParamInterface<ModeClicks> {};

// Every click on either box of a pair switches that filter to the other mode.
TEST_P(EditorModelModeClicks, SwitchModes) {
    for (C box : GetParam().clicks) {
        click(box);
    }
    expectCcMode(GetParam().ccAll);
    expectSysExMode(GetParam().sysExAll);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorModelModeClicks,
    ::testing::Values(
        ModeClicks{{C::chkCCOne}, false, true}, ModeClicks{{C::chkCCOne, C::chkCCOne}, true, true},
        ModeClicks{{C::chkCCAll}, false, true}, ModeClicks{{C::chkCCAll, C::chkCCAll}, true, true},
        ModeClicks{{C::chkCCOne, C::chkCCAll}, true, true},
        ModeClicks{{C::chkSysExAll}, true, false}, ModeClicks{{C::chkSysExSpecify}, true, false},
        ModeClicks{{C::chkSysExAll, C::chkSysExSpecify}, true, true},
        ModeClicks{{C::chkSysExSpecify, C::chkSysExSpecify}, true, true},
        ModeClicks{{C::chkCCOne, C::chkSysExSpecify, C::chkCCAll}, true, false}));

TEST_F(EditorModelTest, ModeSetDirectlyRunsTheNestedRules) {
    model.setCheck(C::chkCCAll, 0);
    expectCcMode(false);
    model.setCheck(C::chkCCOne, 0);
    expectCcMode(true);
    model.setCheck(C::chkSysExSpecify, 1);
    expectSysExMode(false);
    model.setCheck(C::chkSysExAll, 1);
    expectSysExMode(true);
}

TEST_F(EditorModelTest, EnableBoxShowsAndEditsTheChosenControllersFlag) {
    model.chooseListItem(L::cmbCCNumber, 64);
    EXPECT_EQ(model.check(C::chkCC).Value, 1);
    click(C::chkCC);
    EXPECT_EQ(model.ccEnable()[64], 0);
    model.chooseListItem(L::cmbCCNumber, 65);
    EXPECT_EQ(model.check(C::chkCC).Value, 1);
    model.chooseListItem(L::cmbCCNumber, 64);
    EXPECT_EQ(model.check(C::chkCC).Value, 0);

    const FilterSettings settings = model.GatherSettings();
    for (int k = 0; k < kControllerCount; ++k) {
        EXPECT_EQ(settings.CC_Enable[static_cast<std::size_t>(k)], k == 64 ? 0 : 1) << k;
    }
    // Controller 64 is bit 7 of map byte 8.
    EXPECT_EQ(buildCcMap(settings.CC_Enable)[8], 0x7F);
}

TEST_F(EditorModelTest, EnableBoxWithNoControllerChosenWritesNoFlag) {
    model.chooseListItem(L::cmbCCNumber, -1);
    click(C::chkCC);
    EXPECT_EQ(model.ccEnable(), defaultSettings().CC_Enable);
}

TEST_F(EditorModelTest, SlotListShowsAndEditsThePresetControllers) {
    click(C::chkCCOne);
    model.chooseListItem(L::cmbPreset, 7);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, 64);
    model.chooseListItem(L::cmbCC_Index, 7);
    model.chooseListItem(L::cmbPreset, 0);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, 0);
    model.chooseListItem(L::cmbPreset, 7);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, 7);

    CcPresetTable expected = kDefaultCcPresets;
    expected[7] = 7;
    EXPECT_EQ(model.ccPreset(), expected);
    EXPECT_EQ(model.GatherSettings().CC_Slot, 7);
}

TEST_F(EditorModelTest, ChoosingAControllerWithNoSlotChosenKeepsSlotOnesController) {
    click(C::chkCCOne);
    model.chooseListItem(L::cmbPreset, -1);
    model.chooseListItem(L::cmbCC_Index, 30);
    EXPECT_EQ(model.list(L::cmbPreset).ListIndex, 0);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, 0);
    EXPECT_EQ(model.ccPreset(), kDefaultCcPresets);
}

TEST_F(EditorModelTest, ASlotHoldingNoControllerShowsNoneAndKeepsItsValue) {
    FilterSettings settings = defaultSettings();
    settings.CC_Preset[3] = 200;
    model.applyPreset(settings);
    click(C::chkCCOne);
    model.chooseListItem(L::cmbPreset, 3);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, -1);
    EXPECT_EQ(model.ccPreset()[3], 200);
    model.chooseListItem(L::cmbPreset, 4);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex, 7);
}

TEST_F(EditorModelTest, PositionsTheListDoesNotHoldChooseNothing) {
    model.chooseListItem(L::cmbChannel, 16);
    EXPECT_EQ(model.list(L::cmbChannel).ListIndex, -1);
    model.chooseListItem(L::cmbVelocity, 126);
    EXPECT_EQ(model.GatherSettings().Velocity, 127);
}

// The text is taken only while the text box is enabled; a shorter pattern keeps the entries
// after it, a rejected text leaves the pattern as it was.
TEST_F(EditorModelTest, PatternTextIsTakenOnLeavingTheTextBoxInModeSpecify) {
    model.typePatternText("1,2,");
    EXPECT_FALSE(model.txtSysEx_LostFocus().has_value());
    EXPECT_EQ(model.sysExCount(), 5) << "the text box is disabled in mode All";

    click(C::chkSysExSpecify);
    EXPECT_FALSE(model.txtSysEx_LostFocus().has_value());
    EXPECT_EQ(model.sysExCount(), 2);
    SysExPatternEntries expected = kDefaultSysExPattern;
    expected[0] = 1;
    expected[1] = 2;
    EXPECT_EQ(model.sysExPattern(), expected);
    EXPECT_EQ(model.txtSysEx().Text, "1,2,");

    model.typePatternText("7,300,");
    const auto error = model.takePatternText();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->item, 2);
    EXPECT_EQ(model.sysExPattern(), expected);
    EXPECT_EQ(model.sysExCount(), 2);
}

struct PresetCase {
    const char* name;
    void (*change)(FilterSettings& settings);
};

void PrintTo(const PresetCase& c, std::ostream* out) {
    *out << c.name;
}

class EditorModelApplyPreset : public EditorModelTest,
                               public ::testing::WithParamInterface<PresetCase> {};

// What a loaded preset puts in is what is gathered, with the controls of its modes.
TEST_P(EditorModelApplyPreset, GathersBackUnchanged) {
    FilterSettings settings = defaultSettings();
    GetParam().change(settings);
    click(C::chkCCOne);
    click(C::chkSysExSpecify);
    model.chooseListItem(L::cmbCCNumber, 9);

    model.applyPreset(settings);

    EXPECT_EQ(model.GatherSettings(), settings);
    const bool all = settings.CC_Mode == CcMode::All;
    expectCcMode(all);
    expectSysExMode(settings.SysEx_Mode == SysExMode::All);
    EXPECT_EQ(model.list(L::cmbCCNumber).ListIndex, 0);
    EXPECT_EQ(model.check(C::chkCC).Value, settings.CC_Enable[0] == 1 ? 1 : 0);
    const int slot = all ? 0 : settings.CC_Slot;
    EXPECT_EQ(model.list(L::cmbPreset).ListIndex, slot);
    EXPECT_EQ(model.list(L::cmbCC_Index).ListIndex,
              settings.CC_Preset[static_cast<std::size_t>(slot)]);
    EXPECT_EQ(model.txtSysEx().Text, showSysExPattern(settings.SysEx_Pattern));
}

INSTANTIATE_TEST_SUITE_P(Cases, EditorModelApplyPreset,
                         ::testing::Values(PresetCase{"LastSlotOfModeOne",
                                                      [](FilterSettings& s) {
                                                          s.CC_Mode = CcMode::One;
                                                          s.CC_Slot = 17;
                                                          s.CC_Preset[17] = 0;
                                                      }},
                                           PresetCase{"EdgesOfTheScalars",
                                                      [](FilterSettings& s) {
                                                          s.Channel = 15;
                                                          s.Transpose = 0;
                                                          s.Velocity = 127;
                                                          s.PitchBend = 0;
                                                          s.AfterTouch = 0;
                                                          s.CC_Enable.fill(0);
                                                          s.CC_Enable[0] = 1;
                                                      }},
                                           PresetCase{"SpecifyWithAShortPattern",
                                                      [](FilterSettings& s) {
                                                          s.SysEx_Mode = SysExMode::Specify;
                                                          s.SysEx_Count = 2;
                                                          s.SysEx_Pattern = {
                                                              1, 2,  200, 4,  5,  6,  7,  8,
                                                              9, 10, 11,  12, 13, 14, 15, 16};
                                                      }},
                                           PresetCase{"ControllerZeroClearInModeOne",
                                                      [](FilterSettings& s) {
                                                          s.Velocity = 1;
                                                          s.CC_Enable[0] = 0;
                                                          s.CC_Mode = CcMode::One;
                                                          s.CC_Slot = 5;
                                                      }}));

}  // namespace
}  // namespace corvane
