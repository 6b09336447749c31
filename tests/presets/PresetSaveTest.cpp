#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <set>
#include <string>

#include "FileContents.h"
#include "presets/PresetFile.h"
#include "files/SafeSave.h"

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

TEST_F(SafeSaveTest, PresetSaveWritesThePresetText) {
    FilterSettings settings = defaultSettings();
    settings.Channel = 9;
    const fs::path target = m_folder / "stage.cvp";
    const PresetSaveResult result = savePresetFile(target, settings);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(testing::fileContents(target), writePresetText(settings));
    EXPECT_EQ(namesInFolder(), std::set<std::string>{"stage.cvp"});
}

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
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
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

}  // namespace
}  // namespace corvane
