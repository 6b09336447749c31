#include <QApplication>

#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(corvane::kAppTitle));

    const auto service = corvane::createRtMidiOutService();
    corvane::MidiOutPort port(*service);
    corvane::QtUserDialogs dialogs;
    corvane::SleepPacer pacer;

    corvane::frmMain window(port, dialogs, pacer);
    window.show();
    return QApplication::exec();
}
