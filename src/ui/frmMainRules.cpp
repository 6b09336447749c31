#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "frmMain.h"

namespace corvane {

// Mode All: the controller list and its Enable box; mode One: the slot list and its controller.
void frmMain::setCcModeControls(bool all) {
    cmbCCNumber->setEnabled(all);
    chkCC->setEnabled(all);
    cmbPreset->setEnabled(!all);
    cmbCC_Index->setEnabled(!all);
}

void frmMain::chkCCAll_Click() {
    const bool all = chkCCAll->isChecked();
    chkCCOne->setChecked(!all);
    setCcModeControls(all);
}

void frmMain::chkCCOne_Click() {
    const bool one = chkCCOne->isChecked();
    chkCCAll->setChecked(!one);
    setCcModeControls(!one);
}

void frmMain::chkSysExAll_Click() {
    const bool all = chkSysExAll->isChecked();
    chkSysExSpecify->setChecked(!all);
    txtSysEx->setEnabled(!all);
}

void frmMain::chkSysExSpecify_Click() {
    const bool specify = chkSysExSpecify->isChecked();
    chkSysExAll->setChecked(!specify);
    txtSysEx->setEnabled(specify);
}

void frmMain::cmbCCNumber_Click() {
    const int controller = cmbCCNumber->currentIndex();
    if (kControllerValues.contains(controller)) {
        chkCC->setChecked(CC_Enable[static_cast<std::size_t>(controller)] == 1);
    }
}

// Only the value 1 counts as enabled; a flag that already means the box's state is kept as is.
void frmMain::chkCC_Click() {
    const int controller = cmbCCNumber->currentIndex();
    if (!kControllerValues.contains(controller)) {
        return;
    }
    std::int16_t& flag = CC_Enable[static_cast<std::size_t>(controller)];
    if ((flag == 1) != chkCC->isChecked()) {
        flag = chkCC->isChecked() ? 1 : 0;
    }
}

void frmMain::cmbPreset_Click() {
    const int slot = cmbPreset->currentIndex();
    if (kSlotValues.contains(slot)) {
        showPresetController(slot);
    }
}

// A slot whose controller lies outside 0..127 shows no controller.
void frmMain::showPresetController(int slot) {
    const int controller = CC_Preset[static_cast<std::size_t>(slot)];
    cmbCC_Index->setCurrentIndex(kControllerValues.contains(controller) ? controller : -1);
}

void frmMain::cmbCC_Index_Click() {
    if (!kControllerValues.contains(cmbCC_Index->currentIndex())) {
        return;
    }
    if (!kSlotValues.contains(cmbPreset->currentIndex())) {
        cmbPreset->setCurrentIndex(0);
    }
    CC_Preset[static_cast<std::size_t>(cmbPreset->currentIndex())] =
        static_cast<std::int16_t>(cmbCC_Index->currentIndex());
}

}  // namespace corvane
