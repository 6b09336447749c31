#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FileContents.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class PresetSave : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder = fs::path(::testing::TempDir()) /
                   ("preset-save-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::size_t entriesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

    fs::path m_folder;
};

TEST_F(PresetSave, WritesThePresetText) {
    FilterSettings settings = defaultSettings();
    settings.Channel = 9;
    const fs::path target = m_folder / "stage.cvp";
    const PresetSaveResult result = savePresetFile(target, settings);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(testing::fileContents(target), writePresetText(settings));
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(PresetSave, ReplacesAnExistingFileAndKeepsItsPermissions) {
    const fs::path target = m_folder / "stage.cvp";
    writeFile(target, std::string(5000, 'x'));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    const PresetSaveResult result = savePresetFile(target, defaultSettings());
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(testing::fileContents(target), writePresetText(defaultSettings()));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(PresetSave, FolderThatIsAFileFailsAndLeavesItByteForByte) {
    const fs::path notAFolder = m_folder / "old.cvp";
    const std::string old = "old preset bytes\r\n";
    writeFile(notAFolder, old);
    const PresetSaveResult result = savePresetFile(notAFolder / "new.cvp", defaultSettings());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("Not a directory"), std::string::npos) << result.reason;
    EXPECT_EQ(testing::fileContents(notAFolder), old);
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(PresetSave, TargetThatCannotBeReplacedIsKeptAndTheTemporaryFileRemoved) {
    const fs::path target = m_folder / "taken.cvp";
    fs::create_directory(target);
    writeFile(target / "inside", "keep");
    const PresetSaveResult result = savePresetFile(target, defaultSettings());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("cannot replace"), std::string::npos) << result.reason;
    EXPECT_EQ(testing::fileContents(target / "inside"), "keep");
    EXPECT_EQ(entriesInFolder(), 1u);
}

}  // namespace
}  // namespace corvane
