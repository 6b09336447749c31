#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/FilterSettings.h"
#include "settings/SysExPatternText.h"

namespace corvane {

// The main window's lists, check boxes and text box, by the names of their widgets.
enum class EditorList {
    cmbChannel,
    cmbTranspose,
    cmbVelocity,
    cmbCCNumber,
    cmbPreset,
    cmbCC_Index
};
enum class EditorCheck {
    chkPitchBend,
    chkAfterTouch,
    chkCCAll,
    chkCCOne,
    chkSysExSpecify,
    chkSysExAll,
    chkCC,
};

constexpr std::size_t kEditorListCount = 6;
constexpr std::size_t kEditorCheckCount = 7;

// The widgets' object names, in enum order.
constexpr std::array<std::string_view, kEditorListCount> kEditorListNames = {
    "cmbChannel", "cmbTranspose", "cmbVelocity", "cmbCCNumber", "cmbPreset", "cmbCC_Index"};
constexpr std::array<std::string_view, kEditorCheckCount> kEditorCheckNames = {
    "chkPitchBend",    "chkAfterTouch", "chkCCAll", "chkCCOne",
    "chkSysExSpecify", "chkSysExAll",   "chkCC"};

// Number of items of each list, in EditorList order.
constexpr std::array<int, kEditorListCount> kEditorListSizes = {
    kChannelCount,    kTransposePositions, kVelocityMax,
    kControllerCount, kPresetSlotCount,    kControllerCount};

struct ListState {
    int ListIndex = -1;  // chosen position, counted from 0; -1 while no item is chosen
    bool Enabled = true;

    bool operator==(const ListState&) const = default;
};

struct CheckState {
    int Value = 0;  // 0 clear, 1 ticked
    bool Enabled = true;

    bool operator==(const CheckState&) const = default;
};

struct TextState {
    std::string Text;
    bool Enabled = true;

    bool operator==(const TextState&) const = default;
};

// The editor without its window: the state of every control the editor's logic reads, the
// arrays CC_Enable, CC_Preset, SysEx_Pattern and the count SysEx_Count, and the rules that
// tie them together. The window shows these states and forwards each user event here.
//
// A list choice or a check change, by the user or from inside a rule, runs the changed
// control's rule at once, to its end, before the caller goes on. A change to the state the
// control already has runs nothing.
class EditorModel {
  public:
    // The design state: both filters in mode All, PitchBend, AfterTouch and chkCC ticked,
    // cmbPreset, cmbCC_Index and txtSysEx disabled, no list item chosen.
    EditorModel();

    // Start-up: the default settings, controller 0 and slot 1 chosen, the pattern text shown.
    void Form_Load();

    const ListState& list(EditorList which) const;
    const CheckState& check(EditorCheck which) const;
    const TextState& txtSysEx() const { return m_txtSysEx; }
    const CcEnableFlags& ccEnable() const { return CC_Enable; }
    const CcPresetTable& ccPreset() const { return CC_Preset; }
    const SysExPatternEntries& sysExPattern() const { return SysEx_Pattern; }
    std::int16_t sysExCount() const { return SysEx_Count; }

    // A choice in a list; a position the list does not hold leaves no item chosen.
    void chooseListItem(EditorList which, int position);
    // value 1 ticks, any other value clears.
    void setCheck(EditorCheck which, int value);
    // Typing into txtSysEx: only the text changes.
    void typePatternText(const std::string& text);

    // The editing rules.
    void chkCCAll_Click();
    void chkCCOne_Click();
    void chkSysExAll_Click();
    void chkSysExSpecify_Click();
    void cmbCCNumber_Click();
    void chkCC_Click();
    void cmbPreset_Click();
    void cmbCC_Index_Click();

    // Writes txtSysEx from the pattern, up to the first entry of 128 or more.
    void Show_SysEx();
    // txtSysEx lost the focus: takes its text while it is enabled.
    std::optional<PatternItemError> txtSysEx_LostFocus();
    // Sets SysEx_Count and the first entries of SysEx_Pattern from the text of txtSysEx; on
    // a value outside 0..255 the pattern stays as it was and the error says which item.
    std::optional<PatternItemError> takePatternText();

    // The settings as the controls and arrays hold them.
    FilterSettings GatherSettings() const;
    // Puts a loaded preset into the controls and arrays in the order of the preset file;
    // every field must lie in its range. The rules that the changes run keep what is set.
    void applyPreset(const FilterSettings& settings);

    // Every state alike: controls, arrays and count.
    bool operator==(const EditorModel&) const = default;

  private:
    ListState& listState(EditorList which);
    CheckState& checkState(EditorCheck which);
    void runListRule(EditorList which);
    void runCheckRule(EditorCheck which);
    void setCcModeControls(bool all);
    void showPresetController(int slot);

    std::array<ListState, kEditorListCount> m_lists{};
    std::array<CheckState, kEditorCheckCount> m_checks{};
    TextState m_txtSysEx;

    CcEnableFlags CC_Enable{};
    CcPresetTable CC_Preset{};
    SysExPatternEntries SysEx_Pattern{};
    std::int16_t SysEx_Count = 0;
};

// The settings a freshly started editor holds after loading preset, whose fields must lie in
// their ranges: what the window would send after the same Load.
FilterSettings settingsAsLoaded(const FilterSettings& preset);

}  // namespace corvane
