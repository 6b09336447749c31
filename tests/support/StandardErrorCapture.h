#pragma once

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace corvane::testing {

// What action writes to standard error (file descriptor 2), C and C++ streams alike.
inline std::string capturedStandardError(const std::function<void()>& action) {
    std::FILE* capture = std::tmpfile();
    if (capture == nullptr) {
        return "<no capture file>";
    }
    std::fflush(stderr);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(::fileno(capture), STDERR_FILENO);
    action();
    std::fflush(stderr);
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    std::rewind(capture);
    std::string shown(4096, '\0');
    shown.resize(std::fread(shown.data(), 1, shown.size(), capture));
    std::fclose(capture);
    return shown;
}

}  // namespace corvane::testing
