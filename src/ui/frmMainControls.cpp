#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStringList>

#include "frmMain.h"

namespace corvane {

namespace {

const QColor kMenuColour(240, 240, 240);         // system colour of menus
const QColor kCaptionTextColour(255, 255, 255);  // system colour of caption text
const QColor kSpecifyBoxColour(255, 255, 255);   // chkSysExSpecify
const QString kFontFamily = QStringLiteral("Times New Roman");
constexpr qreal kComboPointSize = 12.0;
constexpr qreal kButtonPointSize = 14.25;
constexpr qreal kTextPointSize = 11.25;

QFont serifFont(qreal pointSize, bool bold) {
    QFont font(kFontFamily);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void fillBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename Control>
Control* place(Control* control, const char* name, const QRect& geometry, const QString& tip) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    control->setToolTip(tip);
    control->setFocusPolicy(Qt::StrongFocus);
    return control;
}

// A list-only combo box: a choice is always one of its items.
QComboBox* combo(QWidget* parent, const char* name, const QRect& geometry, const QStringList& items,
                 const QString& tip) {
    auto* box = place(new QComboBox(parent), name, geometry, tip);
    box->setEditable(false);
    box->setFont(serifFont(kComboPointSize, false));
    fillBackground(box, kMenuColour);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

// A bare check box; its label is lettering on the skin.
QCheckBox* check(QWidget* parent, const char* name, const QRect& geometry, bool ticked,
                 const QString& tip, const QColor& background = kCaptionTextColour) {
    auto* box = place(new QCheckBox(parent), name, geometry, tip);
    box->setChecked(ticked);
    fillBackground(box, background);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QRect& geometry,
                    const QString& caption, const QString& tip) {
    auto* push = place(new QPushButton(caption, parent), name, geometry, tip);
    push->setFont(serifFont(kButtonPointSize, true));
    push->setAutoDefault(false);
    return push;
}

QStringList numberTexts(int first, int last) {
    QStringList texts;
    for (int n = first; n <= last; ++n) {
        texts << QString::number(n);
    }
    return texts;
}

}  // namespace

// Controls in tab order, at their pixel positions. The design state is control-change mode All
// and SysEx mode All.
void frmMain::createControls() {
    cmbChannel = combo(this, "cmbChannel", {264, 172, 57, 27}, numberTexts(1, kChannelCount),
                       tr("MIDI channel of the unit (1 to 16)"));
    cmbTranspose = combo(this, "cmbTranspose", {264, 218, 57, 27},
                         numberTexts(-kTransposeZero, kTransposePositions - 1 - kTransposeZero),
                         tr("Note transpose in semitones (-11 to 11)"));
    cmbVelocity =
        combo(this, "cmbVelocity", {264, 264, 57, 27}, {}, tr("Note velocity (1 to 127)"));
    chkPitchBend = check(this, "chkPitchBend", {568, 203, 13, 14}, true, tr("Filter pitch bend"));
    chkAfterTouch =
        check(this, "chkAfterTouch", {568, 247, 13, 14}, true, tr("Filter after touch"));
    chkCCAll = check(this, "chkCCAll", {160, 383, 13, 14}, true,
                     tr("Control change mode All: an Enable flag for each controller"));
    chkCCOne = check(this, "chkCCOne", {160, 426, 13, 14}, false,
                     tr("Control change mode One: the controller of one preset slot"));
    chkSysExSpecify =
        check(this, "chkSysExSpecify", {160, 576, 13, 14}, false,
              tr("SysEx mode Specify: the byte pattern typed on the right"), kSpecifyBoxColour);
    chkSysExAll = check(this, "chkSysExAll", {160, 533, 13, 14}, true, tr("SysEx mode All"));
    cmdLoad = button(this, "cmdLoad", {80, 640, 81, 33}, tr("Load"),
                     tr("Load the settings from a preset file (Ctrl+O)"));
    cmdSave = button(this, "cmdSave", {192, 640, 81, 33}, tr("Save"),
                     tr("Save the settings to a preset file (Ctrl+S)"));
    cmdDevice = button(this, "cmdDevice", {304, 640, 81, 33}, tr("Device"),
                       tr("Choose the MIDI output device"));
    cmdUpdate = button(this, "cmdUpdate", {416, 640, 81, 33}, tr("Update"),
                       tr("Send the settings to the unit (Ctrl+Return)"));
    cmdExit = button(this, "cmdExit", {528, 640, 81, 33}, tr("Exit"),
                     tr("Close the MIDI port and quit (Ctrl+Q)"));
    chkCC = check(this, "chkCC", {568, 383, 13, 14}, true,
                  tr("Enable the controller chosen in CC Number"));
    cmbCCNumber = combo(this, "cmbCCNumber", {312, 376, 161, 27}, {},
                        tr("Controller whose Enable flag is shown"));
    cmbPreset = combo(this, "cmbPreset", {260, 420, 49, 27}, numberTexts(1, kPresetSlotCount),
                      tr("Preset slot (1 to 18)"));
    cmbCC_Index = combo(this, "cmbCC_Index", {444, 420, 177, 27}, {},
                        tr("Controller assigned to the chosen preset slot"));
    txtSysEx = place(new QLineEdit(this), "txtSysEx", {210, 570, 400, 25},
                     tr("SysEx byte pattern: up to 16 values 0 to 255, each followed by a comma"));
    txtSysEx->setFont(serifFont(kTextPointSize, false));
    fillBackground(txtSysEx, kCaptionTextColour);

    cmbPreset->setEnabled(false);
    cmbCC_Index->setEnabled(false);
    txtSysEx->setEnabled(false);

    QWidget* const tabOrder[] = {cmbChannel,    cmbTranspose, cmbVelocity, chkPitchBend,
                                 chkAfterTouch, chkCCAll,     chkCCOne,    chkSysExSpecify,
                                 chkSysExAll,   cmdLoad,      cmdSave,     cmdDevice,
                                 cmdUpdate,     cmdExit,      chkCC,       cmbCCNumber,
                                 cmbPreset,     cmbCC_Index,  txtSysEx};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

// A change of a check state or a list choice, by the user or from code, runs the control's
// handler at once.
void frmMain::connectHandlers() {
    connect(chkCCAll, &QCheckBox::toggled, this, &frmMain::chkCCAll_Click);
    connect(chkCCOne, &QCheckBox::toggled, this, &frmMain::chkCCOne_Click);
    connect(chkSysExAll, &QCheckBox::toggled, this, &frmMain::chkSysExAll_Click);
    connect(chkSysExSpecify, &QCheckBox::toggled, this, &frmMain::chkSysExSpecify_Click);
    connect(chkCC, &QCheckBox::toggled, this, &frmMain::chkCC_Click);
    connect(cmbCCNumber, &QComboBox::currentIndexChanged, this, &frmMain::cmbCCNumber_Click);
    connect(cmbPreset, &QComboBox::currentIndexChanged, this, &frmMain::cmbPreset_Click);
    connect(cmbCC_Index, &QComboBox::currentIndexChanged, this, &frmMain::cmbCC_Index_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &frmMain::cmdLoad_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdDevice, &QPushButton::clicked, this, &frmMain::cmdDevice_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmMain::cmdUpdate_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    txtSysEx->installEventFilter(this);
}

}  // namespace corvane
