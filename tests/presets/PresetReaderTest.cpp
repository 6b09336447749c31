#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "DefaultPresetListing.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

using testing::defaultPresetText;
using testing::defaultPresetWithLine;

TEST(PresetReader, DefaultFileGivesTheStartUpSettings) {
    const PresetReadResult result = readPresetText(defaultPresetText());
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(*result.settings, defaultSettings());
}

struct LoadCase {
    std::string name;
    std::size_t line;  // 1-based line of the default file to replace
    std::string text;
    void (*expect)(FilterSettings&);  // the start-up settings edited into the expected ones
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class PresetReaderValues : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PresetReaderValues, LoadAsTheEditorWouldHoldThem) {
    const PresetReadResult result =
        readPresetText(defaultPresetWithLine(GetParam().line, GetParam().text));
    ASSERT_TRUE(result.ok()) << result.reason;
    FilterSettings expected = defaultSettings();
    GetParam().expect(expected);
    EXPECT_EQ(*result.settings, expected);
}

void unchanged(FilterSettings&) {}

INSTANTIATE_TEST_SUITE_P(
    Replacements, PresetReaderValues,
    ::testing::Values(
        LoadCase{"ChannelSixteenIsChannelOne", 3, "16", unchanged},
        LoadCase{"ChannelNegativeIsChannelOne", 3, "-1", unchanged},
        LoadCase{"ChannelSixteenBitMaxIsChannelOne", 3, "32767", unchanged},
        LoadCase{"ChannelFifteenKept", 3, "15", [](FilterSettings& s) { s.Channel = 15; }},
        LoadCase{"TransposeAboveRangeIsFirstPosition", 5, "23",
                 [](FilterSettings& s) { s.Transpose = 0; }},
        LoadCase{"TransposeNegativeIsFirstPosition", 5, "-1",
                 [](FilterSettings& s) { s.Transpose = 0; }},
        LoadCase{"TransposeLastPositionKept", 5, "22", [](FilterSettings& s) { s.Transpose = 22; }},
        LoadCase{"VelocityZeroIs101", 7, "0", [](FilterSettings& s) { s.Velocity = 101; }},
        LoadCase{"VelocityAboveRangeIs101", 7, "128", [](FilterSettings& s) { s.Velocity = 101; }},
        LoadCase{"VelocityOneKept", 7, "1", [](FilterSettings& s) { s.Velocity = 1; }},
        LoadCase{"VelocityHighestKept", 7, "127", [](FilterSettings& s) { s.Velocity = 127; }},
        LoadCase{"PitchBendTwoIsTicked", 13, "2", unchanged},
        LoadCase{"PitchBendNegativeIsTicked", 13, "-1", unchanged},
        LoadCase{"PitchBendClearKept", 13, "0", [](FilterSettings& s) { s.PitchBend = 0; }},
        LoadCase{"AfterTouchTwoIsTicked", 15, "2", unchanged},
        LoadCase{"AfterTouchClearKept", 15, "0", [](FilterSettings& s) { s.AfterTouch = 0; }}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Modes, PresetReaderValues,
    ::testing::Values(LoadCase{"ControlChangeSlotFive", 9, "5",
                               [](FilterSettings& s) {
                                   s.CC_Mode = CcMode::One;
                                   s.CC_Slot = 4;
                               }},
                      LoadCase{"ControlChangeSlotEighteen", 9, "18",
                               [](FilterSettings& s) {
                                   s.CC_Mode = CcMode::One;
                                   s.CC_Slot = 17;
                               }},
                      LoadCase{"SysExSpecify", 17, "0",
                               [](FilterSettings& s) { s.SysEx_Mode = SysExMode::Specify; }},
                      LoadCase{"SysExTwoIsSpecify", 17, "2",
                               [](FilterSettings& s) { s.SysEx_Mode = SysExMode::Specify; }},
                      LoadCase{"SysExNegativeIsSpecify", 17, "-1",
                               [](FilterSettings& s) { s.SysEx_Mode = SysExMode::Specify; }}),
    [](const auto& info) { return info.param.name; });

void setGroup(FilterSettings& s, std::size_t group, std::array<int, 8> flags) {
    for (std::size_t k = 0; k < 8; ++k) {
        s.CC_Enable[group * 8 + k] = static_cast<std::int16_t>(flags[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, PresetReaderValues,
    ::testing::Values(
        LoadCase{"FlagBytesByWeights", 10,
                 "255,0,128,1,256,-1,165,300,32767,-32768,255,255,255,255,255,254",
                 [](FilterSettings& s) {
                     setGroup(s, 1, {0, 0, 0, 0, 0, 0, 0, 0});
                     setGroup(s, 2, {1, 0, 0, 0, 0, 0, 0, 0});
                     setGroup(s, 3, {0, 0, 0, 0, 0, 0, 0, 1});
                     setGroup(s, 5, {0, 0, 0, 0, 0, 0, 0, 0});
                     setGroup(s, 6, {1, 0, 1, 0, 0, 1, 0, 1});
                     setGroup(s, 9, {0, 0, 0, 0, 0, 0, 0, 0});
                     s.CC_Enable[127] = 0;
                 }},
        LoadCase{"SlotControllers", 11, "127,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,9",
                 [](FilterSettings& s) {
                     s.CC_Preset = {127, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9};
                 }},
        LoadCase{"CountRecomputedFromEntries", 18,
                 "2,1,2,3,4,255,255,255,255,255,255,255,255,255,255,255,255",
                 [](FilterSettings& s) {
                     s.SysEx_Count = 4;
                     s.SysEx_Pattern = {1,   2,   3,   4,   255, 255, 255, 255,
                                        255, 255, 255, 255, 255, 255, 255, 255};
                 }},
        LoadCase{"StoredCountIgnored", 18,
                 "16,65,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255", unchanged},
        LoadCase{"NoEntryAbove127CountsSixteen", 18, "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,127",
                 [](FilterSettings& s) {
                     s.SysEx_Count = 16;
                     s.SysEx_Pattern = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 127};
                 }},
        LoadCase{"FirstEntry128CountsZero", 18,
                 "5,128,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255",
                 [](FilterSettings& s) {
                     s.SysEx_Count = 0;
                     s.SysEx_Pattern[0] = 128;
                 }}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Items, PresetReaderValues,
    ::testing::Values(
        LoadCase{"HeaderWithAddedText", 2, R"("* : MIDI Channel, ports 1-16")", unchanged},
        LoadCase{"HeaderWithoutQuotes", 4, "* : Note Transpose", unchanged},
        LoadCase{"SpacesBeforeItems", 10,
                 "  255, 255,255,255,255,255,255,255,255,255,255,255,255,255,255,   255",
                 unchanged},
        LoadCase{"SpacesAfterValue", 3, "0   ", unchanged},
        LoadCase{"ExplicitPlusSign", 3, "+4", [](FilterSettings& s) { s.Channel = 4; }},
        LoadCase{"LeadingZeros", 3, "0004", [](FilterSettings& s) { s.Channel = 4; }},
        LoadCase{"TextAfterClosingQuoteDropped", 16, R"("* : SysEx" trailing)", unchanged},
        LoadCase{"ListSplitOverLines", 10,
                 "255,255,255,255,255,255,255,255\r\n255,255,255,255,255,255,255,255", unchanged},
        LoadCase{"LinesAfterTheLastIgnored", 18,
                 "5,65,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255\r\nrubbish,,\"",
                 unchanged}),
    [](const auto& info) { return info.param.name; });

std::string withLineEnds(std::string_view lineEnd, bool afterLast) {
    std::string text;
    for (std::size_t i = 0; i < testing::kDefaultPresetLines.size(); ++i) {
        text += testing::kDefaultPresetLines[i];
        if (afterLast || i + 1 < testing::kDefaultPresetLines.size()) {
            text += lineEnd;
        }
    }
    return text;
}

// Line ends carry no meaning of their own: a file on one line with commas reads the same.
TEST(PresetReader, AcceptsEveryLineEndCommasAndAMissingLastOne) {
    for (std::string_view lineEnd : {"\r\n", "\n", "\r", ","}) {
        for (bool afterLast : {true, false}) {
            const PresetReadResult result = readPresetText(withLineEnds(lineEnd, afterLast));
            ASSERT_TRUE(result.ok()) << result.reason;
            EXPECT_EQ(*result.settings, defaultSettings());
        }
    }
}

}  // namespace
}  // namespace corvane
