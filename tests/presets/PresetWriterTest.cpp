#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "DefaultPresetListing.h"
#include "FileContents.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

std::vector<std::string> splitCrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(PresetWriter, StartUpSettingsGiveTheListedFileByteForByte) {
    EXPECT_EQ(writePresetText(defaultSettings()), testing::defaultPresetText());
}

TEST(PresetWriter, SavePresetFileWritesThePresetText) {
    FilterSettings settings = defaultSettings();
    settings.Channel = 9;
    const std::filesystem::path target =
        std::filesystem::path(::testing::TempDir()) / "preset-writer-stage.cvp";
    const PresetSaveResult result = savePresetFile(target, settings);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(testing::fileContents(target), writePresetText(settings));
    std::filesystem::remove(target);
}

struct WriterCase {
    std::string name;
    void (*edit)(FilterSettings&);
    std::size_t line;  // 1-based
    std::string expected;
};

void PrintTo(const WriterCase& c, std::ostream* os) {
    *os << c.name;
}

class PresetWriterLines : public ::testing::TestWithParam<WriterCase> {};

TEST_P(PresetWriterLines, ChangeOnlyTheirLine) {
    FilterSettings settings = defaultSettings();
    GetParam().edit(settings);
    const std::vector<std::string> lines = splitCrLfLines(writePresetText(settings));
    ASSERT_EQ(lines.size(), 18u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view expected = i + 1 == GetParam().line
                                              ? std::string_view(GetParam().expected)
                                              : testing::kDefaultPresetLines[i];
        EXPECT_EQ(lines[i], expected) << "line " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresetWriterLines,
    ::testing::Values(
        WriterCase{"Channel", [](FilterSettings& s) { s.Channel = 15; }, 3, "15"},
        WriterCase{"TransposeLowest", [](FilterSettings& s) { s.Transpose = 0; }, 5, "0"},
        WriterCase{"VelocityHighest", [](FilterSettings& s) { s.Velocity = 127; }, 7, "127"},
        WriterCase{"ModeOneSlotFive",
                   [](FilterSettings& s) {
                       s.CC_Mode = CcMode::One;
                       s.CC_Slot = 4;
                   },
                   9, "5"},
        WriterCase{"SlotIgnoredInModeAll", [](FilterSettings& s) { s.CC_Slot = 9; }, 9, "0"},
        WriterCase{"FlagsAsBytesLowestControllerFirst",
                   [](FilterSettings& s) {
                       s.CC_Enable[0] = 0;
                       s.CC_Enable[15] = 0;
                       s.CC_Enable[120] = 2;
                   },
                   10, "127,254,255,255,255,255,255,255,255,255,255,255,255,255,255,127"},
        WriterCase{"SlotsAsHeld", [](FilterSettings& s) { s.CC_Preset[17] = 0; }, 11,
                   "0,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,0"},
        WriterCase{"PitchBendClear", [](FilterSettings& s) { s.PitchBend = 0; }, 13, "0"},
        WriterCase{"AfterTouchClear", [](FilterSettings& s) { s.AfterTouch = 0; }, 15, "0"},
        WriterCase{"Specify", [](FilterSettings& s) { s.SysEx_Mode = SysExMode::Specify; }, 17,
                   "0"},
        WriterCase{"EmptySpecifyStoredAsAll",
                   [](FilterSettings& s) {
                       s.SysEx_Mode = SysExMode::Specify;
                       s.SysEx_Count = 0;
                   },
                   18, "0,65,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255"},
        WriterCase{"EntriesBeyondTheCountWrittenAsHeld",
                   [](FilterSettings& s) {
                       s.SysEx_Count = 2;
                       s.SysEx_Pattern = {1,   2,   3,   4,   255, 255, 255, 255,
                                          255, 255, 255, 255, 255, 255, 255, 255};
                   },
                   18, "2,1,2,3,4,255,255,255,255,255,255,255,255,255,255,255,255"},
        WriterCase{"NegativeEntryWithMinusSign", [](FilterSettings& s) { s.SysEx_Pattern[0] = -7; },
                   18, "5,-7,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
