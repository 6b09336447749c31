#include "files/SafeSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ExtendedAttributes.h"
#include "files/MessageText.h"
#include "files/RegularFileInput.h"
#include "files/SaveSteps.h"
#include "files/StandardStreams.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for a path
constexpr int kTempNameAttempts = 100;
constexpr std::string_view kTempPrefix = ".corvane-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempNameRandomLength = 12;
constexpr std::string_view kTempNameLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::time_t kStaleTempSeconds = 60;
constexpr int kMaxNumberedCopies = 99;  // NAME.~1~ .. NAME.~99~ after NAME~
constexpr mode_t kNewFileMode = 0666;   // narrowed by the process umask
constexpr mode_t kCopyMode = 0600;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kAnyoneWriteBits = 0222;
constexpr std::size_t kCopyBufferSize = 64 * 1024;
constexpr const char* kOwnDescriptors = "/proc/self/fd";

// A hidden name of the target's folder that nobody can guess, short enough for any folder.
std::string randomTempName() {
    static std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, kTempNameLetters.size() - 1);
    std::string name(kTempPrefix);
    for (std::size_t i = 0; i < kTempNameRandomLength; ++i) {
        name += kTempNameLetters[pick(source)];
    }
    return name + std::string(kTempSuffix);
}

bool isTempName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempNameRandomLength + kTempSuffix.size() ||
        !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) {
        return false;
    }
    const std::string_view random = name.substr(kTempPrefix.size(), kTempNameRandomLength);
    return random.find_first_not_of(kTempNameLetters) == std::string_view::npos;
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
        saveStep("close");
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
        saveStep("pwrite");
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

// Writes at the descriptor's own position (or its end, when it appends), as a stream does;
// a descriptor that does not wait is waited for.
bool writeToStream(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (errno == EAGAIN) {
            pollfd ready{fd, POLLOUT, 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR) {
                return false;
            }
        } else if (errno != EINTR) {
            return false;
        }
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
        discardTemp();
        if (!m_copyName.empty() && !m_copyNeeded) {
            ::unlinkat(m_folder.get(), m_copyName.c_str(), 0);
        }
    }

    FileSaveResult run();

  private:
    enum class Outcome { Saved, Failed, CannotKeep };

    bool resolveTarget();
    bool writeStream();
    bool save();
    bool mayFollow(const fs::path& link, const struct stat& linkStatus);
    bool checkTarget();
    void removeStaleTemps();
    bool replaceByNewFile();
    Outcome replaceKeepingEverything();
    bool rewriteKeepingACopy(bool ownerCannotBeKept);
    bool keepCopy(int original);
    bool createTemp(mode_t mode);
    bool writeTemp();
    bool nameTemp();
    bool replaceTarget();
    void discardTemp();
    bool flushFolder(std::string_view step);
    bool openTargetAgain(int flags, Descriptor& file);
    bool writeInPlace(Descriptor& file);

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
    std::optional<int> m_stream;  // the program's descriptor that the path names
    struct stat m_status {};
    Descriptor m_folder;
    Descriptor m_file;
    bool m_unnamed = false;     // m_file has no name yet
    std::string m_tempName;     // set while a temporary name in m_folder exists
    std::string m_copyName;     // set while a copy of the old bytes exists
    bool m_copyNeeded = false;  // the file's rewrite has begun: the copy stays until it ends
    int m_openError = 0;
    std::string m_reason;
};

FileSaveResult SafeSave::run() {
    if (m_path.empty() || !m_path.has_filename()) {
        return FileSaveResult{false, "no file name given: " + m_shownPath};
    }
    const bool saved = resolveTarget() && (m_stream ? writeStream() : checkTarget() && save());
    return FileSaveResult{saved, saved ? std::string() : m_reason};
}

bool SafeSave::writeStream() {
    return writeToStream(*m_stream, m_bytes) || fail("cannot write", errno);
}

