// A save killed with SIGKILL before each of its system calls in turn, through the save's step
// hook: whatever the point, the file's name holds its old bytes or the new ones, or the old
// ones are in the copy beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FileContents.h"
#include "files/SafeSave.h"
#include "files/SaveSteps.h"

namespace corvane {

namespace {

int g_stopAt = 0;  // the step to be killed at, counted from 1; 0 in the test process
int g_steps = 0;
int g_messageFd = -1;

}  // namespace

void saveStep(std::string_view call) {
    if (g_stopAt != 0 && ++g_steps == g_stopAt) {
        testing::writeMessage(g_messageFd, call);
        ::raise(SIGKILL);
    }
}

namespace {

namespace fs = std::filesystem;

constexpr int kMostSteps = 200;

const std::string kNew = [] {
    std::string text;
    while (text.size() < 360) {
        text += "new bytes ";
    }
    return text;
}();

std::string oldBytes(std::size_t size) {
    std::string text;
    while (text.size() < size) {
        text += "OLD ";
    }
    return text.substr(0, size);
}

struct CrashCase {
    std::string name;
    std::string old;  // empty: the file does not exist yet
    bool hardLinked = false;
    // root's file of mode 0666 in a folder of the other user, saved by that user
    bool ownerCannotBeKept = false;
};

void PrintTo(const CrashCase& c, std::ostream* out) {
    *out << c.name;
}

bool isCopyName(const std::string& name) {
    return name == "live.cvp~" || (name.starts_with("live.cvp.~") && name.ends_with("~"));
}

bool isTempName(const std::string& name) {
    return name.starts_with(".corvane-") && name.ends_with(".tmp");
}

class SafeSaveKilled : public ::testing::TestWithParam<CrashCase> {
  protected:
    void SetUp() override {
        m_folder = fs::path(::testing::TempDir()) / ("safe-save-killed-" + GetParam().name);
        m_target = m_folder / "live.cvp";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    void prepare() {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        const CrashCase& c = GetParam();
        if (!c.old.empty()) {
            std::ofstream(m_target, std::ios::binary) << c.old;
            fs::permissions(m_target, fs::perms(0666));
        }
        if (c.hardLinked) {
            fs::create_hard_link(m_target, m_folder / "other.cvp");
        }
        if (c.ownerCannotBeKept) {
            ASSERT_EQ(::chown(m_folder.c_str(), testing::kOtherUser, testing::kOtherUsersGroup), 0);
        }
        ::stat(m_target.c_str(), &m_before);
    }

    // The state a kill may leave; true when the name held neither the old nor the new bytes.
    bool expectOldOrNewOrACopy() {
        const CrashCase& c = GetParam();
        bool torn = false;
        std::vector<std::string> copies;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            const std::string name = entry.path().filename().string();
            if (isCopyName(name)) {
                copies.push_back(testing::fileContents(entry.path()));
            } else {
                EXPECT_TRUE(name == "live.cvp" || name == "other.cvp" || isTempName(name))
                    << "left behind: " << name;
            }
        }
        if (c.old.empty()) {
            EXPECT_TRUE(!fs::exists(m_target) || testing::fileContents(m_target) == kNew);
            return false;
        }
        const std::string now = testing::fileContents(m_target);
        if (now != c.old && now != kNew) {
            torn = true;
            EXPECT_NE(std::find(copies.begin(), copies.end(), c.old), copies.end())
                << "the name holds " << now.size() << " bytes, neither old nor new, and no copy "
                << "holds the old ones";
        }
        expectSameFile();
        return torn;
    }

    // A rewrite in place keeps the file itself: its other name, its owner and its mode.
    void expectSameFile() const {
        const CrashCase& c = GetParam();
        struct stat now {};
        ASSERT_EQ(::stat(m_target.c_str(), &now), 0);
        if (c.hardLinked) {
            EXPECT_EQ(now.st_nlink, 2u);
            EXPECT_EQ(testing::fileContents(m_folder / "other.cvp"),
                      testing::fileContents(m_target));
        }
        if (c.ownerCannotBeKept) {
            EXPECT_EQ(now.st_uid, m_before.st_uid);
            EXPECT_EQ(now.st_gid, m_before.st_gid);
            EXPECT_EQ(now.st_mode, m_before.st_mode);
        }
        if (c.hardLinked || c.ownerCannotBeKept) {
            EXPECT_EQ(now.st_ino, m_before.st_ino);
        }
    }

    fs::path m_folder;
    fs::path m_target;
    struct stat m_before {};
};

TEST_P(SafeSaveKilled, BeforeAnySystemCallLeavesTheOldOrTheNewBytesOrACopyOfTheOld) {
    const CrashCase& c = GetParam();
    if (c.ownerCannotBeKept) {
        CORVANE_NEED_ROOT();
    }
    std::vector<std::string> killedAt;
    int tornStates = 0;
    for (int stopAt = 1; stopAt <= kMostSteps; ++stopAt) {
        prepare();
        const testing::ChildEnd end = testing::runInChild(c.ownerCannotBeKept, [&](int fd) {
            g_messageFd = fd;
            g_stopAt = stopAt;
            const FileSaveResult result = saveFileSafely(m_target, kNew);
            testing::writeMessage(fd, result.reason);
            return result.ok ? 0 : 1;
        });
        if (end.signal == SIGKILL) {
            killedAt.push_back(end.message);
            SCOPED_TRACE("killed before " + end.message + ", step " + std::to_string(stopAt));
            tornStates += expectOldOrNewOrACopy() ? 1 : 0;
            continue;
        }
        ASSERT_TRUE(end.exited && end.exitCode == 0) << end.message;
        EXPECT_EQ(testing::fileContents(m_target), kNew);
        expectSameFile();
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names.size(), c.hardLinked ? 2u : 1u) << ::testing::PrintToString(names);
        // The kills reached the rename, or the rewrite that leaves the name torn.
        const bool inPlace = c.hardLinked || c.ownerCannotBeKept;
        EXPECT_NE(std::find(killedAt.begin(), killedAt.end(), inPlace ? "ftruncate" : "renameat"),
                  killedAt.end())
            << ::testing::PrintToString(killedAt);
        EXPECT_EQ(tornStates > 0, inPlace && c.old.size() > kNew.size());
        return;
    }
    FAIL() << "the save made more than " << kMostSteps << " system calls";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeSaveKilled,
    ::testing::Values(CrashCase{"NewFile", "", false, false},
                      CrashCase{"PlainReplace", oldBytes(1000), false, false},
                      CrashCase{"HardLinkedLongerFile", oldBytes(1000), true, false},
                      CrashCase{"HardLinkedShorterFile", oldBytes(100), true, false},
                      CrashCase{"OwnerCannotBeKept", oldBytes(1000), false, true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
