#include "ui/MIDISetupForm.h"

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <string>

#include "files/MessageText.h"
#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"
#include "ui/SerifFace.h"
#include "ui/UserDialogs.h"

namespace corvane {

namespace {

constexpr QSize kClientSize{255, 192};  // 3825 x 2880 twips
constexpr QRect kComboGeometry{16, 56, 217, 23};
constexpr QRect kLabelGeometry{56, 16, 128, 19};
constexpr QRect kOkGeometry{176, 128, 57, 25};

void setColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

}  // namespace

MIDISetupForm::MIDISetupForm(MidiOutPort& port, UserDialogs& dialogs, QPoint topLeft,
                             UpdateTransfer* transfer)
    : QWidget(nullptr, Qt::Window),
      m_port(port),
      m_dialogs(dialogs),
      m_transfer(transfer),
      Combo_MIDI_OUT(new QComboBox(this)),
      Label2(new QLabel(QStringLiteral("MIDI OUT Device"), this)),
      cmdOK(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("MIDISetupForm"));
    setWindowTitle(QStringLiteral("MIDI Device Setup"));
    setFixedSize(kClientSize);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setColour(*this, QPalette::Window, Qt::black);
    setAutoFillBackground(true);

    Combo_MIDI_OUT->setObjectName(QStringLiteral("Combo_MIDI_OUT"));
    Combo_MIDI_OUT->setEditable(false);
    Combo_MIDI_OUT->setGeometry(kComboGeometry);
    Combo_MIDI_OUT->setFont(serifFont(9, false));

    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(kLabelGeometry);
    Label2->setFont(serifFont(12, true));
    setColour(*Label2, QPalette::Window, Qt::black);
    setColour(*Label2, QPalette::WindowText, Qt::white);
    Label2->setAutoFillBackground(true);
    Label2->setBuddy(Combo_MIDI_OUT);
    Combo_MIDI_OUT->setAccessibleName(Label2->text());

    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(kOkGeometry);
    cmdOK->setFont(serifFont(10.5, true));
    connect(cmdOK, &QPushButton::clicked, this, &MIDISetupForm::cmdOK_Click);

    setTabOrder(Combo_MIDI_OUT, Label2);
    setTabOrder(Label2, cmdOK);

    Form_Load(topLeft);
}

void MIDISetupForm::Form_Load(QPoint topLeft) {
    move(topLeft);
}

// The list is read anew at every showing, so that OK opens the device it shows; the choice
// shown last stays chosen while that device is there.
void MIDISetupForm::Form_Update() {
    const QString shown = Combo_MIDI_OUT->currentText();
    Combo_MIDI_OUT->clear();
    for (const std::string& name : m_port.deviceChoices()) {
        Combo_MIDI_OUT->addItem(QString::fromStdString(escapeControlBytes(name)),
                                QByteArray::fromStdString(name));
    }
    Combo_MIDI_OUT->setCurrentIndex(std::max(0, Combo_MIDI_OUT->findText(shown)));
}

QString openFailureMessage(MidiResult result, const std::string& reason) {
    QString text = QString::fromStdString(openRefusedText(result));
    if (!reason.empty()) {
        text += QLatin1Char('\n') + QString::fromStdString(escapeControlBytes(reason));
    }
    return text;
}

void MIDISetupForm::cmdOK_Click() {
    const int position = Combo_MIDI_OUT->currentIndex();
    const std::string name = Combo_MIDI_OUT->currentData().toByteArray().toStdString();
    if (m_transfer == nullptr) {
        chooseDevice(position, name);
        return;
    }
    // The choice as it stood at the press; a dialog discarded meanwhile chooses nothing.
    cmdOK->setEnabled(false);
    m_transfer->whenIdle([self = QPointer<MIDISetupForm>(this), position, name] {
        if (self) {
            self->cmdOK->setEnabled(true);
            self->chooseDevice(position, name);
        }
    });
}

void MIDISetupForm::chooseDevice(int position, const std::string& name) {
    const MidiResult opened = m_port.choosePosition(position, name);
    if (opened != MidiResult::Ok) {
        m_dialogs.showMessage(this, openFailureMessage(opened, m_port.serviceError()));
    }
    hide();
}

}  // namespace corvane