bool SafeSave::save() {
    removeStaleTemps();
    if (!m_exists) {
        return replaceByNewFile();
    }
    if (m_status.st_nlink > 1) {
        return rewriteKeepingACopy(false);
    }
    const Outcome outcome = replaceKeepingEverything();
    return outcome == Outcome::Saved ||
           (outcome == Outcome::CannotKeep && rewriteKeepingACopy(true));
}

bool SafeSave::resolveTarget() {
    m_target = m_path;
    for (int hops = 0;; ++hops) {
        if (const std::optional<int> fd = descriptorNamedBy(m_target)) {
            m_stream = fd;
            return true;
        }
        saveStep("lstat");
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
        if (!mayFollow(m_target, m_status)) {
            return false;
        }
        std::error_code error;
        saveStep("readlink");
        const fs::path link = fs::read_symlink(m_target, error);
        if (error) {
            return refuse("cannot write", error.message());
        }
        m_target = link.is_absolute() ? link : m_target.parent_path() / link;
    }
}

// The kernel's rule for links (fs.protected_symlinks): in a folder that anyone may write to and
// that has the sticky bit, as shared folders such as /tmp do, a link is followed only when it
// belongs to the user or to the folder's owner. Anyone else's link there may point at a file of
// the user's that its owner wants overwritten.
bool SafeSave::mayFollow(const fs::path& link, const struct stat& linkStatus) {
    const fs::path folder = link.parent_path();
    struct stat folderStatus {};
    saveStep("stat");
    if (::stat(folder.empty() ? "." : folder.c_str(), &folderStatus) != 0) {
        return fail("cannot open the folder of", errno);
    }
    const bool shared = (folderStatus.st_mode & S_ISVTX) != 0 && (folderStatus.st_mode & S_IWOTH);
    if (!shared || linkStatus.st_uid == ::geteuid() || linkStatus.st_uid == folderStatus.st_uid) {
        return true;
    }
    const std::string which =
        link == m_path ? "it is" : "it leads through " + escapeControlBytes(link.string()) + ",";
    return refuse("cannot write", which +
                                      " another user's symlink in a shared folder with the "
                                      "sticky bit, which is not followed");
}

bool SafeSave::checkTarget() {
    if (m_exists) {
        if (!S_ISREG(m_status.st_mode)) {
            return refuse("cannot write", "it is " + std::string(nonRegularKind(m_status.st_mode)));
        }
        if ((m_status.st_mode & kAnyoneWriteBits) == 0) {
            return refuse("cannot write", "the file is read-only");
        }
        saveStep("faccessat");
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
            return fail("cannot write", errno);
        }
    }
    const fs::path folder = m_target.parent_path();
    saveStep("open");
    m_folder.reset(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return m_folder.isOpen() || fail("cannot open the folder of", errno);
}

