#include "cli/CliPresetInput.h"

#include <ostream>

#include "presets/MessageText.h"
#include "presets/PresetFile.h"
#include "settings/EditorModel.h"

namespace corvane {

std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io) {
    const PresetReadResult result =
        namesStandardInput(file) ? readPreset(io.in) : readPresetFile(file);
    if (!result.ok()) {
        io.err << kInvalidPresetMessage << '\n'
               << escapeControlBytes(file) << ": " << result.reason << '\n';
        return std::nullopt;
    }
    EditorModel editor;
    editor.Form_Load();
    editor.applyPreset(*result.settings);
    return editor.GatherSettings();
}

}  // namespace corvane
