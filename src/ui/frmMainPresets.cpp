#include <QFile>
#include <QString>

#include <filesystem>

#include "presets/MessageText.h"
#include "presets/PresetFile.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

const QString kPresetFilter = QStringLiteral("Corvane Preset File(*.cvp)");

std::filesystem::path toFilePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

void frmMain::cmdLoad_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    const QString path = m_dialogs.chooseOpenFile(this, QStringLiteral("Open"), kPresetFilter);
    if (!path.isEmpty()) {
        Load_Preset(path);
    }
}

void frmMain::cmdSave_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    const QString path = m_dialogs.chooseSaveFile(this, QStringLiteral("Save As"), kPresetFilter);
    if (!path.isEmpty()) {
        Save_Preset(path);
    }
}

void frmMain::Load_Preset(const QString& path) {
    const PresetReadResult result = readPresetFile(toFilePath(path));
    if (!result.ok()) {
        m_dialogs.showMessage(
            this, QString::fromUtf8(kInvalidPresetMessage.data(), kInvalidPresetMessage.size()));
        return;
    }
    applySettings(*result.settings);
}

void frmMain::Save_Preset(const QString& path) {
    const PresetSaveResult result = savePresetFile(toFilePath(path), GatherSettings());
    if (!result.ok) {
        const QString shownPath =
            QString::fromStdString(escapeControlBytes(path.toUtf8().toStdString()));
        m_dialogs.showMessage(this, QStringLiteral("Couldn't save preset file.\n") + shownPath +
                                        QLatin1Char('\n') + QString::fromStdString(result.reason));
    }
}

}  // namespace corvane
