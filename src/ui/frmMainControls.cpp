#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "midi/MidiOutPort.h"
#include "ui/ControlLayout.h"
#include "ui/SerifFace.h"
#include "ui/SystemColours.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

const QColor kSpecifyBackground(255, 255, 255);  // behind chkSysExSpecify in every theme
constexpr qreal kComboPointSize = 12.0;
constexpr qreal kButtonPointSize = 14.25;
constexpr qreal kTextPointSize = 11.25;

QString translated(const char* text) {
    return QCoreApplication::translate("corvane::frmMain", text);
}

// The three faces of the controls, made once and shared by every control that shows them.
struct ControlFonts {
    QFont list = serifFont(kComboPointSize, false);
    QFont button = serifFont(kButtonPointSize, true);
    QFont text = serifFont(kTextPointSize, false);
};

void fillBackground(QWidget* widget, SystemColour background) {
    setSystemColours(*widget, systemColour(background, widget->palette()),
                     SystemColour::COLOR_WINDOWTEXT);
}

QStringList numberTexts(int first, int last) {
    QStringList texts;
    for (int n = first; n <= last; ++n) {
        texts << QString::number(n);
    }
    return texts;
}

// The items a list holds from the start; the velocity and controller lists are filled by
// Form_Load.
QStringList designItems(EditorList which) {
    switch (which) {
        case EditorList::cmbChannel:
            return numberTexts(1, kChannelCount);
        case EditorList::cmbTranspose:
            return numberTexts(-kTransposeZero, kTransposePositions - 1 - kTransposeZero);
        case EditorList::cmbPreset:
            return numberTexts(1, kPresetSlotCount);
        case EditorList::cmbVelocity:
        case EditorList::cmbCCNumber:
        case EditorList::cmbCC_Index:
            break;
    }
    return {};
}

template <std::size_t N>
std::size_t positionOf(const std::array<std::string_view, N>& names, std::string_view name) {
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

// A list-only combo box: a choice is always one of its items.
QComboBox* combo(QWidget* parent, EditorList which, const QFont& font) {
    auto* box = new QComboBox(parent);
    box->setEditable(false);
    box->setFont(font);
    fillBackground(box, SystemColour::COLOR_MENU);
    box->addItems(designItems(which));
    box->setCurrentIndex(-1);
    return box;
}

QCheckBox* check(QWidget* parent, std::string_view name) {
    auto* box = new QCheckBox(parent);
    fillBackground(box, SystemColour::COLOR_CAPTIONTEXT);
    if (name == "chkSysExSpecify") {
        // The margin around the box; the box itself keeps the colours of its theme.
        QPalette palette = box->palette();
        palette.setColor(QPalette::Window, kSpecifyBackground);
        box->setPalette(palette);
    }
    return box;
}

QPushButton* button(QWidget* parent, const char* caption, const QFont& font) {
    auto* push = new QPushButton(translated(caption), parent);
    push->setFont(font);
    push->setAutoDefault(false);
    return push;
}

QLineEdit* textBox(QWidget* parent, const QFont& font) {
    auto* text = new QLineEdit(parent);
    text->setFont(font);
    fillBackground(text, SystemColour::COLOR_CAPTIONTEXT);
    return text;
}

// Screen readers on Linux name a combo box by its current item and read the label that names
// it from a buddy label. The label lies under its list, which covers it: the skin's lettering
// is what the eye sees. It takes its list's font, so that it needs no face of its own.
void nameList(QComboBox* list, const ControlPlace& place) {
    auto* label = new QLabel(translated(place.label), list->parentWidget());
    label->setFont(list->font());
    label->setObjectName(
        QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size())) +
        QStringLiteral("_Label"));
    label->setGeometry(place.geometry);
    label->setBuddy(list);
    label->stackUnder(list);
}

}  // namespace

// Builds the controls of kControlLayout, in its tab order. Their states come from the model.
void frmMain::createControls() {
    const ControlFonts fonts;
    QWidget* previous = nullptr;
    for (const ControlPlace& place : kControlLayout) {
        QWidget* control = nullptr;
        switch (place.kind) {
            case ControlKind::List: {
                const std::size_t i = positionOf(kEditorListNames, place.name);
                m_lists[i] = combo(this, static_cast<EditorList>(i), fonts.list);
                control = m_lists[i];
                nameList(m_lists[i], place);
                break;
            }
            case ControlKind::Check: {
                const std::size_t i = positionOf(kEditorCheckNames, place.name);
                m_checks[i] = check(this, place.name);
                control = m_checks[i];
                break;
            }
            case ControlKind::Button:
                control = button(this, place.label, fonts.button);
                break;
            case ControlKind::Text:
                txtSysEx = textBox(this, fonts.text);
                control = txtSysEx;
                break;
        }
        control->setObjectName(
            QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size())));
        control->setGeometry(place.geometry);
        control->setToolTip(translated(place.tip));
        control->setAccessibleName(translated(place.label));
        control->setAccessibleDescription(translated(place.tip));
        control->setFocusPolicy(Qt::StrongFocus);
        if (previous != nullptr) {
            setTabOrder(previous, control);
        }
        previous = control;
    }
}

