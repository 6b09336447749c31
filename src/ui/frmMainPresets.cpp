#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/MessageText.h"
#include "presets/PresetFile.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

const QString kPresetFilter = QStringLiteral("Corvane Preset File(*.cvp)");

// Applies the preset file at path to the window, or returns why it was rejected.
std::optional<std::string> applyPresetFile(frmMain& window, const QString& path) {
    PresetReadResult result = readPresetFile(toFilePath(path));
    if (!result.ok()) {
        return std::move(result.reason);
    }
    window.applySettings(*result.settings);
    return std::nullopt;
}

}  // namespace

QString invalidPresetText() {
    return QString::fromUtf8(kInvalidPresetMessage.data(),
                             static_cast<qsizetype>(kInvalidPresetMessage.size()));
}

std::filesystem::path toFilePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

SetList setListOf(const QStringList& paths) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        files.push_back(toFilePath(path));
    }
    return SetList::fromPaths(files);
}

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

QStringList droppedPresetPaths(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (QFileInfo(path).suffix().compare(QStringLiteral("cvp"), Qt::CaseInsensitive) != 0) {
            return {};
        }
        paths.append(path);
    }
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return paths;
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPresetPaths(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

// The file loads once the drop has ended, so a message about a bad file does not hold up the
// program the file came from. Several files become the set list.
void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = droppedPresetPaths(*event->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, paths] {
        if (paths.size() > 1) {
            startSetList(setListOf(paths));
        } else if (takePendingSysExEdit()) {
            Load_Preset(paths.front());
        }
    });
}

bool frmMain::Load_Preset(const QString& path) {
    if (applyPresetFile(*this, path)) {
        m_dialogs.showMessage(this, invalidPresetText());
        return false;
    }
    finishUserEdit();
    return true;
}

void frmMain::loadPresetGivenAtStart(const QString& path) {
    if (const std::optional<std::string> reason = applyPresetFile(*this, path)) {
        m_dialogs.showMessage(
            this, invalidPresetText() + QLatin1Char('\n') + QString::fromStdString(*reason));
        return;
    }
    finishUserEdit();
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
