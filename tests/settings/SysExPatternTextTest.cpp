#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/SysExPatternText.h"

namespace corvane {
namespace {

using Values = std::vector<std::int16_t>;

struct ParseCase {
    std::string name;
    std::string text;
    Values values;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class PatternParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PatternParse, ReadsTheItemsEndedByCommas) {
    const PatternParseResult result = parseSysExPatternText(GetParam().text);
    EXPECT_FALSE(result.error.has_value()) << result.error->text;
    EXPECT_EQ(result.values, GetParam().values);
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Items, PatternParse,
    ::testing::Values(ParseCase{"Empty", "", {}}, ParseCase{"NoComma", "12 34", {}},
                      ParseCase{"DefaultText", " 65, 0, 66, 18, 64,", {65, 0, 66, 18, 64}},
                      ParseCase{"TextAfterLastCommaIgnored", "1,2,3", {1, 2}},
                      ParseCase{"LeadingEmptyItem", ",5,", {5}},
                      ParseCase{"TrailingEmptyItems", "5,,,", {5}},
                      ParseCase{"EmptyItemBetween", "1,,2,", {1, 2}},
                      ParseCase{"TwentyItemsKeepSixteen", repeated("7,", 20), Values(16, 7)},
                      ParseCase{"ItemsAfterSixteenthNotRead", repeated("1,", 16) + "999,",
                                Values(16, 1)},
                      ParseCase{"MillionItems", repeated("9,", 1'000'000), Values(16, 9)}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Numbers, PatternParse,
    ::testing::Values(
        ParseCase{"Hex", "&HF0,", {240}}, ParseCase{"HexLowerCase", "&hff,", {255}},
        ParseCase{"Octal", "&O17,", {15}}, ParseCase{"OctalStopsAtEight", "&O18,", {1}},
        ParseCase{"HexWithoutDigits", "&H,", {0}}, ParseCase{"HexDigitsAlone", "F0,", {0}},
        ParseCase{"Word", "abc,", {0}}, ParseCase{"HalfToEvenDown", "2.5,", {2}},
        ParseCase{"HalfToEvenUp", "3.5,", {4}}, ParseCase{"HalfOfZero", "0.5,", {0}},
        ParseCase{"AboveHalf", "2.51,", {3}}, ParseCase{"BelowHalf", "2.4999,", {2}},
        ParseCase{"LongTailAboveHalf", "2.5" + std::string(5000, '0') + "1,", {3}},
        ParseCase{"BlanksInsideItem", " 1 2 ,", {12}},
        ParseCase{"TabsAndLineFeeds", "\t1\n2\t,", {12}},
        ParseCase{"CarriageReturnStopsTheNumber", "1\r2,", {1}}, ParseCase{"Plus", "+7,", {7}},
        ParseCase{"SignAndBlank", "- 0.4,", {0}}, ParseCase{"LeadingPoint", ".6,", {1}},
        ParseCase{"Exponent", "1e2,", {100}}, ParseCase{"ExponentD", "1D2,", {100}},
        ParseCase{"ExponentSign", "25E-1,", {2}}, ParseCase{"ExponentWithoutDigits", "5E,", {5}},
        ParseCase{"FractionAndExponent", "1.27e2,", {127}},
        ParseCase{"HugeNegativeExponent", "5e-999999999999999999999,", {0}},
        ParseCase{"LeadingZeros", "000000000000000000000000255,", {255}},
        ParseCase{"StopsAtFirstMisfit", "12abc34,", {12}},
        ParseCase{"ByteValuesAboveOneTwentySeven", "128,255,", {128, 255}}),
    [](const auto& info) { return info.param.name; });

struct ErrorCase {
    std::string name;
    std::string text;
    int item;
    std::string itemText;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class PatternParseError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PatternParseError, NamesTheItemAndItsText) {
    const PatternParseResult result = parseSysExPatternText(GetParam().text);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->item, GetParam().item);
    EXPECT_EQ(result.error->text, GetParam().itemText);
    EXPECT_TRUE(result.values.empty());
}

const std::string kMillionDigits = "1" + std::string(1'000'000, '0');

INSTANTIATE_TEST_SUITE_P(Cases, PatternParseError,
                         ::testing::Values(ErrorCase{"Negative", "-5,", 1, "-5"},
                                           ErrorCase{"JustAboveByte", "1,,2, 256,", 3, " 256"},
                                           ErrorCase{"RoundsAboveByte", "255.5,", 1, "255.5"},
                                           ErrorCase{"RoundsBelowZero", "-0.6,", 1, "-0.6"},
                                           ErrorCase{"HexAboveByte", "&H100,", 1, "&H100"},
                                           ErrorCase{"HugeHex", "&H" + std::string(1000, 'F') + ",",
                                                     1, "&H" + std::string(1000, 'F')},
                                           ErrorCase{"HugeExponent", "1e999,", 1, "1e999"},
                                           ErrorCase{"SixteenBitOverflow", "40000,", 1, "40000"},
                                           ErrorCase{"MillionDigits", kMillionDigits + ",", 1,
                                                     kMillionDigits}),
                         [](const auto& info) { return info.param.name; });

TEST(PatternApply, SetsCountAndFirstEntriesAndKeepsTheRest) {
    FilterSettings settings = defaultSettings();
    EXPECT_FALSE(applySysExPatternText("1,2,", settings).has_value());
    EXPECT_EQ(settings.SysEx_Count, 2);
    EXPECT_EQ(settings.SysEx_Pattern, (SysExPatternEntries{1, 2, 66, 18, 64, 255, 255, 255, 255,
                                                           255, 255, 255, 255, 255, 255, 255}));
}

TEST(PatternApply, EmptyTextGivesCountZeroAndKeepsEntries) {
    FilterSettings settings = defaultSettings();
    EXPECT_FALSE(applySysExPatternText("", settings).has_value());
    EXPECT_EQ(settings.SysEx_Count, 0);
    EXPECT_EQ(settings.SysEx_Pattern, kDefaultSysExPattern);
}

TEST(PatternApply, ErrorLeavesThePatternUnchanged) {
    FilterSettings settings = defaultSettings();
    const auto error = applySysExPatternText("1,2,300,", settings);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->item, 3);
    EXPECT_EQ(settings, defaultSettings());
}

struct ShowCase {
    std::string name;
    SysExPatternEntries pattern;
    std::string text;
    std::int16_t shownCount;
};

void PrintTo(const ShowCase& c, std::ostream* os) {
    *os << c.name;
}

class PatternShow : public ::testing::TestWithParam<ShowCase> {};

TEST_P(PatternShow, WritesEntriesUpToTheFirstAbove127) {
    EXPECT_EQ(showSysExPattern(GetParam().pattern), GetParam().text);
    EXPECT_EQ(countShownEntries(GetParam().pattern), GetParam().shownCount);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatternShow,
    ::testing::Values(ShowCase{"Defaults", kDefaultSysExPattern, " 65, 0, 66, 18, 64,", 5},
                      ShowCase{"FirstEntryTopBit", {128, 1, 2}, "", 0},
                      ShowCase{"AllSixteenShown",
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 127},
                               " 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 127,",
                               16},
                      ShowCase{"NegativeEntryWithMinusSign",
                               {-5, 7, 200, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                255, 255},
                               "-5, 7,",
                               2}),
    [](const auto& info) { return info.param.name; });

TEST(PatternShow, ShownTextParsesBackToTheShownEntries) {
    const SysExPatternEntries pattern = {0, 127, 3, 99, 42, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const PatternParseResult parsed = parseSysExPatternText(showSysExPattern(pattern));
    EXPECT_EQ(parsed.values, Values(pattern.begin(), pattern.end()));
}

}  // namespace
}  // namespace corvane
