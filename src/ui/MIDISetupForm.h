#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <string>

#include "midi/MidiOutService.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace corvane {

class MidiOutPort;
class UpdateTransfer;
class UserDialogs;

// The report of a refused open: "Couldn't open midi out, rc = N", then the reason, if any.
QString openFailureMessage(MidiResult result, const std::string& reason);

// The device dialog: the user picks the MIDI output device the settings dump goes to.
// A top-level window without an owner; OK hides it, a close by the window system deletes it.
class MIDISetupForm final : public QWidget {
    Q_OBJECT

  public:
    // topLeft: where the dialog's top-left corner goes, the main window's corner. With a
    // transfer, OK waits for the dump on its way, if any, with the button disabled meanwhile.
    MIDISetupForm(MidiOutPort& port, UserDialogs& dialogs, QPoint topLeft,
                  UpdateTransfer* transfer = nullptr);

    // Builds the device list anew: "MIDI Mapper", then each device's name as it is now; the
    // entry shown before stays selected while it is in the list, else "MIDI Mapper" is.
    void Form_Update();

  private slots:
    // Closes the port, opens the chosen device (position - 1) if it is still the one shown,
    // reports a refused open, marks a device as chosen and hides the dialog.
    void cmdOK_Click();

  private:
    void Form_Load(QPoint topLeft);
    void chooseDevice(int position, const std::string& name);

    MidiOutPort& m_port;
    UserDialogs& m_dialogs;
    UpdateTransfer* m_transfer;
    QComboBox* Combo_MIDI_OUT;
    QLabel* Label2;
    QPushButton* cmdOK;
};

}  // namespace corvane
