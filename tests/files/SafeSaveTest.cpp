#include "files/SafeSave.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <set>
#include <string>

#include "ChildProcess.h"
#include "FileContents.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "old bytes\r\n";
const std::string kNew = "new bytes, a little longer\r\n";

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

struct stat statusOf(const fs::path& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status;
}

// An access ACL as the kernel stores it in system.posix_acl_access: version 2, then entries of
// tag, permissions and id (little-endian), sorted by tag.
std::string aclBytes(std::uint32_t namedUser) {
    std::string bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    put(2, 4);
    const struct {
        std::uint16_t tag, permissions;
        std::uint32_t id;
    } entries[] = {{0x01, 6, 0xFFFFFFFF},
                   {0x02, 6, namedUser},
                   {0x04, 4, 0xFFFFFFFF},
                   {0x10, 6, 0xFFFFFFFF},
                   {0x20, 0, 0xFFFFFFFF}};
    for (const auto& entry : entries) {
        put(entry.tag, 2);
        put(entry.permissions, 2);
        put(entry.id, 4);
    }
    return bytes;
}

// The attribute's value, or "(none)".
std::string attribute(const fs::path& path, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(size));
}

void setAttribute(const fs::path& path, const char* name, const std::string& value) {
    if (::setxattr(path.c_str(), name, value.data(), value.size(), 0) != 0) {
        FAIL() << "cannot set " << name << " on " << path << ": " << std::strerror(errno);
    }
}

class SafeSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder = fs::path(::testing::TempDir()) /
                   ("safe-save-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::set<std::string> namesInFolder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder)) {
            names.insert(entry.path().lexically_relative(m_folder).string());
        }
        return names;
    }

    fs::path m_folder;
};

// A target that is replaced: prepare makes it and returns the path to save to; check looks at
// the result beyond the new bytes at `written`.
struct SavedCase {
    std::string name;
    std::function<fs::path(const fs::path& folder)> prepare;
    fs::path written;  // relative to the folder
    std::function<void(const fs::path& folder)> check;
    std::set<std::string> names;  // everything in the folder afterwards
};

void PrintTo(const SavedCase& c, std::ostream* out) {
    *out << c.name;
}

class SafeSaveReplaces : public SafeSaveTest, public ::testing::WithParamInterface<SavedCase> {};

TEST_P(SafeSaveReplaces, WithTheNewBytes) {
    const fs::path path = GetParam().prepare(m_folder);
    const FileSaveResult result = saveFileSafely(path, kNew);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(testing::fileContents(m_folder / GetParam().written), kNew);
    GetParam().check(m_folder);
    EXPECT_EQ(namesInFolder(), GetParam().names);
}

