// Hostile and damaged input, and a disk that fills up while saving.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "FileContents.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

TEST(PresetFaults, FileCutShortAnywhereIsRejected) {
    const std::string full = writePresetText(defaultSettings());
    // Every cut before the first digit of the last item leaves an item missing. A cut inside
    // the last item ("255" -> "25") still leaves a complete file, as does a missing CR LF.
    const std::size_t lastItemStart = full.rfind(',') + 1;
    for (std::size_t length = 0; length <= lastItemStart; ++length) {
        const PresetReadResult result = readPresetText(std::string_view(full).substr(0, length));
        EXPECT_FALSE(result.ok()) << "accepted a file cut after " << length << " bytes";
        EXPECT_FALSE(result.reason.empty());
    }
    for (std::size_t length = lastItemStart + 1; length <= full.size(); ++length) {
        EXPECT_TRUE(readPresetText(std::string_view(full).substr(0, length)).ok()) << length;
    }
}

TEST(PresetFaults, BinaryGarbageIsRejectedQuickly) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < 200; ++round) {
        std::string garbage(64 * 1024, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(byte(random));
        }
        EXPECT_FALSE(readPresetText(garbage).ok());
        // The same garbage behind a valid first header.
        EXPECT_FALSE(readPresetText("\"* : Corvane, V1.0\"\r\n" + garbage).ok());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// A save onto a file system with no space left: the existing preset stays as it was.
class PresetSaveOnFullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        // A private mount namespace, so the small file system is seen by this process only
        // and goes away with it even if the test dies.
        if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            GTEST_SKIP() << "needs root to mount a small file system";
        }
        m_mountPoint =
            fs::path(::testing::TempDir()) / ("corvane-full-" + std::to_string(getpid()));
        fs::create_directories(m_mountPoint);
        if (mount("tmpfs", m_mountPoint.c_str(), "tmpfs", 0, "size=16k") != 0) {
            fs::remove(m_mountPoint);
            GTEST_SKIP() << "cannot mount tmpfs here";
        }
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted) {
            umount(m_mountPoint.c_str());
            fs::remove(m_mountPoint);
        }
    }

    void fillDisk() const {
        std::ofstream filler(m_mountPoint / "filler", std::ios::binary);
        const std::string block(512, 'x');
        for (int i = 0; i < 1024 && filler; ++i) {
            filler << block << std::flush;
        }
    }

    fs::path m_mountPoint;
    bool m_mounted = false;
};

TEST_F(PresetSaveOnFullDisk, FailsWithAReasonAndKeepsTheOldFile) {
    const fs::path target = m_mountPoint / "live.cvp";
    ASSERT_TRUE(savePresetFile(target, defaultSettings()).ok);
    const std::string before = testing::fileContents(target);
    fillDisk();

    FilterSettings changed = defaultSettings();
    changed.Channel = 9;
    const PresetSaveResult result = savePresetFile(target, changed);

    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(testing::fileContents(target), before);
    for (const auto& entry : fs::directory_iterator(m_mountPoint)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "live.cvp" || name == "filler") << "left behind: " << name;
    }
}

}  // namespace
}  // namespace corvane
