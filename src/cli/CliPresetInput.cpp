#include "CliPresetInput.h"

#include <ostream>

#include "PresetFile.h"

namespace corvane {

std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io) {
    const PresetReadResult result =
        file == kStandardStream ? readPreset(io.in) : readPresetFile(file);
    if (!result.ok()) {
        io.err << kInvalidPresetMessage << '\n' << file << ": " << result.reason << '\n';
    }
    return result.settings;
}

}  // namespace corvane