QComboBox* frmMain::listWidget(EditorList which) const {
    return m_lists[static_cast<std::size_t>(which)];
}

QCheckBox* frmMain::checkWidget(EditorCheck which) const {
    return m_checks[static_cast<std::size_t>(which)];
}

// Every change of a check state, a list choice or the pattern text, by the user or from code,
// goes to the model, whose rules (chkCCAll_Click, cmbPreset_Click ...) run at once; the
// controls then show what the model holds.
void frmMain::connectHandlers() {
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const auto which = static_cast<EditorList>(i);
        connect(m_lists[i], &QComboBox::currentIndexChanged, this, [this, which](int position) {
            m_model.chooseListItem(which, position);
            showModel();
            finishUserEdit();
        });
    }
    for (std::size_t i = 0; i < m_checks.size(); ++i) {
        const auto which = static_cast<EditorCheck>(i);
        connect(m_checks[i], &QCheckBox::toggled, this, [this, which](bool ticked) {
            m_model.setCheck(which, ticked ? 1 : 0);
            showModel();
            finishUserEdit();
        });
    }
    connect(txtSysEx, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_model.typePatternText(text.toStdString()); });
    const std::pair<const char*, void (frmMain::*)()> commands[] = {
        {"cmdLoad", &frmMain::cmdLoad_Click},     {"cmdSave", &frmMain::cmdSave_Click},
        {"cmdDevice", &frmMain::cmdDevice_Click}, {"cmdUpdate", &frmMain::cmdUpdate_Click},
        {"cmdExit", &frmMain::cmdExit_Click},
    };
    for (const auto& [name, command] : commands) {
        connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this,
                command);
    }
    txtSysEx->installEventFilter(this);
}

void frmMain::showModel() {
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const ListState& state = m_model.list(static_cast<EditorList>(i));
        QComboBox* list = m_lists[i];
        const QSignalBlocker silent(list);
        if (list->currentIndex() != state.ListIndex) {
            list->setCurrentIndex(state.ListIndex);
        }
        list->setEnabled(state.Enabled);
    }
    for (std::size_t i = 0; i < m_checks.size(); ++i) {
        const CheckState& state = m_model.check(static_cast<EditorCheck>(i));
        QCheckBox* box = m_checks[i];
        const QSignalBlocker silent(box);
        box->setChecked(state.Value == 1);
        box->setEnabled(state.Enabled);
    }
    const QString text = QString::fromStdString(m_model.txtSysEx().Text);
    const QSignalBlocker silent(txtSysEx);
    if (txtSysEx->text() != text) {
        txtSysEx->setText(text);
    }
    txtSysEx->setEnabled(m_model.txtSysEx().Enabled);
}

void frmMain::finishUserEdit() {
    if (m_history.finishStep(m_model)) {
        queueSendOnChange();
    }
}

void frmMain::showUndoneState(const std::optional<EditorModel>& state) {
    if (state) {
        m_model = *state;
        showModel();
        queueSendOnChange();
    }
}

// The send waits for the event loop, so that an edit's rules have all run and an Update made
// in the meantime sends the edit with it.
void frmMain::queueSendOnChange() {
    if (m_sendOnChange && !m_sendQueued) {
        m_sendQueued = true;
        QMetaObject::invokeMethod(this, &frmMain::sendChangedSettings, Qt::QueuedConnection);
    }
}

// The settings as the window holds them: a pattern still being typed is not taken.
void frmMain::sendChangedSettings() {
    if (std::exchange(m_sendQueued, false) && m_port.isOpen()) {
        sendSettings();
    }
}

void frmMain::setSendOnChange(bool on) {
    m_sendOnChange = on;
}

void frmMain::undo() {
    if (takePendingSysExEdit()) {
        showUndoneState(m_history.undo());
    }
}

void frmMain::redo() {
    if (takePendingSysExEdit()) {
        showUndoneState(m_history.redo());
    }
}

void frmMain::applySettings(const FilterSettings& settings) {
    m_model.applyPreset(settings);
    showModel();
}

}  // namespace corvane
