#include "files/RegularFileInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane {

std::string_view nonRegularKind(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFDIR:
            return "a folder";
        case S_IFIFO:
            return "a FIFO, not a regular file";
        case S_IFCHR:
        case S_IFBLK:
            return "a device, not a regular file";
        case S_IFSOCK:
            return "a socket, not a regular file";
        default:
            return "not a regular file";
    }
}

DescriptorInput::int_type DescriptorInput::underflow() {
    if (m_readFailed) {
        return traits_type::eof();
    }
    for (;;) {
        const ssize_t count = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (count > 0) {
            setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + count);
            return traits_type::to_int_type(m_buffer[0]);
        }
        if (count == 0) {
            return traits_type::eof();
        }
        if (errno != EINTR) {
            m_readFailed = true;
            m_problem = std::strerror(errno);
            return traits_type::eof();
        }
    }
}

std::string readFailureOf(const std::streambuf* buffer) {
    const auto* input = dynamic_cast<const DescriptorInput*>(buffer);
    return input != nullptr && input->readFailed() ? input->problem() : std::string();
}

RegularFileInput::RegularFileInput(const std::filesystem::path& path) : DescriptorInput(-1) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        m_problem = std::strerror(errno);
        return;
    }
    if (refuseUnlessRegular(status.st_mode)) {
        return;
    }
    m_fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_problem = std::strerror(errno);
        return;
    }
    if (::fstat(m_fd, &status) != 0) {
        m_problem = std::strerror(errno);
        return;
    }
    if (!refuseUnlessRegular(status.st_mode)) {
        m_status = Status::Open;
    }
}

bool RegularFileInput::refuseUnlessRegular(mode_t mode) {
    if (S_ISREG(mode)) {
        return false;
    }
    m_status = Status::NotRegular;
    m_problem = nonRegularKind(mode);
    return true;
}

RegularFileInput::~RegularFileInput() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

RegularFileInput::int_type RegularFileInput::underflow() {
    return m_status == Status::Open ? DescriptorInput::underflow() : traits_type::eof();
}

}  // namespace corvane
