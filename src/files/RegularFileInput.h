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

// Reads an open descriptor, which it does not close. A failed read ends the data and is kept
// with the system's reason. A descriptor of -1 stands for a closed one: the first read fails
// with "Bad file descriptor".
class DescriptorInput : public std::streambuf {
  public:
    explicit DescriptorInput(int fd) : m_fd(fd) {}
    DescriptorInput(const DescriptorInput&) = delete;
    DescriptorInput& operator=(const DescriptorInput&) = delete;

    // True when a read failed; the data then ends early and problem() holds the reason.
    bool readFailed() const { return m_readFailed; }
    const std::string& problem() const { return m_problem; }

  protected:
    int_type underflow() override;

    int m_fd;
    std::string m_problem;

  private:
    static constexpr std::size_t kBufferSize = 4096;

    bool m_readFailed = false;
    std::array<char, kBufferSize> m_buffer{};
};

// Why reading through buffer failed, when it is a DescriptorInput whose read failed; empty
// for any other buffer.
std::string readFailureOf(const std::streambuf* buffer);

// A file opened for reading only when it is a regular file. The path's type is checked before
// the open, so a device, FIFO or folder is never opened; the open never waits and takes no
// controlling terminal, and the type is checked again on the opened descriptor, so the path
// cannot be swapped between the check and the read.
class RegularFileInput : public DescriptorInput {
  public:
    enum class Status {
        Open,
        CannotOpen,  // problem() holds the system's reason
        NotRegular,  // problem() holds what the path names instead
    };

    explicit RegularFileInput(const std::filesystem::path& path);
    ~RegularFileInput() override;

    Status status() const { return m_status; }

  protected:
    int_type underflow() override;

  private:
    bool refuseUnlessRegular(mode_t mode);

    Status m_status = Status::CannotOpen;
};

}  // namespace corvane
