#include "CliPresetInput.h"

#include <ostream>

#include "MessageText.h"
#include "PresetFile.h"

namespace corvane {

std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io) {
    const PresetReadResult result =
        namesStandardInput(file) ? readPreset(io.in) : readPresetFile(file);
    if (!result.ok()) {
        io.err << kInvalidPresetMessage << '\n'
               << escapeControlBytes(file) << ": " << result.reason << '\n';
    }
    return result.settings;
}

}  // namespace corvane
