#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QShortcut>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "midi/MidiOutPort.h"
#include "ui/SerifFace.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

// The empty strip of the panel under the buttons.
constexpr QRect kSetListStrip{80, 690, 529, 28};
constexpr qreal kSetListPointSize = 12.0;
const QColor kSetListText(214, 224, 255);

std::filesystem::path toFilePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString fromFilePath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

// Page Down and Page Up, which foot-pedal page turners send, act wherever the focus is, a
// closed list too, but only while a set list is active; otherwise the lists keep the keys.
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

    const std::pair<Qt::Key, void (frmMain::*)()> keys[] = {
        {Qt::Key_PageDown, &frmMain::nextPreset},
        {Qt::Key_PageUp, &frmMain::previousPreset},
    };
    for (std::size_t i = 0; i < m_setListKeys.size(); ++i) {
        m_setListKeys[i] = new QShortcut(QKeySequence(keys[i].first), this);
        m_setListKeys[i]->setEnabled(false);
        connect(m_setListKeys[i], &QShortcut::activated, this, keys[i].second);
    }
}

void frmMain::openAtStart(const QStringList& paths) {
    if (paths.size() == 1 && !QFileInfo(paths.front()).isDir()) {
        Load_Preset(paths.front());
        return;
    }
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        files.push_back(toFilePath(path));
    }
    startSetList(SetList::fromPaths(files));
}

void frmMain::startSetList(const SetList& list) {
    if (list.empty()) {
        m_dialogs.showMessage(this, QStringLiteral("The set list holds no .cvp files."));
        return;
    }
    m_setList = list;
    for (QShortcut* key : m_setListKeys) {
        key->setEnabled(true);
    }
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
