#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiOutPort.h"
#include "midi/backend/MidiBackend.h"
#include "midi/backend/MidiWorker.h"
#include "ui/EditorCommandLine.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

namespace {

constexpr int kExitNoDisplay = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QString::fromLatin1(corvane::kAppTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));

    if (corvane::answerInfoOptions(argc, argv).action ==
        corvane::EditorCommandLine::Action::PrintedInfo) {
        return 0;
    }
    if (const QString reason = corvane::missingDisplayReason(argc, argv); !reason.isEmpty()) {
        std::fprintf(stderr, "corvane: cannot open a display (%s)\n", qPrintable(reason));
        return kExitNoDisplay;
    }
    std::unique_ptr<QApplication> app;
    {
        const corvane::DisplayFailureGuard guard;
        app = std::make_unique<QApplication>(argc, argv);
    }
    // argv as Qt left it, without its own options; QCoreApplication::arguments() would have
    // read the bytes as UTF-8 and lost those of a Latin-1 file name.
    const corvane::EditorCommandLine commandLine =
        corvane::parseEditorArguments(std::vector<std::string>(argv, argv + argc));
    if (commandLine.action == corvane::EditorCommandLine::Action::UsageError) {
        return kExitUsage;
    }

    int status = 0;
    {
        const auto service = corvane::createMidiOutService();
        corvane::MidiOutPort port(*service);
        corvane::QtUserDialogs dialogs;

        corvane::frmMain window(port, dialogs);
        window.setSendOnChange(commandLine.sendOnChange);
        window.show();
        if (!commandLine.deviceName.empty()) {
            QTimer::singleShot(0, &window, [&window, name = commandLine.deviceName] {
                window.openDeviceByName(name);
            });
        }
        if (!commandLine.presetPaths.empty()) {
            // Once the window is up, as if the file had been chosen with Load.
            QTimer::singleShot(0, &window, [&window, paths = commandLine.presetPaths] {
                window.openAtStart(paths);
            });
        }
        status = QApplication::exec();
    }
    corvane::endAtOnceIfCallsAbandoned(status);
    return status;
}
