#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "files/MessageText.h"
#include "presets/PresetFile.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

const QString kPresetFilter = QStringLiteral("Corvane Preset File(*.cvp)");

// Applies the preset file at path to the window, or returns why it was rejected.
std::optional<std::string> applyPresetFile(frmMain& window, const std::filesystem::path& path) {
    PresetReadResult result = readPresetFile(path);
    if (!result.ok()) {
        return std::move(result.reason);
    }
    window.applySettings(*result.settings);
    return std::nullopt;
}

// The one entry of folder whose name Qt shows as `shown`; a name that is not UTF-8 (a Latin-1
// "caf\xE9") reaches a QString with U+FFFD in place of its stray bytes, and back on the way
// to the file system would name another file.
std::optional<std::filesystem::path> entryShownAs(const std::filesystem::path& folder,
                                                  const QString& shown) {
    std::optional<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        const std::filesystem::path name = entry->path().filename();
        if (QFile::decodeName(QByteArray::fromStdString(name.string())) == shown) {
            if (found) {
                return std::nullopt;
            }
            found = name;
        }
    }
    return found;
}

}  // namespace

QString invalidPresetText() {
    return QString::fromUtf8(kInvalidPresetMessage.data(),
                             static_cast<qsizetype>(kInvalidPresetMessage.size()));
}

std::filesystem::path toFilePath(const QString& path) {
    std::filesystem::path bytes(QFile::encodeName(path).toStdString());
    if (!path.contains(QChar::ReplacementCharacter)) {
        return bytes;
    }
    std::filesystem::path resolved;
    for (const std::filesystem::path& part : bytes) {
        const QString shown = QFile::decodeName(QByteArray::fromStdString(part.string()));
        const auto entry = shown.contains(QChar::ReplacementCharacter)
                               ? entryShownAs(resolved, shown)
                               : std::nullopt;
        resolved /= entry.value_or(part);
    }
    return resolved;
}

QString shownPath(const std::filesystem::path& path) {
    return QString::fromStdString(escapeControlBytes(path.string()));
}

void frmMain::cmdLoad_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    const QString path = m_dialogs.chooseOpenFile(this, QStringLiteral("Open"), kPresetFilter);
    if (!path.isEmpty()) {
        Load_Preset(toFilePath(path));
    }
}

void frmMain::cmdSave_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    const QString path = m_dialogs.chooseSaveFile(this, QStringLiteral("Save As"), kPresetFilter);
    if (!path.isEmpty()) {
        Save_Preset(toFilePath(path));
    }
}

// The path of a file address as the file system names it: its percent-encoded bytes decoded,
// not read as UTF-8 first.
std::vector<std::filesystem::path> droppedPresetPaths(const QMimeData& data) {
    std::vector<std::filesystem::path> paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        std::filesystem::path path(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
        std::string extension = path.extension().string();
        std::ranges::transform(extension, extension.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension != ".cvp") {
            return {};
        }
        paths.push_back(std::move(path));
    }
    std::ranges::sort(paths, {}, [](const std::filesystem::path& path) { return path.filename(); });
    return paths;
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPresetPaths(*event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

// The file loads once the drop has ended, so a message about a bad file does not hold up the
// program the file came from. Several files become the set list.
void frmMain::dropEvent(QDropEvent* event) {
    const std::vector<std::filesystem::path> paths = droppedPresetPaths(*event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, paths] {
        if (paths.size() > 1) {
            startSetList(SetList::fromPaths(paths));
        } else if (takePendingSysExEdit()) {
            Load_Preset(paths.front());
        }
    });
}

bool frmMain::Load_Preset(const std::filesystem::path& path) {
    if (applyPresetFile(*this, path)) {
        m_dialogs.showMessage(this, invalidPresetText());
        return false;
    }
    finishUserEdit();
    return true;
}

void frmMain::loadPresetGivenAtStart(const std::filesystem::path& path) {
    if (const std::optional<std::string> reason = applyPresetFile(*this, path)) {
        m_dialogs.showMessage(
            this, invalidPresetText() + QLatin1Char('\n') + QString::fromStdString(*reason));
        return;
    }
    finishUserEdit();
}

void frmMain::Save_Preset(const std::filesystem::path& path) {
    const PresetSaveResult result = savePresetFile(path, GatherSettings());
    if (!result.ok) {
        m_dialogs.showMessage(this, QStringLiteral("Couldn't save preset file.\n") +
                                        shownPath(path) + QLatin1Char('\n') +
                                        QString::fromStdString(result.reason));
    }
}

}  // namespace corvane
