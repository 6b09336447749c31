#include "files/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "files/MessageText.h"
#include "files/RegularFileInput.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for a path
constexpr int kTempNameAttempts = 100;
constexpr std::size_t kTempNameRandomLength = 12;
constexpr std::string_view kTempNameLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr mode_t kNewFileMode = 0666;  // narrowed by the process umask
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kAnyoneWriteBits = 0222;
constexpr const char* kOwnDescriptors = "/proc/self/fd";

// A hidden name of the target's folder that nobody can guess, short enough for any folder.
std::string randomTempName() {
    static std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, kTempNameLetters.size() - 1);
    std::string name = ".corvane-";
    for (std::size_t i = 0; i < kTempNameRandomLength; ++i) {
        name += kTempNameLetters[pick(source)];
    }
    return name + ".tmp";
}

class Descriptor {
  public:
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(-1); }

    void reset(int fd) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    // Closes and tells whether the close succeeded.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

bool writeAll(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

class SafeSave {
  public:
    SafeSave(const fs::path& path, std::string_view bytes)
        : m_path(path), m_shownPath(escapeControlBytes(path.string())), m_bytes(bytes) {}
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;
    ~SafeSave() {
        if (!m_tempName.empty()) {
            ::unlinkat(m_folder.get(), m_tempName.c_str(), 0);
        }
    }

    FileSaveResult run();

  private:
    bool resolveTarget();
    bool checkTarget();
    bool rewriteInPlace();
    bool createTemp();
    bool keepOwnerAndMode();
    bool nameTemp();
    bool replaceTarget();

    bool fail(std::string_view step, int error) { return refuse(step, std::strerror(error)); }
    bool refuse(std::string_view step, std::string_view why) {
        m_reason = std::string(step) + " " + m_shownPath + ": " + std::string(why);
        return false;
    }

    const fs::path& m_path;
    const std::string m_shownPath;
    const std::string_view m_bytes;
    fs::path m_target;  // m_path with every symlink followed
    bool m_exists = false;
    struct stat m_status {};
    Descriptor m_folder;
    Descriptor m_file;
    bool m_unnamed = false;  // m_file has no name yet
    std::string m_tempName;  // set while a temporary name in m_folder exists
    std::string m_reason;
};

FileSaveResult SafeSave::run() {
    if (m_path.empty() || !m_path.has_filename()) {
        return FileSaveResult{false, "no file name given: " + m_shownPath};
    }
    const bool saved = resolveTarget() && checkTarget() &&
                       (m_exists && m_status.st_nlink > 1
                            ? rewriteInPlace()
                            : createTemp() && keepOwnerAndMode() && nameTemp() && replaceTarget());
    return FileSaveResult{saved, saved ? std::string() : m_reason};
}

bool SafeSave::resolveTarget() {
    m_target = m_path;
    for (int hops = 0;; ++hops) {
        if (::lstat(m_target.c_str(), &m_status) != 0) {
            if (errno != ENOENT) {
                return fail("cannot write", errno);
            }
            m_exists = false;
            return true;
        }
        if (!S_ISLNK(m_status.st_mode)) {
            m_exists = true;
            return true;
        }
        if (hops == kMaxLinkHops) {
            return fail("cannot write", ELOOP);
        }
        std::error_code error;
        const fs::path link = fs::read_symlink(m_target, error);
        if (error) {
            return refuse("cannot write", error.message());
        }
        m_target = link.is_absolute() ? link : m_target.parent_path() / link;
    }
}

bool SafeSave::checkTarget() {
    if (m_exists) {
        if (!S_ISREG(m_status.st_mode)) {
            return refuse("cannot write", "it is " + std::string(nonRegularKind(m_status.st_mode)));
        }
        if ((m_status.st_mode & kAnyoneWriteBits) == 0) {
            return refuse("cannot write", "the file is read-only");
        }
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
            return fail("cannot write", errno);
        }
    }
    const fs::path folder = m_target.parent_path();
    m_folder.reset(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return m_folder.isOpen() || fail("cannot open the folder of", errno);
}

bool SafeSave::rewriteInPlace() {
    m_file.reset(::open(m_target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!m_file.isOpen()) {
        return fail("cannot write", errno);
    }
    struct stat opened {};
    if (::fstat(m_file.get(), &opened) != 0) {
        return fail("cannot write", errno);
    }
    if (opened.st_dev != m_status.st_dev || opened.st_ino != m_status.st_ino) {
        return refuse("cannot write", "the file was replaced while saving");
    }
    const auto size = static_cast<off_t>(m_bytes.size());
    if (::fallocate(m_file.get(), 0, 0, size) != 0 && errno != EOPNOTSUPP) {
        return fail("cannot make room for", errno);
    }
    if (!writeAll(m_file.get(), m_bytes, 0) || ::ftruncate(m_file.get(), size) != 0) {
        return fail("cannot write", errno);
    }
    if (::fsync(m_file.get()) != 0) {
        return fail("cannot flush", errno);
    }
    return m_file.close() || fail("cannot close", errno);
}

bool SafeSave::createTemp() {
    const mode_t mode = m_exists ? (m_status.st_mode & kPermissionBits) : kNewFileMode;
    if (::access(kOwnDescriptors, X_OK) == 0) {
        m_file.reset(::openat(m_folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (m_file.isOpen()) {
            m_unnamed = true;
            return true;
        }
        // Without unnamed files on this file system, a random hidden name serves.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return fail("cannot create a temporary file beside", errno);
        }
    }
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const std::string name = randomTempName();
        m_file.reset(
            ::openat(m_folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (m_file.isOpen()) {
            m_tempName = name;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return fail("cannot create a temporary file beside", errno);
}

bool SafeSave::keepOwnerAndMode() {
    if (m_exists) {
        // Only root may give a file away; anyone may keep a group they belong to.
        if (::fchown(m_file.get(), m_status.st_uid, m_status.st_gid) != 0) {
            if (errno != EPERM) {
                return fail("cannot keep the owner of", errno);
            }
            if (::fchown(m_file.get(), static_cast<uid_t>(-1), m_status.st_gid) != 0 &&
                errno != EPERM) {
                return fail("cannot keep the group of", errno);
            }
        }
        // After fchown, which clears set-user-ID and set-group-ID; the umask may also have
        // narrowed the mode the file was created with.
        if (::fchmod(m_file.get(), m_status.st_mode & kPermissionBits) != 0) {
            return fail("cannot keep the permissions of", errno);
        }
    }
    if (!writeAll(m_file.get(), m_bytes, 0)) {
        return fail("cannot write", errno);
    }
    return ::fsync(m_file.get()) == 0 || fail("cannot flush", errno);
}

bool SafeSave::nameTemp() {
    if (m_unnamed) {
        const std::string self = std::string(kOwnDescriptors) + "/" + std::to_string(m_file.get());
        for (int attempt = 0; attempt < kTempNameAttempts && m_tempName.empty(); ++attempt) {
            const std::string name = randomTempName();
            if (::linkat(AT_FDCWD, self.c_str(), m_folder.get(), name.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                m_tempName = name;
            } else if (errno != EEXIST) {
                return fail("cannot create a temporary file beside", errno);
            }
        }
        if (m_tempName.empty()) {
            return fail("cannot create a temporary file beside", EEXIST);
        }
    }
    return m_file.close() || fail("cannot close", errno);
}

bool SafeSave::replaceTarget() {
    const std::string name = m_target.filename().string();
    if (::renameat(m_folder.get(), m_tempName.c_str(), m_folder.get(), name.c_str()) != 0) {
        return fail("cannot replace", errno);
    }
    m_tempName.clear();
    if (::fsync(m_folder.get()) != 0) {
        return fail("the new file is in place, but cannot flush the folder of", errno);
    }
    return true;
}

}  // namespace

FileSaveResult saveFileSafely(const fs::path& path, std::string_view bytes) {
    return SafeSave(path, bytes).run();
}

}  // namespace corvane
