#include "presets/SetList.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

namespace corvane {

namespace {

bool isPresetFileName(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".cvp";
}

// The .cvp entries of a folder, by name; an unreadable folder has none.
std::vector<std::filesystem::path> presetFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (isPresetFileName(entry->path())) {
            files.push_back(entry->path());
        }
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return files;
}

}  // namespace

SetList::SetList(std::vector<std::filesystem::path> files) : m_files(std::move(files)) {}

SetList SetList::fromPaths(const std::vector<std::filesystem::path>& paths) {
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& path : paths) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            const auto inFolder = presetFilesIn(path);
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else {
            files.push_back(path);
        }
    }
    return SetList(std::move(files));
}

bool SetList::next() {
    if (m_position + 1 >= m_files.size()) {
        return false;
    }
    ++m_position;
    return true;
}

bool SetList::previous() {
    if (m_position == 0 || m_files.empty()) {
        return false;
    }
    --m_position;
    return true;
}

std::string SetList::label() const {
    if (m_files.empty()) {
        return {};
    }
    return std::to_string(m_position + 1) + '/' + std::to_string(m_files.size()) + "  " +
           current().filename().string();
}

}  // namespace corvane