const std::string kLongestName(NAME_MAX, 'n');

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeSaveReplaces,
    ::testing::Values(
        SavedCase{"PermissionsOfAnExistingFile",
                  [](const fs::path& folder) {
                      writeFile(folder / "stage.cvp", std::string(5000, 'x'));
                      fs::permissions(folder / "stage.cvp", fs::perms::owner_read |
                                                                fs::perms::owner_write |
                                                                fs::perms::group_read);
                      return folder / "stage.cvp";
                  },
                  "stage.cvp",
                  [](const fs::path& folder) {
                      EXPECT_EQ(statusOf(folder / "stage.cvp").st_mode & 07777, 0640u);
                  },
                  {"stage.cvp"}},
        SavedCase{"ThroughASymlinkThatStays",
                  [](const fs::path& folder) {
                      fs::create_directory(folder / "real");
                      writeFile(folder / "real" / "live.cvp", kOld);
                      fs::create_symlink("real/live.cvp", folder / "link.cvp");
                      return folder / "link.cvp";
                  },
                  "real/live.cvp",
                  [](const fs::path& folder) { EXPECT_TRUE(fs::is_symlink(folder / "link.cvp")); },
                  {"link.cvp", "real", "real/live.cvp"}},
        SavedCase{"ThroughADanglingSymlink",
                  [](const fs::path& folder) {
                      fs::create_symlink("new.cvp", folder / "link.cvp");
                      return folder / "link.cvp";
                  },
                  "new.cvp",
                  [](const fs::path& folder) { EXPECT_TRUE(fs::is_symlink(folder / "link.cvp")); },
                  {"link.cvp", "new.cvp"}},
        SavedCase{"HardLinkedFileSeenByBothNames",
                  [](const fs::path& folder) {
                      writeFile(folder / "a.cvp", kOld + kOld);
                      fs::create_hard_link(folder / "a.cvp", folder / "b.cvp");
                      return folder / "a.cvp";
                  },
                  "b.cvp",
                  [](const fs::path& folder) {
                      EXPECT_EQ(statusOf(folder / "a.cvp").st_nlink, 2u);
                      EXPECT_EQ(testing::fileContents(folder / "a.cvp"), kNew);
                  },
                  {"a.cvp", "b.cvp"}},
        SavedCase{"ExtendedAttributesAndAcl",
                  [](const fs::path& folder) {
                      writeFile(folder / "stage.cvp", kOld);
                      setAttribute(folder / "stage.cvp", "user.corvane.rig", "stage left");
                      setAttribute(folder / "stage.cvp", "system.posix_acl_access", aclBytes(1234));
                      return folder / "stage.cvp";
                  },
                  "stage.cvp",
                  [](const fs::path& folder) {
                      EXPECT_EQ(attribute(folder / "stage.cvp", "user.corvane.rig"), "stage left");
                      EXPECT_EQ(attribute(folder / "stage.cvp", "system.posix_acl_access"),
                                aclBytes(1234));
                      EXPECT_EQ(statusOf(folder / "stage.cvp").st_mode & 07777, 0660u);
                  },
                  {"stage.cvp"}},
        SavedCase{"NoAclFromTheFoldersDefault",
                  [](const fs::path& folder) {
                      writeFile(folder / "stage.cvp", kOld);
                      setAttribute(folder, "system.posix_acl_default", aclBytes(1234));
                      return folder / "stage.cvp";
                  },
                  "stage.cvp",
                  [](const fs::path& folder) {
                      EXPECT_EQ(attribute(folder / "stage.cvp", "system.posix_acl_access"),
                                "(none)");
                  },
                  {"stage.cvp"}},
        SavedCase{"LongestNameTheFolderAllows",
                  [](const fs::path& folder) {
                      writeFile(folder / kLongestName, kOld);
                      return folder / kLongestName;
                  },
                  kLongestName,
                  [](const fs::path&) {},
                  {kLongestName}}),
    [](const auto& info) { return info.param.name; });

TEST_F(SafeSaveTest, KeepsTheOwnerAndGroupOfAnExistingFile) {
    CORVANE_NEED_ROOT();
    const fs::path target = m_folder / "stage.cvp";
    writeFile(target, kOld);
    ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    const FileSaveResult result = saveFileSafely(target, kNew);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(statusOf(target).st_uid, 1234u);
    EXPECT_EQ(statusOf(target).st_gid, 5678u);
}

// A target the save must not touch: prepare makes it and returns the path to save to.
struct RefusedCase {
    std::string name;
    std::function<fs::path(const fs::path& folder)> prepare;
    std::string reasonPart;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class SafeSaveRefuses : public SafeSaveTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SafeSaveRefuses, WithAReasonAndLeavesEverythingAsItWas) {
    const fs::path path = GetParam().prepare(m_folder);
    const std::set<std::string> namesBefore = namesInFolder();
    const struct stat before = statusOf(path);
    const std::string contentsBefore = fs::is_regular_file(path) ? testing::fileContents(path) : "";

    const FileSaveResult result = saveFileSafely(path, kNew);

    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find(GetParam().reasonPart), std::string::npos) << result.reason;
    const struct stat after = statusOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (fs::is_regular_file(path)) {
        EXPECT_EQ(testing::fileContents(path), contentsBefore);
    }
    EXPECT_EQ(namesInFolder(), namesBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeSaveRefuses,
    ::testing::Values(RefusedCase{"ReadOnlyFile",
                                  [](const fs::path& folder) {
                                      writeFile(folder / "kept.cvp", kOld);
                                      fs::permissions(
                                          folder / "kept.cvp",
                                          fs::perms::owner_read | fs::perms::group_read);
                                      return folder / "kept.cvp";
                                  },
                                  "kept.cvp: the file is read-only"},
                      RefusedCase{"Fifo",
                                  [](const fs::path& folder) {
                                      ::mkfifo((folder / "pipe").c_str(), 0644);
                                      return folder / "pipe";
                                  },
                                  "pipe: it is a FIFO, not a regular file"},
                      RefusedCase{"Folder",
                                  [](const fs::path& folder) {
                                      fs::create_directory(folder / "taken.cvp");
                                      writeFile(folder / "taken.cvp" / "inside", "keep");
                                      return folder / "taken.cvp";
                                  },
                                  "taken.cvp: it is a folder"},
                      RefusedCase{"DeviceBehindASymlink",
                                  [](const fs::path& folder) {
                                      fs::create_symlink("/dev/null", folder / "null.cvp");
                                      return folder / "null.cvp";
                                  },
                                  "null.cvp: it is a device, not a regular file"},
                      RefusedCase{"FolderThatIsAFile",
                                  [](const fs::path& folder) {
                                      writeFile(folder / "old.cvp", kOld);
                                      return folder / "old.cvp" / "new.cvp";
                                  },
                                  "Not a directory"},
                      RefusedCase{"ControlBytesOfTheNameEscaped",
                                  [](const fs::path& folder) {
                                      fs::create_directory(folder / "x\x1B]0;y\x07");
                                      return folder / "x\x1B]0;y\x07";
                                  },
                                  "x\\x1B]0;y\\x07: it is a folder"}),
    [](const auto& info) { return info.param.name; });

