#include <QFile>
#include <QFileInfo>
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

// The empty strip of the panel under the buttons.
constexpr QRect kSetListStrip{80, 690, 529, 28};
constexpr qreal kSetListPointSize = 12.0;
const QColor kSetListText(214, 224, 255);

QString fromFilePath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
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
    QPalette palette = m_setListLabel->palette();
    palette.setColor(QPalette::WindowText, kSetListText);
    m_setListLabel->setPalette(palette);
    m_setListLabel->setAccessibleDescription(QStringLiteral("Set list position and file"));
    m_setListLabel->hide();

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

void frmMain::openAtStart(const QStringList& paths) {
    if (paths.size() == 1 && !QFileInfo(paths.front()).isDir()) {
        loadPresetGivenAtStart(paths.front());
        return;
    }
    const SetList list = setListOf(paths);
    if (list.empty()) {
        const std::string shown =
            escapeControlBytes(paths.join(QStringLiteral(", ")).toStdString());
        m_dialogs.showMessage(
            this,
            invalidPresetText() +
                QStringLiteral("\n%1 holds no .cvp files.").arg(QString::fromStdString(shown)));
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

// The position moves even when the file is bad, so that the next key passes it.
void frmMain::loadSetListFile(bool send) {
    const QString label = QString::fromStdString(m_setList.label());
    m_setListLabel->setText(label);
    m_setListLabel->setAccessibleName(QStringLiteral("Set list ") + label);
    if (!takePendingSysExEdit()) {
        return;
    }
    if (Load_Preset(fromFilePath(m_setList.current())) && send && m_port.isOpen()) {
        cmdUpdate_Click();
    }
}

}  // namespace corvane
