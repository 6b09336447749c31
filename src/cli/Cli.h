#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Process exit codes of corvane-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // invalid or unreadable input, or a MIDI failure
constexpr int kExitUsage = 2;

struct CliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

using CliArgs = std::vector<std::string>;

// Runs corvane-cli with its arguments (without the program name).
int runCli(const CliArgs& args, CliStreams& io);

// Bad usage: the problem on io.err, then a blank line and usage (text ending in a line end).
// Returns kExitUsage.
int usageError(CliStreams& io, std::string_view problem, std::string_view usage);

}  // namespace corvane
