#include "files/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

namespace corvane {

namespace {

std::optional<int> descriptorNumber(const std::string& text) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || text[0] < '0' || text[0] > '9' || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

bool isClosed(int fd) {
    return ::fcntl(fd, F_GETFD) < 0 && errno == EBADF;
}

}  // namespace

std::optional<int> descriptorNamedBy(const std::filesystem::path& path) {
    if (!path.is_absolute()) {
        return std::nullopt;
    }
    const std::filesystem::path normal = path.lexically_normal();
    const std::vector<std::string> parts(std::next(normal.begin()), normal.end());
    if (parts.size() == 2 && parts[0] == "dev") {
        if (parts[1] == "stdin") {
            return STDIN_FILENO;
        }
        if (parts[1] == "stdout") {
            return STDOUT_FILENO;
        }
        if (parts[1] == "stderr") {
            return STDERR_FILENO;
        }
    }
    if (parts.size() == 3 && parts[0] == "dev" && parts[1] == "fd") {
        return descriptorNumber(parts[2]);
    }
    if (parts.size() == 4 && parts[0] == "proc" && parts[2] == "fd" &&
        (parts[1] == "self" || parts[1] == "thread-self" ||
         parts[1] == std::to_string(::getpid()))) {
        return descriptorNumber(parts[3]);
    }
    return std::nullopt;
}

ClosedStandardStreams reserveClosedStandardStreams() {
    ClosedStandardStreams closed;
    closed.in = isClosed(STDIN_FILENO);
    closed.out = isClosed(STDOUT_FILENO);
    closed.err = isClosed(STDERR_FILENO);
    // open() takes the lowest free number, so each fills the lowest missing one in turn.
    if (closed.in) {
        ::open("/dev/null", O_RDONLY);
    }
    if (closed.out) {
        ::open("/dev/null", O_WRONLY);
    }
    if (closed.err) {
        ::open("/dev/null", O_WRONLY);
    }
    return closed;
}

}  // namespace corvane
