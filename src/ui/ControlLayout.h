#pragma once

#include <QRect>
#include <QtGlobal>

#include <string_view>

namespace corvane {

// The row of push buttons, in pixels; the skin engraves a rule above it.
constexpr int kButtonRowTop = 640;
constexpr int kButtonHeight = 33;

enum class ControlKind { List, Check, Button, Text };

// One control of the window: its kind, object name, place in pixels, tool tip (also its
// accessible description) and label: a button's caption, for any other control the words of
// its lettering on the skin, which name it to screen readers.
struct ControlPlace {
    ControlKind kind;
    std::string_view name;
    QRect geometry;
    const char* tip;
    const char* label;
};

// The window's controls in tab order.
inline constexpr ControlPlace kControlLayout[] = {
    {ControlKind::List,
     "cmbChannel",
     {264, 172, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "MIDI channel of the unit (1 to 16)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "MIDI Channel")},
    {ControlKind::List,
     "cmbTranspose",
     {264, 218, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note transpose in semitones (-11 to 11)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note Transpose")},
    {ControlKind::List,
     "cmbVelocity",
     {264, 264, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note velocity (1 to 127)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note Velocity")},
    {ControlKind::Check,
     "chkPitchBend",
     {568, 203, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter pitch bend"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter Pitch Bend")},
    {ControlKind::Check,
     "chkAfterTouch",
     {568, 247, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter after touch"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter After Touch")},
    {ControlKind::Check,
     "chkCCAll",
     {160, 383, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "Control change mode All: an Enable flag for each controller"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Control Change All")},
    {ControlKind::Check,
     "chkCCOne",
     {160, 426, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "Control change mode One: the controller of one preset slot"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Control Change One")},
    {ControlKind::Check,
     "chkSysExSpecify",
     {160, 576, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "SysEx mode Specify: the byte pattern typed on the right"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "SysEx Specify")},
    {ControlKind::Check,
     "chkSysExAll",
     {160, 533, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "SysEx mode All"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "SysEx All")},
    {ControlKind::Button,
     "cmdLoad",
     {80, kButtonRowTop, 81, kButtonHeight},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Load the settings from a preset file (Ctrl+O)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Load")},
    {ControlKind::Button,
     "cmdSave",
     {192, kButtonRowTop, 81, kButtonHeight},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Save the settings to a preset file (Ctrl+S)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Save")},
    {ControlKind::Button,
     "cmdDevice",
     {304, kButtonRowTop, 81, kButtonHeight},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Choose the MIDI output device"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Device")},
    {ControlKind::Button,
     "cmdUpdate",
     {416, kButtonRowTop, 81, kButtonHeight},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Send the settings to the unit (Ctrl+Return)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Update")},
    {ControlKind::Button,
     "cmdExit",
     {528, kButtonRowTop, 81, kButtonHeight},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Close the MIDI port and quit (Ctrl+Q)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Exit")},
    {ControlKind::Check,
     "chkCC",
     {568, 383, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Enable the controller chosen in CC Number"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Enable")},
    {ControlKind::List,
     "cmbCCNumber",
     {312, 376, 161, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Controller whose Enable flag is shown"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "CC Number")},
    {ControlKind::List,
     "cmbPreset",
     {260, 420, 49, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Preset slot (1 to 18)"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Preset")},
    {ControlKind::List,
     "cmbCC_Index",
     {444, 420, 177, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Controller assigned to the chosen preset slot"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "Preset CC Number")},
    {ControlKind::Text,
     "txtSysEx",
     {210, 570, 400, 25},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "SysEx byte pattern: up to 16 values 0 to 255, each followed by a comma"),
     QT_TRANSLATE_NOOP("corvane::frmMain", "SysEx pattern")},
};

}  // namespace corvane
