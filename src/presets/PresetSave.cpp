#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "presets/PresetFile.h"

namespace corvane {

namespace {

constexpr int kTempNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the process umask

std::string errnoText(int error) {
    return std::strerror(error);
}

PresetSaveResult failed(const std::string& step, const std::filesystem::path& path, int error) {
    return PresetSaveResult{false, step + " " + path.string() + ": " + errnoText(error)};
}

// An owned descriptor of a temporary file that is removed unless released.
class TempFile {
  public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        closeQuietly();
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }

    // Creates a new file with a name not used before in the target's folder.
    int create(const std::filesystem::path& target) {
        static std::atomic<unsigned> counter{0};
        const std::filesystem::path folder = target.parent_path();
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
            const std::string name = "." + target.filename().string() + ".tmp-" +
                                     std::to_string(::getpid()) + "-" +
                                     std::to_string(counter.fetch_add(1));
            const std::filesystem::path candidate = folder / name;
            m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
            if (m_fd >= 0) {
                m_path = candidate;
                return 0;
            }
            if (errno != EEXIST) {
                return errno;
            }
        }
        return EEXIST;
    }

    int writeAll(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return 0;
    }

    // Keeps the permissions of the file being replaced.
    int copyModeFrom(const std::filesystem::path& target) {
        struct stat status {};
        if (::stat(target.c_str(), &status) != 0) {
            return errno == ENOENT ? 0 : errno;
        }
        return ::fchmod(m_fd, status.st_mode & 07777) == 0 ? 0 : errno;
    }

    int sync() { return ::fsync(m_fd) == 0 ? 0 : errno; }

    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

    int renameTo(const std::filesystem::path& target) {
        if (::rename(m_path.c_str(), target.c_str()) != 0) {
            return errno;
        }
        m_path.clear();
        return 0;
    }

    const std::filesystem::path& path() const { return m_path; }

  private:
    void closeQuietly() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    int m_fd = -1;
    std::filesystem::path m_path;
};

// Makes the rename itself durable; the file is already complete, so a failure here is not
// reported.
void syncFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

PresetSaveResult savePresetFile(const std::filesystem::path& path, const FilterSettings& settings) {
    if (path.empty() || !path.has_filename()) {
        return PresetSaveResult{false, "no file name given: " + path.string()};
    }
    const std::string text = writePresetText(settings);
    TempFile temp;
    if (const int error = temp.create(path)) {
        return failed("cannot create a temporary file beside", path, error);
    }
    if (const int error = temp.writeAll(text)) {
        return failed("cannot write", temp.path(), error);
    }
    if (const int error = temp.copyModeFrom(path)) {
        return failed("cannot set the permissions of", temp.path(), error);
    }
    if (const int error = temp.sync()) {
        return failed("cannot flush", temp.path(), error);
    }
    if (const int error = temp.close()) {
        return failed("cannot close", temp.path(), error);
    }
    if (const int error = temp.renameTo(path)) {
        return failed("cannot replace", path, error);
    }
    syncFolder(path.parent_path());
    return PresetSaveResult{true, {}};
}

}  // namespace corvane
