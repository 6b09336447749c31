#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/Cli.h"
#include "files/StandardStreams.h"
#include "settings/FilterSettings.h"

namespace corvane {

// A file argument of "-" stands for standard input or output.
constexpr std::string_view kStandardStream = "-";

// "-" and the system's own names for the standard streams (/dev/stdin, /dev/fd/0, ...),
// which are pipes or terminals as often as files and so are not opened like other files.
inline bool namesStandardInput(const std::string& file) {
    return file == kStandardStream || descriptorNamedBy(file) == 0;
}
inline bool namesStandardOutput(const std::string& file) {
    return file == kStandardStream || descriptorNamedBy(file) == 1;
}

// Reads the preset named by a FILE argument and returns the settings the editor holds after
// loading it, as its Load would. A rejected file is
// reported on io.err with "Invalid Corvane Preset File!" and the reason.
std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io);

}  // namespace corvane
