#include "ui/MIDISetupForm.h"
#include "ui/frmMain.h"

namespace corvane {

void frmMain::cmdDevice_Click() {
    if (!m_deviceDialog) {
        m_deviceDialog = new MIDISetupForm(m_port, m_dialogs, pos(), &m_transfer);
        // The dialog has no owner; it goes when the main window goes.
        MIDISetupForm* dialog = m_deviceDialog;
        connect(this, &QObject::destroyed, dialog, [dialog] { delete dialog; });
    }
    m_deviceDialog->show();
    m_deviceDialog->Form_Update();
    m_deviceDialog->raise();
    m_deviceDialog->activateWindow();
}

}  // namespace corvane
