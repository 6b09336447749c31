#pragma once

#include <QRect>
#include <QtGlobal>

#include <string_view>

namespace corvane {

// The row of push buttons, in pixels; the skin engraves a rule above it.
constexpr int kButtonRowTop = 640;
constexpr int kButtonHeight = 33;

enum class ControlKind { List, Check, Button, Text };

// One control of the window: its kind, object name, place in pixels, tool tip and, for a
// button, its caption.
struct ControlPlace {
    ControlKind kind;
    std::string_view name;
    QRect geometry;
    const char* tip;
    const char* caption = "";
};

// The window's controls in tab order. Their labels are lettering on the skin.
inline constexpr ControlPlace kControlLayout[] = {
    {ControlKind::List,
     "cmbChannel",
     {264, 172, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "MIDI channel of the unit (1 to 16)")},
    {ControlKind::List,
     "cmbTranspose",
     {264, 218, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note transpose in semitones (-11 to 11)")},
    {ControlKind::List,
     "cmbVelocity",
     {264, 264, 57, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Note velocity (1 to 127)")},
    {ControlKind::Check,
     "chkPitchBend",
     {568, 203, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter pitch bend")},
    {ControlKind::Check,
     "chkAfterTouch",
     {568, 247, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Filter after touch")},
    {ControlKind::Check,
     "chkCCAll",
     {160, 383, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "Control change mode All: an Enable flag for each controller")},
    {ControlKind::Check,
     "chkCCOne",
     {160, 426, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "Control change mode One: the controller of one preset slot")},
    {ControlKind::Check,
     "chkSysExSpecify",
     {160, 576, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "SysEx mode Specify: the byte pattern typed on the right")},
    {ControlKind::Check,
     "chkSysExAll",
     {160, 533, 13, 14},
     QT_TRANSLATE_NOOP("corvane::frmMain", "SysEx mode All")},
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
     QT_TRANSLATE_NOOP("corvane::frmMain", "Enable the controller chosen in CC Number")},
    {ControlKind::List,
     "cmbCCNumber",
     {312, 376, 161, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Controller whose Enable flag is shown")},
    {ControlKind::List,
     "cmbPreset",
     {260, 420, 49, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Preset slot (1 to 18)")},
    {ControlKind::List,
     "cmbCC_Index",
     {444, 420, 177, 27},
     QT_TRANSLATE_NOOP("corvane::frmMain", "Controller assigned to the chosen preset slot")},
    {ControlKind::Text,
     "txtSysEx",
     {210, 570, 400, 25},
     QT_TRANSLATE_NOOP("corvane::frmMain",
                       "SysEx byte pattern: up to 16 values 0 to 255, each followed by a comma")},
};

}  // namespace corvane
