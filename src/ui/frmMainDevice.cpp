#include <string>
#include <vector>

#include "files/MessageText.h"
#include "midi/MidiOutPort.h"
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

void frmMain::openDeviceByName(const std::string& text) {
    const std::vector<std::string> choices = m_port.deviceChoices();
    const std::vector<std::size_t> named = positionsNamed(choices, text);
    if (named.size() == 1) {
        const MidiResult opened =
            m_port.choosePosition(static_cast<int>(named.front()), choices[named.front()]);
        if (opened != MidiResult::Ok) {
            m_dialogs.showMessage(this, openFailureMessage(opened, m_port.serviceError()));
        }
        return;
    }
    const bool several = !named.empty();
    std::string reason = several ? "Several MIDI output device names contain \""
                                 : "No MIDI output device name contains \"";
    reason += escapeControlBytes(text);
    reason += several ? "\":" : "\".";
    for (const std::size_t position : named) {
        reason += '\n';
        reason += escapeControlBytes(choices[position]);
    }
    m_dialogs.showMessage(this, openFailureMessage(MidiResult::BadDeviceId, reason));
}

}  // namespace corvane