// A link in a shared folder (mode 1777, as /tmp) to a file of root's, which root saves to.
struct SharedLinkCase {
    std::string name;
    mode_t folderMode;
    uid_t folderOwner;
    uid_t linkOwner;
    bool dangling;
    bool followed;
};

void PrintTo(const SharedLinkCase& c, std::ostream* out) {
    *out << c.name;
}

class SafeSaveLinkInASharedFolder : public SafeSaveTest,
                                    public ::testing::WithParamInterface<SharedLinkCase> {};

TEST_P(SafeSaveLinkInASharedFolder, IsFollowedOnlyWhereTheKernelWouldFollowIt) {
    CORVANE_NEED_ROOT();
    const SharedLinkCase& c = GetParam();
    const fs::path share = m_folder / "share";
    const fs::path victim = m_folder / "victim";
    fs::create_directory(share);
    ASSERT_EQ(::chown(share.c_str(), c.folderOwner, c.folderOwner), 0);
    ASSERT_EQ(::chmod(share.c_str(), c.folderMode), 0);
    if (!c.dangling) {
        writeFile(victim, kOld);
        fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
    }
    fs::create_symlink(victim, share / "out.cvp");
    ASSERT_EQ(::lchown((share / "out.cvp").c_str(), c.linkOwner, c.linkOwner), 0);

    const FileSaveResult result = saveFileSafely(share / "out.cvp", kNew);

    EXPECT_TRUE(fs::is_symlink(share / "out.cvp"));
    if (c.followed) {
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(testing::fileContents(victim), kNew);
        return;
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("share/out.cvp: it is another user's symlink in a shared "
                                 "folder with the sticky bit, which is not followed"),
              std::string::npos)
        << result.reason;
    EXPECT_EQ(fs::exists(victim) ? testing::fileContents(victim) : "(none)",
              c.dangling ? "(none)" : kOld);
}

constexpr mode_t kShared = 01777;
constexpr uid_t kRoot = 0;

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeSaveLinkInASharedFolder,
    ::testing::Values(SharedLinkCase{"AnotherUsersLink", kShared, kRoot, testing::kOtherUser, false,
                                     false},
                      SharedLinkCase{"AnotherUsersDanglingLink", kShared, kRoot,
                                     testing::kOtherUser, true, false},
                      SharedLinkCase{"OwnLink", kShared, kRoot, kRoot, false, true},
                      SharedLinkCase{"FolderOwnersLink", kShared, testing::kOtherUser,
                                     testing::kOtherUser, false, true},
                      SharedLinkCase{"AnotherUsersLinkWithoutStickyBit", 0777, kRoot,
                                     testing::kOtherUser, false, true}),
    [](const auto& info) { return info.param.name; });

// A file of root's in a folder of the other user, who saves it: a new file could not have
// root's owner, so the file is rewritten in place. (Root's file that anyone may write is in
// the crash test.)
struct ForeignOwnerCase {
    std::string name;
    gid_t group;
    mode_t mode;
    std::string reasonPart;  // empty when the save succeeds
};

void PrintTo(const ForeignOwnerCase& c, std::ostream* out) {
    *out << c.name;
}

class SafeSaveForeignOwner : public SafeSaveTest,
                             public ::testing::WithParamInterface<ForeignOwnerCase> {};

