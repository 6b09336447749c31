#include "editor/EditorModel.h"

namespace corvane {

namespace {

std::size_t indexOf(EditorList which) {
    return static_cast<std::size_t>(which);
}
std::size_t indexOf(EditorCheck which) {
    return static_cast<std::size_t>(which);
}
int checkValue(bool ticked) {
    return ticked ? 1 : 0;
}

}  // namespace

EditorModel::EditorModel() {
    for (EditorCheck ticked :
         {EditorCheck::chkPitchBend, EditorCheck::chkAfterTouch, EditorCheck::chkCCAll,
          EditorCheck::chkSysExAll, EditorCheck::chkCC}) {
        checkState(ticked).Value = 1;
    }
    listState(EditorList::cmbPreset).Enabled = false;
    listState(EditorList::cmbCC_Index).Enabled = false;
    m_txtSysEx.Enabled = false;
}

void EditorModel::Form_Load() {
    const FilterSettings defaults = defaultSettings();
    CC_Enable = defaults.CC_Enable;
    chooseListItem(EditorList::cmbChannel, defaults.Channel);
    chooseListItem(EditorList::cmbTranspose, defaults.Transpose);
    chooseListItem(EditorList::cmbVelocity, defaults.Velocity - 1);
    CC_Preset = defaults.CC_Preset;
    // The rules bring chkCC and the slot list in line with the arrays; with no slot chosen
    // yet, choosing the controller also chooses slot 1.
    chooseListItem(EditorList::cmbCCNumber, 0);
    chooseListItem(EditorList::cmbCC_Index, CC_Preset[0]);
    chooseListItem(EditorList::cmbPreset, 0);
    SysEx_Count = defaults.SysEx_Count;
    SysEx_Pattern = defaults.SysEx_Pattern;
    Show_SysEx();
}

const ListState& EditorModel::list(EditorList which) const {
    return m_lists[indexOf(which)];
}
const CheckState& EditorModel::check(EditorCheck which) const {
    return m_checks[indexOf(which)];
}
ListState& EditorModel::listState(EditorList which) {
    return m_lists[indexOf(which)];
}
CheckState& EditorModel::checkState(EditorCheck which) {
    return m_checks[indexOf(which)];
}

void EditorModel::chooseListItem(EditorList which, int position) {
    const bool held = position >= 0 && position < kEditorListSizes[indexOf(which)];
    const int chosen = held ? position : -1;
    ListState& state = listState(which);
    if (state.ListIndex == chosen) {
        return;
    }
    state.ListIndex = chosen;
    runListRule(which);
}

void EditorModel::setCheck(EditorCheck which, int value) {
    const int ticked = checkValue(value == 1);
    CheckState& state = checkState(which);
    if (state.Value == ticked) {
        return;
    }
    state.Value = ticked;
    runCheckRule(which);
}

void EditorModel::typePatternText(const std::string& text) {
    m_txtSysEx.Text = text;
}

void EditorModel::runListRule(EditorList which) {
    switch (which) {
        case EditorList::cmbCCNumber:
            return cmbCCNumber_Click();
        case EditorList::cmbPreset:
            return cmbPreset_Click();
        case EditorList::cmbCC_Index:
            return cmbCC_Index_Click();
        case EditorList::cmbChannel:
        case EditorList::cmbTranspose:
        case EditorList::cmbVelocity:
            return;
    }
}

void EditorModel::runCheckRule(EditorCheck which) {
    switch (which) {
        case EditorCheck::chkCCAll:
            return chkCCAll_Click();
        case EditorCheck::chkCCOne:
            return chkCCOne_Click();
        case EditorCheck::chkSysExAll:
            return chkSysExAll_Click();
        case EditorCheck::chkSysExSpecify:
            return chkSysExSpecify_Click();
        case EditorCheck::chkCC:
            return chkCC_Click();
        case EditorCheck::chkPitchBend:
        case EditorCheck::chkAfterTouch:
            return;
    }
}

// Mode All: the controller list and its Enable box; mode One: the slot list and its controller.
void EditorModel::setCcModeControls(bool all) {
    listState(EditorList::cmbCCNumber).Enabled = all;
    checkState(EditorCheck::chkCC).Enabled = all;
    listState(EditorList::cmbPreset).Enabled = !all;
    listState(EditorList::cmbCC_Index).Enabled = !all;
}

void EditorModel::chkCCAll_Click() {
    const bool all = check(EditorCheck::chkCCAll).Value == 1;
    setCheck(EditorCheck::chkCCOne, checkValue(!all));
    setCcModeControls(all);
}

void EditorModel::chkCCOne_Click() {
    const bool one = check(EditorCheck::chkCCOne).Value == 1;
    setCheck(EditorCheck::chkCCAll, checkValue(!one));
    setCcModeControls(!one);
}

void EditorModel::chkSysExAll_Click() {
    const bool all = check(EditorCheck::chkSysExAll).Value == 1;
    setCheck(EditorCheck::chkSysExSpecify, checkValue(!all));
    m_txtSysEx.Enabled = !all;
}

void EditorModel::chkSysExSpecify_Click() {
    const bool specify = check(EditorCheck::chkSysExSpecify).Value == 1;
    setCheck(EditorCheck::chkSysExAll, checkValue(!specify));
    m_txtSysEx.Enabled = specify;
}

void EditorModel::cmbCCNumber_Click() {
    const int controller = list(EditorList::cmbCCNumber).ListIndex;
    if (kControllerValues.contains(controller)) {
        setCheck(EditorCheck::chkCC,
                 checkValue(CC_Enable[static_cast<std::size_t>(controller)] == 1));
    }
}

// Only the value 1 counts as enabled; a flag that already means the box's state is kept as is.
void EditorModel::chkCC_Click() {
    const int controller = list(EditorList::cmbCCNumber).ListIndex;
    if (!kControllerValues.contains(controller)) {
        return;
    }
    const bool ticked = check(EditorCheck::chkCC).Value == 1;
    std::int16_t& flag = CC_Enable[static_cast<std::size_t>(controller)];
    if ((flag == 1) != ticked) {
        flag = static_cast<std::int16_t>(checkValue(ticked));
    }
}

void EditorModel::cmbPreset_Click() {
    const int slot = list(EditorList::cmbPreset).ListIndex;
    if (kSlotValues.contains(slot)) {
        showPresetController(slot);
    }
}

// A slot whose controller lies outside 0..127 shows no controller.
void EditorModel::showPresetController(int slot) {
    const int controller = CC_Preset[static_cast<std::size_t>(slot)];
    chooseListItem(EditorList::cmbCC_Index,
                   kControllerValues.contains(controller) ? controller : -1);
}

void EditorModel::cmbCC_Index_Click() {
    if (!kControllerValues.contains(list(EditorList::cmbCC_Index).ListIndex)) {
        return;
    }
    if (!kSlotValues.contains(list(EditorList::cmbPreset).ListIndex)) {
        chooseListItem(EditorList::cmbPreset, 0);
    }
    CC_Preset[static_cast<std::size_t>(list(EditorList::cmbPreset).ListIndex)] =
        static_cast<std::int16_t>(list(EditorList::cmbCC_Index).ListIndex);
}

void EditorModel::Show_SysEx() {
    m_txtSysEx.Text = showSysExPattern(SysEx_Pattern);
}

std::optional<PatternItemError> EditorModel::txtSysEx_LostFocus() {
    if (!m_txtSysEx.Enabled) {
        return std::nullopt;
    }
    return takePatternText();
}

std::optional<PatternItemError> EditorModel::takePatternText() {
    FilterSettings pattern;
    pattern.SysEx_Pattern = SysEx_Pattern;
    pattern.SysEx_Count = SysEx_Count;
    auto error = applySysExPatternText(m_txtSysEx.Text, pattern);
    SysEx_Pattern = pattern.SysEx_Pattern;
    SysEx_Count = pattern.SysEx_Count;
    return error;
}

FilterSettings EditorModel::GatherSettings() const {
    const auto position = [this](EditorList which) {
        return static_cast<std::int16_t>(list(which).ListIndex);
    };
    const auto value = [this](EditorCheck which) {
        return static_cast<std::int16_t>(check(which).Value);
    };
    FilterSettings settings;
    settings.Channel = position(EditorList::cmbChannel);
    settings.Transpose = position(EditorList::cmbTranspose);
    settings.Velocity = static_cast<std::int16_t>(position(EditorList::cmbVelocity) + 1);
    settings.CC_Mode = value(EditorCheck::chkCCAll) == 1 ? CcMode::All : CcMode::One;
    settings.CC_Enable = CC_Enable;
    settings.CC_Slot = position(EditorList::cmbPreset);
    settings.CC_Preset = CC_Preset;
    settings.PitchBend = value(EditorCheck::chkPitchBend);
    settings.AfterTouch = value(EditorCheck::chkAfterTouch);
    settings.SysEx_Mode =
        value(EditorCheck::chkSysExAll) == 1 ? SysExMode::All : SysExMode::Specify;
    settings.SysEx_Count = SysEx_Count;
    settings.SysEx_Pattern = SysEx_Pattern;
    return settings;
}

void EditorModel::applyPreset(const FilterSettings& settings) {
    chooseListItem(EditorList::cmbChannel, settings.Channel);
    chooseListItem(EditorList::cmbTranspose, settings.Transpose);
    chooseListItem(EditorList::cmbVelocity, settings.Velocity - 1);
    CC_Enable = settings.CC_Enable;
    CC_Preset = settings.CC_Preset;

    chooseListItem(EditorList::cmbCCNumber, 0);
    setCheck(EditorCheck::chkCC, checkValue(CC_Enable[0] == 1));
    const bool all = settings.CC_Mode == CcMode::All;
    const int slot = all ? 0 : settings.CC_Slot;
    chooseListItem(EditorList::cmbPreset, slot);
    showPresetController(slot);
    setCheck(EditorCheck::chkCCAll, checkValue(all));
    setCheck(EditorCheck::chkCCOne, checkValue(!all));
    setCcModeControls(all);

    setCheck(EditorCheck::chkPitchBend, settings.PitchBend);
    setCheck(EditorCheck::chkAfterTouch, settings.AfterTouch);

    const bool sysExAll = settings.SysEx_Mode == SysExMode::All;
    setCheck(EditorCheck::chkSysExAll, checkValue(sysExAll));
    setCheck(EditorCheck::chkSysExSpecify, checkValue(!sysExAll));
    m_txtSysEx.Enabled = !sysExAll;
    SysEx_Pattern = settings.SysEx_Pattern;
    SysEx_Count = settings.SysEx_Count;
    Show_SysEx();
}

FilterSettings settingsAsLoaded(const FilterSettings& preset) {
    EditorModel editor;
    editor.Form_Load();
    editor.applyPreset(preset);
    return editor.GatherSettings();
}

}  // namespace corvane
