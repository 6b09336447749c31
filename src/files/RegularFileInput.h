#pragma once

#include <sys/types.h>

#include <array>
#include <filesystem>
#include <streambuf>
#include <string>
#include <string_view>

namespace corvane {

// What a path names when it is not a regular file: "a folder", "a FIFO, not a regular file",
// "a device, not a regular file", ...
std::string_view nonRegularKind(mode_t mode);

// A file opened for reading only when it is a regular file. The open never waits (a FIFO
// without a writer, a device), and the type is checked on the opened descriptor, so the path
// cannot be swapped between the check and the read.
class RegularFileInput : public std::streambuf {
  public:
    enum class Status {
        Open,
        CannotOpen,  // problem() holds the system's reason
        NotRegular,  // problem() holds what the path names instead
    };

    explicit RegularFileInput(const std::filesystem::path& path);
    RegularFileInput(const RegularFileInput&) = delete;
    RegularFileInput& operator=(const RegularFileInput&) = delete;
    ~RegularFileInput() override;

    Status status() const { return m_status; }
    const std::string& problem() const { return m_problem; }
    // True when a read failed after the open; the data then ends early and problem() holds
    // the system's reason.
    bool readFailed() const { return m_readFailed; }

  protected:
    int_type underflow() override;

  private:
    static constexpr std::size_t kBufferSize = 4096;

    int m_fd = -1;
    Status m_status = Status::CannotOpen;
    std::string m_problem;
    bool m_readFailed = false;
    std::array<char, kBufferSize> m_buffer{};
};

}  // namespace corvane
