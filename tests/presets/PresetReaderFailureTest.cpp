#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>

#include "DefaultPresetListing.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

using testing::defaultPresetText;
using testing::defaultPresetWithLine;

struct FailureCase {
    std::string name;
    std::string text;
    std::string reasonPart;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class PresetReaderRejects : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PresetReaderRejects, WithAReasonAndNoSettings) {
    const PresetReadResult result = readPresetText(GetParam().text);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.settings.has_value());
    EXPECT_NE(result.reason.find(GetParam().reasonPart), std::string::npos) << result.reason;
}

// The default file cut right after `prefix` of line `line` (lines before it complete).
std::string defaultPresetCutInLine(std::size_t line, std::string_view prefix) {
    std::string text;
    for (std::size_t i = 0; i + 1 < line; ++i) {
        text += std::string(testing::kDefaultPresetLines[i]) + "\r\n";
    }
    return text + std::string(prefix);
}

std::string defaultPresetWithoutLine(std::size_t line) {
    const std::string text = defaultPresetText();
    const std::string removed = std::string(testing::kDefaultPresetLines[line - 1]) + "\r\n";
    const std::size_t at = text.find(removed);
    return text.substr(0, at) + text.substr(at + removed.size());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PresetReaderRejects,
    ::testing::Values(
        FailureCase{
            "OtherVersion", defaultPresetWithLine(1, R"("* : Corvane, V1.1")"),
            R"(line 1: expected the header "* : Corvane, V1.0", found "* : Corvane, V1.1")"},
        FailureCase{"FirstHeaderWithoutQuotes", defaultPresetWithLine(1, "* : Corvane, V1.0"),
                    R"(found "* : Corvane")"},
        FailureCase{"OtherLetterCase", defaultPresetWithLine(4, R"("* : note transpose")"),
                    R"(line 4: expected the header "* : Note Transpose")"},
        FailureCase{"ShorterThanTheHeader", defaultPresetWithLine(16, R"("* : SysE")"),
                    R"(expected the header "* : SysEx")"},
        FailureCase{"MissingHeader", defaultPresetWithoutLine(6),
                    R"(line 6: expected the header "* : Note Velocity", found "100")"},
        FailureCase{"BlankLineBeforeHeader",
                    defaultPresetWithLine(12, "\r\n\"* : Pitch Bend Bit\""),
                    R"(line 12: expected the header "* : Pitch Bend Bit", found "")"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    EarlyEnd, PresetReaderRejects,
    ::testing::Values(
        FailureCase{"EmptyFile", "", R"(the file ends before the header "* : Corvane, V1.0")"},
        FailureCase{"OnlySpaces", "     ", R"(ends before the header "* : Corvane, V1.0")"},
        FailureCase{"InsideSlotLine", defaultPresetCutInLine(11, "0,1,2"),
                    "the file ends before the preset slot controller 4."},
        FailureCase{"InsidePatternLine", defaultPresetCutInLine(18, "5,65,0,66"),
                    "the file ends before the SysEx pattern entry 4."},
        FailureCase{"BeforeStoredCount", defaultPresetCutInLine(18, ""),
                    "the file ends before the SysEx count."},
        FailureCase{"UnclosedQuoteSwallowsTheRest", defaultPresetWithLine(16, R"("* : SysEx)"),
                    "ends before the SysEx mode"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Values, PresetReaderRejects,
    ::testing::Values(
        FailureCase{"AboveSixteenBits", defaultPresetWithLine(3, "32768"),
                    R"(line 3: the MIDI channel "32768" lies outside -32768 to 32767.)"},
        FailureCase{"BelowSixteenBits", defaultPresetWithLine(7, "-32769"),
                    "lies outside -32768 to 32767"},
        FailureCase{"HugeNumber", defaultPresetWithLine(5, std::string(500, '9')),
                    "lies outside -32768 to 32767"},
        FailureCase{"ControlChangeModeAbove18", defaultPresetWithLine(9, "19"),
                    R"(the control-change mode "19" lies outside 0 to 18.)"},
        FailureCase{"ControlChangeModeNegative", defaultPresetWithLine(9, "-1"),
                    "control-change mode"},
        FailureCase{"SlotAbove127",
                    defaultPresetWithLine(11,
                                          "0,1,2,5,7,10,11,64,65,66,67,80,81,"
                                          "91,93,120,121,128"),
                    R"(the preset slot controller 18 "128" lies outside 0 to 127.)"},
        FailureCase{"SlotNegative",
                    defaultPresetWithLine(11,
                                          "0,1,2,5,-1,10,11,64,65,66,67,80,81,"
                                          "91,93,120,121,123"),
                    "preset slot controller 5"},
        FailureCase{"PatternAbove255",
                    defaultPresetWithLine(18,
                                          "5,65,0,66,18,64,255,255,255,255,"
                                          "255,255,255,255,255,255,256"),
                    R"(the SysEx pattern entry 16 "256" lies outside 0 to 255.)"},
        FailureCase{"PatternNegative",
                    defaultPresetWithLine(18,
                                          "5,-1,0,66,18,64,255,255,255,255,"
                                          "255,255,255,255,255,255,255"),
                    "SysEx pattern entry 1"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    NotDecimalIntegers, PresetReaderRejects,
    ::testing::Values(
        FailureCase{"Word", defaultPresetWithLine(3, "abc"),
                    R"(line 3: the MIDI channel "abc" is not a decimal integer.)"},
        FailureCase{"EmptyLine", defaultPresetWithLine(5, ""), "note transpose \"\" is not"},
        FailureCase{"EmptyListItem", defaultPresetWithLine(10, "255,,255"),
                    "controller flag byte 2 \"\" is not"},
        FailureCase{"Decimals", defaultPresetWithLine(7, "1.5"), "is not a decimal integer"},
        FailureCase{"Exponent", defaultPresetWithLine(7, "1e2"), "is not a decimal integer"},
        FailureCase{"HexPrefix", defaultPresetWithLine(13, "0x1"), "is not a decimal integer"},
        FailureCase{"SignAlone", defaultPresetWithLine(15, "-"), "is not a decimal integer"},
        FailureCase{"SpaceInside", defaultPresetWithLine(17, "1 0"), "is not a decimal integer"},
        FailureCase{"StoredCount",
                    defaultPresetWithLine(18,
                                          "x,65,0,66,18,64,255,255,255,255,"
                                          "255,255,255,255,255,255,255"),
                    "SysEx count \"x\" is not"}),
    [](const auto& info) { return info.param.name; });

const std::string kLongItemReason = "an item is longer than 1024 characters.";

INSTANTIATE_TEST_SUITE_P(
    LongItems, PresetReaderRejects,
    ::testing::Values(
        FailureCase{"LongValue", defaultPresetWithLine(3, std::string(1025, '1')),
                    "line 3: " + kLongItemReason},
        FailureCase{"LongQuotedHeader",
                    defaultPresetWithLine(2, "\"* : MIDI Channel" + std::string(2000, '!') + "\""),
                    kLongItemReason},
        FailureCase{"ManyLeadingSpaces", defaultPresetWithLine(5, std::string(1025, ' ') + "11"),
                    kLongItemReason},
        FailureCase{"LongTextAfterClosingQuote",
                    defaultPresetWithLine(1, R"("* : Corvane, V1.0")" + std::string(1100, 'x')),
                    kLongItemReason}),
    [](const auto& info) { return info.param.name; });

TEST(PresetReaderBounds, LongestAcceptedItemStillReads) {
    const std::string padded = std::string(kMaxPresetItemLength - 2, '0') + "11";
    const PresetReadResult result = readPresetText(defaultPresetWithLine(5, padded));
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(result.settings->Transpose, 11);
}

// A source of one character without end, as far as a bounded reader can tell: it gives up
// only after a megabyte, so that an unbounded reader fails the test instead of hanging it.
class EndlessSource : public std::streambuf {
  public:
    explicit EndlessSource(char fill) { m_chunk.fill(fill); }
    std::size_t taken() const { return m_taken; }

  protected:
    int_type underflow() override {
        if (m_taken >= kGiveUpAfter) {
            return traits_type::eof();
        }
        m_taken += m_chunk.size();
        setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + m_chunk.size());
        return traits_type::to_int_type(m_chunk[0]);
    }

  private:
    static constexpr std::size_t kGiveUpAfter = 1024 * 1024;
    std::array<char, 256> m_chunk{};
    std::size_t m_taken = 0;
};

TEST(PresetReaderBounds, EndlessInputWithoutDelimitersIsRejectedAfterOneItem) {
    for (char fill : {'a', ' ', '"', '\0'}) {
        EndlessSource source(fill);
        std::istream in(&source);
        const PresetReadResult result = readPreset(in);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.reason.find(kLongItemReason), std::string::npos) << result.reason;
        EXPECT_LE(source.taken(), 2 * kMaxPresetItemLength) << "fill " << int(fill);
    }
}

TEST(PresetReaderBounds, HundredMegabyteFileWithoutLineBreakIsRejectedQuickly) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "no-line-break.cvp";
    { std::ofstream create(path, std::ios::binary); }
    std::filesystem::resize_file(path, 100u * 1024 * 1024);  // sparse: 100 MB of NUL bytes
    const auto start = std::chrono::steady_clock::now();
    const PresetReadResult result = readPresetFile(path);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::filesystem::remove(path);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.reason.find(kLongItemReason), std::string::npos) << result.reason;
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

TEST(PresetReaderFiles, MissingFileNamesTheSystemError) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "no-such-preset.cvp";
    const PresetReadResult result = readPresetFile(path);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.reason.find("No such file or directory"), std::string::npos) << result.reason;
}

struct NotAFileCase {
    std::string name;
    std::string reasonPart;
};

void PrintTo(const NotAFileCase& c, std::ostream* out) {
    *out << c.name;
}

class PresetReaderNotAFile : public ::testing::TestWithParam<NotAFileCase> {};

// Only regular files are read. The FIFO holds a whole valid preset and stays open for writing,
// so a reader that does read it neither blocks nor fails.
TEST_P(PresetReaderNotAFile, IsRejectedWithoutReadingIt) {
    const std::filesystem::path fifo =
        std::filesystem::path(::testing::TempDir()) / ("preset-fifo-" + std::to_string(::getpid()));
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    const std::string text = defaultPresetText();
    ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    const std::map<std::string, std::filesystem::path> paths = {
        {"Folder", ::testing::TempDir()}, {"Fifo", fifo}, {"Device", "/dev/null"}};

    const PresetReadResult result = readPresetFile(paths.at(GetParam().name));

    ::close(writer);
    std::filesystem::remove(fifo);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.reason.find(GetParam().reasonPart), std::string::npos) << result.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresetReaderNotAFile,
    ::testing::Values(NotAFileCase{"Folder", " is a folder."},
                      NotAFileCase{"Fifo", " is a FIFO, not a regular file."},
                      NotAFileCase{"Device", "/dev/null is a device, not a regular file."}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
