#pragma once

#include <filesystem>
#include <optional>

namespace corvane {

// The descriptor of this program that a path names: /dev/stdin, /dev/stdout and /dev/stderr
// (0, 1, 2), /dev/fd/N, and /proc/self/fd/N (also as /proc/thread-self/fd/N or with this
// program's own process number). Such a path is one of the program's open streams, wherever it
// points, and is read or written through the descriptor, never opened or replaced by name.
std::optional<int> descriptorNamedBy(const std::filesystem::path& path);

struct ClosedStandardStreams {
    bool in = false;
    bool out = false;
    bool err = false;
};

// Finds which of the descriptors 0, 1 and 2 the program was started without and puts
// /dev/null in each such place, so that no file or device opened later takes its number. The
// caller tells the missing streams apart from /dev/null by the result.
ClosedStandardStreams reserveClosedStandardStreams();

}  // namespace corvane