TEST_P(SafeSaveForeignOwner, IsKeptOrTheSaveSaysWhy) {
    CORVANE_NEED_ROOT();
    const ForeignOwnerCase& c = GetParam();
    const fs::path target = m_folder / "stage.cvp";
    writeFile(target, kOld);
    ASSERT_EQ(::chown(target.c_str(), kRoot, c.group), 0);
    ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
    ASSERT_EQ(::chown(m_folder.c_str(), testing::kOtherUser, testing::kOtherUsersGroup), 0);
    const struct stat before = statusOf(target);

    const testing::ChildEnd end = testing::runInChild(true, [&](int fd) {
        const FileSaveResult result = saveFileSafely(target, kNew);
        testing::writeMessage(fd, result.reason);
        return result.ok ? 0 : 1;
    });

    const struct stat after = statusOf(target);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, kRoot);
    EXPECT_EQ(after.st_gid, c.group);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(namesInFolder(), std::set<std::string>{"stage.cvp"});
    if (c.reasonPart.empty()) {
        EXPECT_EQ(end.exitCode, 0) << end.message;
        EXPECT_EQ(testing::fileContents(target), kNew);
    } else {
        EXPECT_EQ(end.exitCode, 1);
        EXPECT_NE(end.message.find(c.reasonPart), std::string::npos) << end.message;
        EXPECT_EQ(testing::fileContents(target), kOld);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeSaveForeignOwner,
    ::testing::Values(ForeignOwnerCase{"GroupMayWrite", testing::kSharedGroup, 0664, ""},
                      ForeignOwnerCase{
                          "WritableButUnreadable", kRoot, 0622,
                          "stage.cvp: Permission denied (and a new file could not keep its owner"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SafeSaveTest, RemovesOnlyItsOwnStaleTemporaryFiles) {
    const std::time_t twoMinutesAgo = std::time(nullptr) - 120;
    auto leave = [&](const std::string& name, std::time_t modified) {
        writeFile(m_folder / name, "left by a killed save");
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (m_folder / name).c_str(), times, 0), 0);
    };
    leave(".corvane-abcdefghij12.tmp", twoMinutesAgo);
    leave(".corvane-fresh0000000.tmp", std::time(nullptr));
    leave(".corvane-short.tmp", twoMinutesAgo);
    leave(".other-abcdefghij12.tmp", twoMinutesAgo);
    std::set<std::string> kept = {"stage.cvp", ".corvane-fresh0000000.tmp", ".corvane-short.tmp",
                                  ".other-abcdefghij12.tmp"};
    if (::geteuid() == 0) {
        leave(".corvane-someoneelses.tmp", twoMinutesAgo);
        ASSERT_EQ(::chown((m_folder / ".corvane-someoneelses.tmp").c_str(), testing::kOtherUser,
                          testing::kOtherUsersGroup),
                  0);
        kept.insert(".corvane-someoneelses.tmp");
    }

    ASSERT_TRUE(saveFileSafely(m_folder / "stage.cvp", kNew).ok);

    EXPECT_EQ(namesInFolder(), kept);
}

TEST_F(SafeSaveTest, NamesOfDescriptorsAreWrittenAsStreams) {
    const fs::path log = m_folder / "log.txt";
    writeFile(log, "log\n");
    const int appending = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(appending, 0);
    const std::string number = std::to_string(appending);
    fs::create_symlink("/dev/fd/" + number, m_folder / "out.cvp");
    for (const fs::path& path : {fs::path("/dev/fd/" + number), fs::path("/proc/self/fd/" + number),
                                 m_folder / "out.cvp"}) {
        const FileSaveResult result = saveFileSafely(path, kNew);
        EXPECT_TRUE(result.ok) << path << ": " << result.reason;
    }
    ::close(appending);
    EXPECT_EQ(testing::fileContents(log), "log\n" + kNew + kNew + kNew);
    EXPECT_TRUE(fs::is_symlink(m_folder / "out.cvp"));

    // Where the descriptor stands, not from the start.
    const fs::path numbers = m_folder / "numbers";
    writeFile(numbers, "0123456789");
    const int positioned = ::open(numbers.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::lseek(positioned, 4, SEEK_SET), 4);
    EXPECT_TRUE(saveFileSafely("/dev/fd/" + std::to_string(positioned), "xy").ok);
    ::close(positioned);
    EXPECT_EQ(testing::fileContents(numbers), "0123xy6789");

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    EXPECT_TRUE(saveFileSafely("/dev/fd/" + std::to_string(pipeFds[1]), kNew).ok);
    ::close(pipeFds[1]);
    std::string piped(kNew.size() + 1, '\0');
    piped.resize(static_cast<std::size_t>(
        std::max<ssize_t>(0, ::read(pipeFds[0], piped.data(), piped.size()))));
    ::close(pipeFds[0]);
    EXPECT_EQ(piped, kNew);
    EXPECT_EQ(namesInFolder(), (std::set<std::string>{"log.txt", "numbers", "out.cvp"}));
}

}  // namespace
}  // namespace corvane
