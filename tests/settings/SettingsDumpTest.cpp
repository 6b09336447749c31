#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "DefaultDumpListing.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

std::string hexLine(const DumpPacket& packet) {
    std::string line;
    for (std::uint8_t byte : packet) {
        char text[4];
        std::snprintf(text, sizeof text, "%02X", byte);
        if (!line.empty()) {
            line += ' ';
        }
        line += text;
    }
    return line;
}

std::vector<std::string> dumpLines(const FilterSettings& settings) {
    std::vector<std::string> lines;
    for (const DumpPacket& packet : BuildSettingsDump(settings)) {
        lines.push_back(hexLine(packet));
    }
    return lines;
}

std::vector<std::string> defaultLines() {
    return {testing::kDefaultDumpLines.begin(), testing::kDefaultDumpLines.end()};
}

// Replaces byte `byte` of packet `packet` in a listing.
struct ByteChange {
    std::size_t packet;
    std::size_t byte;
    std::string value;
};

std::vector<std::string> withChanges(std::vector<std::string> lines,
                                     const std::vector<ByteChange>& changes) {
    for (const ByteChange& change : changes) {
        lines[change.packet].replace(change.byte * 3, 2, change.value);
    }
    return lines;
}

TEST(SettingsDump, DefaultSettingsGiveTheListedDumpLineByLine) {
    const std::vector<std::string> lines = dumpLines(defaultSettings());
    ASSERT_EQ(lines.size(), 10u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], testing::kDefaultDumpLines[i]) << "packet " << i;
    }
}

struct DumpVariant {
    std::string name;
    void (*edit)(FilterSettings&);
    std::vector<ByteChange> changes;  // against the default listing
};

void PrintTo(const DumpVariant& c, std::ostream* os) {
    *os << c.name;
}

class SettingsDumpVariants : public ::testing::TestWithParam<DumpVariant> {};

TEST_P(SettingsDumpVariants, ChangeOnlyTheExpectedBytes) {
    FilterSettings settings = defaultSettings();
    GetParam().edit(settings);
    EXPECT_EQ(dumpLines(settings), withChanges(defaultLines(), GetParam().changes));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsDumpVariants,
    ::testing::Values(
        DumpVariant{"SlotThreeSpecifyAndThreeFlagsCleared",
                    [](FilterSettings& s) {
                        s.CC_Mode = CcMode::One;
                        s.CC_Slot = 2;
                        s.SysEx_Mode = SysExMode::Specify;
                        s.CC_Enable[1] = 0;
                        s.CC_Enable[64] = 0;
                        s.CC_Enable[127] = 0;
                    },
                    {{0, 11, "03"}, {0, 12, "3F"}, {1, 7, "7D"}, {2, 13, "7E"}, {5, 13, "00"}}},
        DumpVariant{"SpecifyWithEmptyPatternSendsModeByteOne",
                    [](FilterSettings& s) {
                        s.SysEx_Mode = SysExMode::Specify;
                        s.SysEx_Count = 0;
                    },
                    {{5, 14, "00"}}},
        DumpVariant{
            "ModeAllSendsSlotByteZeroWhateverSlot", [](FilterSettings& s) { s.CC_Slot = 17; }, {}},
        DumpVariant{"LastSlotInModeOne",
                    [](FilterSettings& s) {
                        s.CC_Mode = CcMode::One;
                        s.CC_Slot = 17;
                    },
                    {{0, 11, "12"}}},
        DumpVariant{"FlagValuesOtherThanOneCountAsClear",
                    [](FilterSettings& s) {
                        s.CC_Enable[0] = 2;
                        s.CC_Enable[7] = -1;
                    },
                    {{0, 7, "03"}, {0, 12, "7E"}}},
        DumpVariant{"TopBitsOfEntriesFifteenAndSixteenOnlyInPacketEight",
                    [](FilterSettings& s) {
                        s.SysEx_Pattern[14] = 0x81;
                        s.SysEx_Pattern[15] = 0x02;
                    },
                    {{8, 7, "40"}, {8, 8, "01"}, {8, 9, "02"}, {9, 8, "01"}, {9, 9, "02"}}},
        DumpVariant{"PacketEightKeepsLowBitsOfEntriesTenToFourteen",
                    [](FilterSettings& s) {
                        s.SysEx_Pattern[9] = 0x90;
                        s.SysEx_Pattern[13] = 0x05;
                    },
                    {{7, 10, "10"},
                     {7, 14, "05"},
                     {7, 7, "7E"},
                     {8, 10, "10"},
                     {8, 14, "05"},
                     {9, 10, "10"},
                     {9, 14, "05"}}},
        DumpVariant{"ScalarsAndControllersInTheirBytes",
                    [](FilterSettings& s) {
                        s.Channel = 15;
                        s.Transpose = 22;
                        s.Velocity = 1;
                        s.CC_Preset[0] = 127;
                        s.CC_Preset[17] = 3;
                        s.PitchBend = 0;
                        s.AfterTouch = 0;
                        s.SysEx_Count = 16;
                    },
                    {{0, 8, "0F"},
                     {0, 9, "16"},
                     {0, 10, "01"},
                     {2, 14, "7F"},
                     {5, 10, "03"},
                     {5, 11, "00"},
                     {5, 12, "00"},
                     {5, 14, "10"}}}),
    [](const auto& info) { return info.param.name; });

