#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>

#include <filesystem>
#include <string>

#include "files/MessageText.h"
#include "midi/MidiOutPort.h"
#include "ui/SerifFace.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

// The empty strip of the panel under the buttons: the set list's line, then the report line.
constexpr QRect kSetListStrip{80, 690, 529, 28};
constexpr qreal kSetListPointSize = 12.0;
const QColor kSetListText(214, 224, 255);
constexpr QRect kReportLine{80, 718, 529, 40};
constexpr qreal kReportPointSize = 10.0;
// Light red on the panel's near black (about RGB(19, 19, 19)): contrast about 6.6 to 1.
const QColor kReportText(255, 112, 112);
const QString kReportLineName = QStringLiteral("lblTransferReport");

// The report line reads as an alert to screen readers, which speak an alert as it appears and
// as its text changes, wherever the focus is.
QAccessibleInterface* reportLineAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("QLabel") && object->objectName() == kReportLineName) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    }
    return nullptr;
}

void setTextColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    widget.setPalette(palette);
}

}  // namespace

// Page Down and Page Up, which foot-pedal page turners send, act wherever the focus is, a
// closed list too, but only while a set list is active; otherwise the lists keep the keys.
// They are taken from the key presses of the window and its controls.
void frmMain::createSetListStrip() {
    m_setListLabel = new QLabel(this);
    m_setListLabel->setObjectName(QStringLiteral("lblSetList"));
    m_setListLabel->setGeometry(kSetListStrip);
    m_setListLabel->setAlignment(Qt::AlignCenter);
    m_setListLabel->setFont(serifFont(kSetListPointSize, true));
    m_setListLabel->setTextFormat(Qt::PlainText);
    setTextColour(*m_setListLabel, kSetListText);
    m_setListLabel->setAccessibleDescription(QStringLiteral("Set list position and file"));
    m_setListLabel->hide();

    static const bool factoryInstalled = [] {
        QAccessible::installFactory(reportLineAccessible);
        return true;
    }();
    static_cast<void>(factoryInstalled);
    m_reportLabel = new QLabel(this);
    m_reportLabel->setObjectName(kReportLineName);
    m_reportLabel->setGeometry(kReportLine);
    m_reportLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_reportLabel->setWordWrap(true);
    m_reportLabel->setTextFormat(Qt::PlainText);
    m_reportLabel->setAttribute(Qt::WA_TransparentForMouseEvents);  // a press moves the window
    m_reportLabel->setFont(serifFont(kReportPointSize, true));
    setTextColour(*m_reportLabel, kReportText);
    m_reportLabel->hide();

    for (QWidget* control : findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
}

bool frmMain::takesSetListKey(const QKeyEvent& key) {
    if (m_setList.empty() || key.modifiers() != Qt::NoModifier) {
        return false;
    }
    if (key.key() == Qt::Key_PageDown) {
        nextPreset();
        return true;
    }
    if (key.key() == Qt::Key_PageUp) {
        previousPreset();
        return true;
    }
    return false;
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (!takesSetListKey(*event)) {
        QWidget::keyPressEvent(event);
    }
}

void frmMain::openAtStart(const std::vector<std::filesystem::path>& paths) {
    std::error_code error;
    if (paths.size() == 1 && !std::filesystem::is_directory(paths.front(), error)) {
        loadPresetGivenAtStart(paths.front());
        return;
    }
    const SetList list = SetList::fromPaths(paths);
    if (list.empty()) {
        QStringList shown;
        for (const std::filesystem::path& path : paths) {
            shown.append(shownPath(path));
        }
        m_dialogs.showMessage(
            this,
            invalidPresetText() +
                QStringLiteral("\n%1 holds no .cvp files.").arg(shown.join(QStringLiteral(", "))));
        return;
    }
    startSetList(list);
}

void frmMain::startSetList(const SetList& list) {
    m_setList = list;
    m_setListLabel->show();
    loadSetListFile(false);
}

void frmMain::nextPreset() {
    if (m_setList.next()) {
        loadSetListFile(true);
    }
}

void frmMain::previousPreset() {
    if (m_setList.previous()) {
        loadSetListFile(true);
    }
}

void frmMain::showSendFailure(const QString& text) {
    const bool again = !text.isEmpty() && text == m_reportLabel->accessibleName();
    m_reportLabel->setText(text);
    m_reportLabel->setAccessibleName(text);
    m_reportLabel->setVisible(!text.isEmpty());
    if (again) {
        // The same failure once more is news too: screen readers are told it again.
        QAccessibleEvent told(m_reportLabel, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&told);
    }
}

// "2/5  verse.cvp" on one line: the name escaped as in messages and shortened in its middle
// to fit, the position always whole.
void frmMain::showSetListPosition() {
    const QString position =
        QStringLiteral("%1/%2  ").arg(m_setList.position() + 1).arg(m_setList.size());
    const QString name = shownPath(m_setList.current().filename());
    const QFontMetrics metrics(m_setListLabel->font());
    const int room = m_setListLabel->contentsRect().width() - metrics.horizontalAdvance(position);
    m_setListLabel->setText(position + metrics.elidedText(name, Qt::ElideMiddle, room));
    m_setListLabel->setAccessibleName(QStringLiteral("Set list ") + position + name);
}

// The position moves even when the file is bad, so that the next key passes it.
void frmMain::loadSetListFile(bool send) {
    showSetListPosition();
    if (!takePendingSysExEdit()) {
        return;
    }
    if (Load_Preset(m_setList.current()) && send && m_port.isOpen()) {
        cmdUpdate_Click();
    }
}

}  // namespace corvane