// Temporary files that an earlier save of this user's left when it was killed between naming
// its file and renaming it. Whatever cannot be looked at or removed is left alone.
void SafeSave::removeStaleTemps() {
    saveStep("openat");
    const int listing = ::openat(m_folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = listing < 0 ? nullptr : ::fdopendir(listing);
    if (folder == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    const std::time_t staleBefore = std::time(nullptr) - kStaleTempSeconds;
    saveStep("readdir");
    while (const dirent* entry = ::readdir(folder)) {
        struct stat status {};
        if (!isTempName(entry->d_name) ||
            ::fstatat(m_folder.get(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
            status.st_mtime > staleBefore) {
            continue;
        }
        saveStep("unlinkat");
        ::unlinkat(m_folder.get(), entry->d_name, 0);
    }
    ::closedir(folder);
}

bool SafeSave::replaceByNewFile() {
    return createTemp(kNewFileMode) && writeTemp() && nameTemp() && replaceTarget();
}

// A new file under the old name, when it can have the old file's owner, group, permissions
// and extended attributes. CannotKeep when it cannot, with nothing changed.
SafeSave::Outcome SafeSave::replaceKeepingEverything() {
    Descriptor original;
    if (!openTargetAgain(O_RDONLY, original)) {
        // Attributes that cannot be read cannot be kept either.
        return m_openError == EACCES ? Outcome::CannotKeep : Outcome::Failed;
    }
    if (!createTemp(m_status.st_mode & kPermissionBits)) {
        return Outcome::Failed;
    }
    // Only root may give a file away, and only to a group it belongs to may a user give one.
    saveStep("fchown");
    if (::fchown(m_file.get(), m_status.st_uid, m_status.st_gid) != 0) {
        if (errno != EPERM) {
            fail("cannot keep the owner of", errno);
            return Outcome::Failed;
        }
        discardTemp();
        return Outcome::CannotKeep;
    }
    const AttributeCopy attributes = copyExtendedAttributes(original.get(), m_file.get());
    if (attributes.outcome != AttributeCopy::Outcome::Copied) {
        if (attributes.outcome == AttributeCopy::Outcome::Failed) {
            fail("cannot keep the extended attributes of", attributes.error);
            return Outcome::Failed;
        }
        discardTemp();
        return Outcome::CannotKeep;
    }
    // After fchown, which clears set-user-ID and set-group-ID; the umask may also have
    // narrowed the mode the file was created with.
    saveStep("fchmod");
    if (::fchmod(m_file.get(), m_status.st_mode & kPermissionBits) != 0) {
        fail("cannot keep the permissions of", errno);
        return Outcome::Failed;
    }
    return writeTemp() && nameTemp() && replaceTarget() ? Outcome::Saved : Outcome::Failed;
}

// The same file written anew, for a file with several names or one whose owner, group or
// attributes a new file could not keep. The old bytes are first kept in a copy beside it,
// named as the editors name theirs, which is removed once the new bytes are on the disk. A
// kill at any point leaves the old bytes or the new ones under the name, or the old ones in
// the copy.
bool SafeSave::rewriteKeepingACopy(bool ownerCannotBeKept) {
    Descriptor file;
    if (!openTargetAgain(O_RDWR, file) || !keepCopy(file.get())) {
        if (ownerCannotBeKept) {
            m_reason += " (and a new file could not keep its owner, group and attributes)";
        }
        return false;
    }
    // The room first, so that a full disk fails before the old bytes change.
    saveStep("fallocate");
    if (::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(m_bytes.size())) != 0 &&
        errno != EOPNOTSUPP) {
        return fail("cannot make room for", errno);
    }
    const std::string shownCopy = escapeControlBytes(m_copyName);
    m_copyNeeded = true;
    if (!writeInPlace(file)) {
        m_reason += "; its old bytes are kept in " + shownCopy;
        return false;
    }
    saveStep("unlinkat");
    const bool removed = ::unlinkat(m_folder.get(), m_copyName.c_str(), 0) == 0;
    m_copyName.clear();
    if (!removed) {
        return fail("the new bytes are in place, but cannot remove the copy " + shownCopy + " of",
                    errno);
    }
    return flushFolder("the new bytes are in place, but cannot flush the folder of");
}

bool SafeSave::writeInPlace(Descriptor& file) {
    if (!writeAll(file.get(), m_bytes, 0)) {
        return fail("cannot write", errno);
    }
    saveStep("ftruncate");
    if (::ftruncate(file.get(), static_cast<off_t>(m_bytes.size())) != 0) {
        return fail("cannot write", errno);
    }
    saveStep("fsync");
    if (::fsync(file.get()) != 0) {
        return fail("cannot flush", errno);
    }
    return file.close() || fail("cannot close", errno);
}

// Copies the old bytes into NAME~ (or NAME.~N~ when that is taken) and flushes the copy and
// its name to the disk.
bool SafeSave::keepCopy(int original) {
    const std::string name = m_target.filename().string();
    saveStep("fpathconf");
    const long longest = ::fpathconf(m_folder.get(), _PC_NAME_MAX);
    const std::size_t nameMax = longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
    Descriptor copy;
    for (int number = 0; number <= kMaxNumberedCopies && !copy.isOpen(); ++number) {
        const std::string suffix = number == 0 ? "~" : ".~" + std::to_string(number) + "~";
        const std::string candidate = name.substr(0, nameMax - suffix.size()) + suffix;
        saveStep("openat");
        copy.reset(::openat(m_folder.get(), candidate.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kCopyMode));
        if (copy.isOpen()) {
            m_copyName = candidate;
        } else if (errno != EEXIST) {
            return fail("cannot keep a copy of the old bytes beside", errno);
        }
    }
    if (!copy.isOpen()) {
        return fail("cannot keep a copy of the old bytes beside", EEXIST);
    }
    // Readable by the file's owner when root saves; nobody else needs it. A copy left with its
    // maker's owner still holds the old bytes.
    saveStep("fchown");
    const int owned = ::fchown(copy.get(), m_status.st_uid, m_status.st_gid);
    static_cast<void>(owned);
    std::vector<char> buffer(kCopyBufferSize);
    for (off_t offset = 0;;) {
        saveStep("pread");
        const ssize_t count = ::pread(original, buffer.data(), buffer.size(), offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return fail("cannot read", errno);
        }
        if (count == 0) {
            break;
        }
        if (!writeAll(copy.get(), {buffer.data(), static_cast<std::size_t>(count)}, offset)) {
            return fail("cannot keep a copy of the old bytes beside", errno);
        }
        offset += count;
    }
    saveStep("fsync");
    if (::fsync(copy.get()) != 0 || !copy.close()) {
        return fail("cannot keep a copy of the old bytes beside", errno);
    }
    return flushFolder("cannot keep a copy of the old bytes beside");
}

// Opens the resolved target again, without following a link, and makes sure it is still the
// file that was checked. On failure the reason is set and m_openError holds the errno, or 0
// when the name now holds another file.
bool SafeSave::openTargetAgain(int flags, Descriptor& file) {
    saveStep("open");
    file.reset(::open(m_target.c_str(), flags | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (file.isOpen()) {
        saveStep("fstat");
    }
    if (!file.isOpen() || ::fstat(file.get(), &opened) != 0) {
        m_openError = errno;
        return fail("cannot write", m_openError);
    }
    if (opened.st_dev != m_status.st_dev || opened.st_ino != m_status.st_ino) {
        m_openError = 0;
        return refuse("cannot write", "the file was replaced while saving");
    }
    return true;
}

bool SafeSave::createTemp(mode_t mode) {
    saveStep("access");
    if (::access(kOwnDescriptors, X_OK) == 0) {
        saveStep("openat");
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
        saveStep("openat");
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

bool SafeSave::writeTemp() {
    if (!writeAll(m_file.get(), m_bytes, 0)) {
        return fail("cannot write", errno);
    }
    saveStep("fsync");
    return ::fsync(m_file.get()) == 0 || fail("cannot flush", errno);
}

bool SafeSave::nameTemp() {
    if (m_unnamed) {
        const std::string self = std::string(kOwnDescriptors) + "/" + std::to_string(m_file.get());
        for (int attempt = 0; attempt < kTempNameAttempts && m_tempName.empty(); ++attempt) {
            const std::string name = randomTempName();
            saveStep("linkat");
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
        m_unnamed = false;
    }
    return m_file.close() || fail("cannot close", errno);
}

bool SafeSave::replaceTarget() {
    const std::string name = m_target.filename().string();
    saveStep("renameat");
    if (::renameat(m_folder.get(), m_tempName.c_str(), m_folder.get(), name.c_str()) != 0) {
        return fail("cannot replace", errno);
    }
    m_tempName.clear();
    return flushFolder("the new file is in place, but cannot flush the folder of");
}

void SafeSave::discardTemp() {
    if (!m_tempName.empty()) {
        ::unlinkat(m_folder.get(), m_tempName.c_str(), 0);
        m_tempName.clear();
    }
    m_file.reset(-1);
    m_unnamed = false;
}

bool SafeSave::flushFolder(std::string_view step) {
    saveStep("fsync");
    return ::fsync(m_folder.get()) == 0 || fail(step, errno);
}

}  // namespace

FileSaveResult saveFileSafely(const fs::path& path, std::string_view bytes) {
    return SafeSave(path, bytes).run();
}

}  // namespace corvane