TEST(SettingsDump, CcMapPutsTheLowestControllerOfEachGroupInBitSeven) {
    CcEnableFlags flags{};
    flags[0] = 1;
    flags[9] = 1;
    flags[127] = 1;
    flags[126] = 5;
    const CC_Map map = buildCcMap(flags);
    CC_Map expected{};
    expected[0] = 0x80;
    expected[1] = 0x40;
    expected[15] = 0x01;
    EXPECT_EQ(map, expected);
}

TEST(SettingsDump, ValuesOutsideTheirRangesAreClampedIntoLegalBytes) {
    for (std::int16_t wild : {std::int16_t{-32768}, std::int16_t{32767}}) {
        FilterSettings settings;
        settings.Channel = settings.Transpose = settings.Velocity = wild;
        settings.CC_Mode = CcMode::One;
        settings.CC_Slot = wild;
        settings.CC_Preset.fill(wild);
        settings.PitchBend = settings.AfterTouch = wild;
        settings.SysEx_Mode = SysExMode::Specify;
        settings.SysEx_Count = wild;
        settings.SysEx_Pattern.fill(wild);
        const auto bytes = flattenDump(BuildSettingsDump(settings));
        const DumpDecodeResult decoded = decodeSettingsDump(bytes);
        ASSERT_TRUE(decoded.settings.has_value()) << wild << ": " << decoded.error;
        EXPECT_EQ(decoded.settings->Channel, wild < 0 ? 0 : 15);
        EXPECT_EQ(decoded.settings->CC_Slot, wild < 0 ? 0 : 17);
        EXPECT_EQ(decoded.settings->SysEx_Pattern[0], wild < 0 ? 0 : 255);
    }
}

struct UnsendableCase {
    std::string name;
    void (*edit)(FilterSettings&);
    std::string expected;  // empty: sendable
};

void PrintTo(const UnsendableCase& c, std::ostream* os) {
    *os << c.name;
}

class FindUnsendableValue : public ::testing::TestWithParam<UnsendableCase> {};

TEST_P(FindUnsendableValue, NamesTheFieldOrFindsNothing) {
    FilterSettings settings = defaultSettings();
    GetParam().edit(settings);
    const std::optional<std::string> message = findUnsendableValue(settings);
    if (GetParam().expected.empty()) {
        EXPECT_FALSE(message.has_value()) << *message;
    } else {
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(*message, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindUnsendableValue,
    ::testing::Values(
        UnsendableCase{"Defaults", [](FilterSettings&) {}, ""},
        UnsendableCase{"UpperLimits",
                       [](FilterSettings& s) {
                           s.Channel = 15;
                           s.Transpose = 22;
                           s.Velocity = 127;
                           s.CC_Mode = CcMode::One;
                           s.CC_Slot = 17;
                           s.CC_Preset.fill(127);
                           s.SysEx_Count = 16;
                           s.SysEx_Pattern.fill(255);
                       },
                       ""},
        UnsendableCase{"SlotIgnoredInModeAll", [](FilterSettings& s) { s.CC_Slot = -1; }, ""},
        UnsendableCase{"Channel", [](FilterSettings& s) { s.Channel = 16; },
                       "Channel is 16; it must be 0 to 15."},
        UnsendableCase{"Transpose", [](FilterSettings& s) { s.Transpose = -1; },
                       "Transpose is -1; it must be 0 to 22."},
        UnsendableCase{"Velocity", [](FilterSettings& s) { s.Velocity = 0; },
                       "Velocity is 0; it must be 1 to 127."},
        UnsendableCase{"PitchBend", [](FilterSettings& s) { s.PitchBend = 2; },
                       "PitchBend is 2; it must be 0 to 1."},
        UnsendableCase{"AfterTouch", [](FilterSettings& s) { s.AfterTouch = -1; },
                       "AfterTouch is -1; it must be 0 to 1."},
        UnsendableCase{"SysExCount", [](FilterSettings& s) { s.SysEx_Count = 17; },
                       "SysEx_Count is 17; it must be 0 to 16."},
        UnsendableCase{"SlotInModeOne",
                       [](FilterSettings& s) {
                           s.CC_Mode = CcMode::One;
                           s.CC_Slot = 18;
                       },
                       "CC_Slot is 18; it must be 0 to 17."},
        UnsendableCase{"Controller", [](FilterSettings& s) { s.CC_Preset[4] = 128; },
                       "CC_Preset slot 5 is 128; it must be 0 to 127."},
        UnsendableCase{"PatternEntry", [](FilterSettings& s) { s.SysEx_Pattern[15] = 256; },
                       "SysEx_Pattern entry 16 is 256; it must be 0 to 255."},
        UnsendableCase{"NegativePatternEntry", [](FilterSettings& s) { s.SysEx_Pattern[0] = -5; },
                       "SysEx_Pattern entry 1 is -5; it must be 0 to 255."}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
