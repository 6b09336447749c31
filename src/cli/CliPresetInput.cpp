#include "cli/CliPresetInput.h"

#include <ostream>

#include "editor/EditorModel.h"
#include "files/MessageText.h"
#include "presets/PresetFile.h"

namespace corvane {

std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io) {
    const PresetReadResult result =
        namesStandardInput(file) ? readPreset(io.in) : readPresetFile(file);
    if (!result.ok()) {
        io.err << kInvalidPresetMessage << '\n'
               << escapeControlBytes(file) << ": " << result.reason << '\n';
        return std::nullopt;
    }
    return settingsAsLoaded(*result.settings);
}

}  // namespace corvane
