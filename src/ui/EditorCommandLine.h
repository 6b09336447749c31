#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace corvane {

// What `corvane [--help] [--version] [--send-on-change] [--device NAME] [FILE...]` asks for.
struct EditorCommandLine {
    enum class Action {
        Run,          // start the editor, then load what `presetPaths` names
        PrintedInfo,  // --help or --version was answered on standard output: exit 0
        UsageError,   // a message is on standard error: exit 2
    };
    Action action = Action::Run;
    // One file loads as Load would; several, or a folder, make a set list. As given: bytes.
    std::vector<std::filesystem::path> presetPaths;
    bool sendOnChange = false;
    std::string deviceName;  // bytes as given; empty: no device is opened at start
};

// Answers --help and --version without a display: call before the GUI application object
// exists. Returns Action::Run when neither was given.
EditorCommandLine answerInfoOptions(int argc, char* argv[]);

// Reads FILE from what is left of argv, as bytes, once the GUI application object has taken
// Qt's own options (-platform, -style, ...). A file or device name reaches the program byte for
// byte, also where it is not UTF-8 (a Latin-1 file name).
EditorCommandLine parseEditorArguments(const std::vector<std::string>& arguments);

// Why no GUI can start, before trying: neither DISPLAY nor WAYLAND_DISPLAY is set and no
// platform was chosen with QT_QPA_PLATFORM or -platform. Empty when a start may be tried.
QString missingDisplayReason(int argc, char* argv[]);

// Turns Qt's fatal "no platform plugin could be initialised" into one line on standard error
// ("corvane: cannot open a display (REASON)") and exit status 1. Stays active for the
// construction of the GUI application object only.
class DisplayFailureGuard {
  public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
};

}  // namespace corvane
