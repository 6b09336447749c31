#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "files/SafeSave.h"
#include "settings/FilterSettings.h"

namespace corvane {

// The one message a rejected preset file is reported with.
constexpr std::string_view kInvalidPresetMessage = "Invalid Corvane Preset File!";

// Longest item the reader accepts; a valid file's longest item has 17 characters.
constexpr std::size_t kMaxPresetItemLength = 1024;

// The 18-line preset file (ASCII, CR LF after every line) for the settings.
std::string writePresetText(const FilterSettings& settings);

struct PresetReadResult {
    std::optional<FilterSettings> settings;  // set exactly when the whole file was valid
    std::string reason;                      // why it was rejected

    bool ok() const { return settings.has_value(); }
};

// Reads a preset. Either the complete settings or a failure; never a partial record.
PresetReadResult readPreset(std::istream& in);
PresetReadResult readPresetText(std::string_view text);
PresetReadResult readPresetFile(const std::filesystem::path& path);

using PresetSaveResult = FileSaveResult;

// Writes the preset text through saveFileSafely.
PresetSaveResult savePresetFile(const std::filesystem::path& path, const FilterSettings& settings);

}  // namespace corvane
