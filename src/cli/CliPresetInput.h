#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Cli.h"
#include "FilterSettings.h"

namespace corvane {

// A file argument of "-" stands for standard input or output.
constexpr std::string_view kStandardStream = "-";

// Reads the preset named by a FILE argument, as the editor's Load would. A rejected file is
// reported on io.err with "Invalid Corvane Preset File!" and the reason.
std::optional<FilterSettings> loadPresetArgument(const std::string& file, CliStreams& io);

}  // namespace corvane
