#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "frmMain.h"

namespace corvane {

namespace {

std::int16_t checkValue(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

std::int16_t position(const QComboBox* list) {
    return static_cast<std::int16_t>(list->currentIndex());
}

}  // namespace

FilterSettings frmMain::GatherSettings() const {
    FilterSettings settings;
    settings.Channel = position(cmbChannel);
    settings.Transpose = position(cmbTranspose);
    settings.Velocity = static_cast<std::int16_t>(position(cmbVelocity) + 1);
    settings.CC_Mode = chkCCAll->isChecked() ? CcMode::All : CcMode::One;
    settings.CC_Enable = CC_Enable;
    settings.CC_Slot = position(cmbPreset);
    settings.CC_Preset = CC_Preset;
    settings.PitchBend = checkValue(chkPitchBend);
    settings.AfterTouch = checkValue(chkAfterTouch);
    settings.SysEx_Mode = chkSysExAll->isChecked() ? SysExMode::All : SysExMode::Specify;
    settings.SysEx_Count = SysEx_Count;
    settings.SysEx_Pattern = SysEx_Pattern;
    return settings;
}

// In the order of the preset file. The handlers that the changes run keep what is set here.
void frmMain::applySettings(const FilterSettings& settings) {
    cmbChannel->setCurrentIndex(settings.Channel);
    cmbTranspose->setCurrentIndex(settings.Transpose);
    cmbVelocity->setCurrentIndex(settings.Velocity - 1);
    CC_Enable = settings.CC_Enable;
    CC_Preset = settings.CC_Preset;

    cmbCCNumber->setCurrentIndex(0);
    chkCC->setChecked(CC_Enable[0] == 1);
    const bool all = settings.CC_Mode == CcMode::All;
    const int slot = all ? 0 : settings.CC_Slot;
    cmbPreset->setCurrentIndex(slot);
    showPresetController(slot);
    chkCCAll->setChecked(all);
    chkCCOne->setChecked(!all);
    setCcModeControls(all);

    chkPitchBend->setChecked(settings.PitchBend == 1);
    chkAfterTouch->setChecked(settings.AfterTouch == 1);

    const bool sysExAll = settings.SysEx_Mode == SysExMode::All;
    chkSysExAll->setChecked(sysExAll);
    chkSysExSpecify->setChecked(!sysExAll);
    txtSysEx->setEnabled(!sysExAll);
    SysEx_Pattern = settings.SysEx_Pattern;
    SysEx_Count = settings.SysEx_Count;
    Show_SysEx();
}

}  // namespace corvane
