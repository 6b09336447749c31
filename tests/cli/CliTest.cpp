#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>

#include "DefaultDumpListing.h"
#include "FileContents.h"
#include "cli/Cli.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun run(const CliArgs& args, const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CliStreams io{in, out, err};
    CliRun result;
    result.exitCode = runCli(args, io);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::string defaultDumpListing() {
    std::string text;
    for (std::string_view line : testing::kDefaultDumpLines) {
        text += std::string(line) + "\n";
    }
    return text;
}

std::string defaultDumpBytes() {
    const auto bytes = flattenDump(BuildSettingsDump(defaultSettings()));
    return {bytes.begin(), bytes.end()};
}

class CliFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder =
            fs::path(::testing::TempDir()) /
            ("cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string file(const std::string& name, const std::string& bytes) const {
        const fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path m_folder;
};

struct UsageCase {
    std::string name;
    CliArgs args;
    std::string errPart;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitsWithTwoAndTheUsageText) {
    const CliRun result = run(GetParam().args);
    EXPECT_EQ(result.exitCode, kExitUsage);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find(GetParam().errPart), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Usage: corvane-cli COMMAND"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    ::testing::Values(UsageCase{"NoCommand", {}, "no command given"},
                      UsageCase{"UnknownCommand", {"load", "x"}, "unknown command 'load'"},
                      UsageCase{"DefaultsWithTwoOuts", {"defaults", "a", "b"}, "'defaults'"},
                      UsageCase{"DumpWithoutFile", {"dump"}, "'dump'"},
                      UsageCase{"SyxWithoutOut", {"syx", "a.cvp"}, "'syx'"},
                      UsageCase{"DecodeWithTwoOuts", {"decode", "a", "b", "c"}, "'decode'"},
                      UsageCase{"CheckWithoutFile", {"check"}, "'check'"},
                      UsageCase{"VersionWithArgument", {"--version", "x"}, "'--version'"}),
    [](const auto& info) { return info.param.name; });

TEST(Cli, HelpPrintsTheUsageOnStandardOutput) {
    const CliRun result = run({"--help"});
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_NE(result.out.find("dump FILE"), std::string::npos);
    EXPECT_NE(result.out.find("send FILE"), std::string::npos);
    EXPECT_TRUE(result.err.empty());
}

TEST(Cli, VersionNamesTheProgram) {
    const CliRun result = run({"--version"});
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out, "corvane-cli 1.0.0\n");
}

TEST(Cli, DefaultsWritesTheStartUpPresetFile) {
    const CliRun result = run({"defaults"});
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out, writePresetText(defaultSettings()));
}

TEST(Cli, DumpOfStandardInputPrintsTheTenPackets) {
    const CliRun result = run({"dump", "-"}, writePresetText(defaultSettings()));
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out, defaultDumpListing());
    EXPECT_TRUE(result.err.empty());
}

TEST(Cli, DumpLoadsAsTheEditorWould) {
    FilterSettings settings = defaultSettings();
    settings.CC_Mode = CcMode::One;
    settings.CC_Slot = 2;
    const std::string text = writePresetText(settings);
    const CliRun result = run({"dump", "-"}, text);
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out.substr(0, 48), "F0 7D 12 34 31 04 00 07 00 0B 64 03 7F 7F 7F F7\n");
}

struct InvalidInputCase {
    std::string name;
    CliArgs args;
    std::string input;
    std::string reasonPart;
};

void PrintTo(const InvalidInputCase& c, std::ostream* os) {
    *os << c.name;
}

class CliInvalidInput : public ::testing::TestWithParam<InvalidInputCase> {};

TEST_P(CliInvalidInput, ExitsWithOneAndTheMessage) {
    const CliRun result = run(GetParam().args, GetParam().input);
    EXPECT_EQ(result.exitCode, kExitFailure);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(result.err.rfind(std::string(kInvalidPresetMessage) + "\n", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(GetParam().reasonPart), std::string::npos) << result.err;
    EXPECT_EQ(std::count_if(result.err.begin(), result.err.end(),
                            [](char c) { return (c >= 0 && c < ' ' && c != '\n') || c == 0x7F; }),
              0)
        << result.err;
}

const std::string kMissing = "/nonexistent-corvane-folder/x.cvp";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliInvalidInput,
    ::testing::Values(
        InvalidInputCase{"DumpOfGarbage", {"dump", "-"}, "garbage", "-: line 1: expected"},
        InvalidInputCase{"DumpOfMissingFile", {"dump", kMissing}, "", "No such file"},
        InvalidInputCase{"CheckOfEmptyInput", {"check", "-"}, "", "the file ends before"},
        InvalidInputCase{"SyxOfMissingFile", {"syx", kMissing, "-"}, "", "No such file"},
        InvalidInputCase{"ControlBytesInTheFileName",
                         {"check", "/nonexistent\x1B]0;owned\x07/x\x7F.cvp"},
                         "",
                         "/nonexistent\\x1B]0;owned\\x07/x\\x7F.cvp: cannot open"},
        InvalidInputCase{"ControlBytesInAnItem",
                         {"check", "-"},
                         "\"* : Corvane, V1.0\"\r\n\"\x1B]0;owned\x07\"\r\n",
                         "found \"\\x1B]0;owned\\x07\""},
        InvalidInputCase{"CheckOfValueOutsideSixteenBits",
                         {"check", "-"},
                         "\"* : Corvane, V1.0\"\r\n\"* : MIDI Channel\"\r\n99999\r\n",
                         "lies outside -32768 to 32767"}),
    [](const auto& info) { return info.param.name; });

TEST(Cli, CheckAcceptsAValidPreset) {
    const CliRun result = run({"check", "-"}, writePresetText(defaultSettings()));
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out, "-: valid Corvane preset file\n");
}

TEST(Cli, SyxToStandardOutputWritesTheRawDump) {
    const CliRun result = run({"syx", "-", "-"}, writePresetText(defaultSettings()));
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(result.out, defaultDumpBytes());
}

TEST_F(CliFiles, SyxWritesTheRawDumpToAFile) {
    const std::string preset = file("in.cvp", writePresetText(defaultSettings()));
    const fs::path out = m_folder / "out.syx";
    const CliRun result = run({"syx", preset, out.string()});
    EXPECT_EQ(result.exitCode, kExitOk);
    EXPECT_EQ(testing::fileContents(out), defaultDumpBytes());
}

struct OutputFileCase {
    std::string name;
    CliArgs args;  // the output file is appended
    std::string input;
    std::string expected;
};

void PrintTo(const OutputFileCase& c, std::ostream* out) {
    *out << c.name;
}

class CliOutputFile : public CliFiles, public ::testing::WithParamInterface<OutputFileCase> {};

TEST_P(CliOutputFile, ReplacesTheFileAndPrintsNothing) {
    const std::string out = file("out", "old contents that are longer than nothing");
    CliArgs args = GetParam().args;
    args.push_back(out);
    const CliRun result = run(args, GetParam().input);
    EXPECT_EQ(result.exitCode, kExitOk) << result.err;
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(testing::fileContents(out), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliOutputFile,
    ::testing::Values(
        OutputFileCase{"Defaults", {"defaults"}, "", writePresetText(defaultSettings())},
        OutputFileCase{"Syx", {"syx", "-"}, writePresetText(defaultSettings()), defaultDumpBytes()},
        OutputFileCase{
            "Decode", {"decode", "-"}, defaultDumpBytes(), writePresetText(defaultSettings())}),
    [](const auto& info) { return info.param.name; });

TEST_F(CliFiles, SyxToAnUnwritablePlaceFails) {
    const std::string preset = file("in.cvp", writePresetText(defaultSettings()));
    const CliRun result = run({"syx", preset, preset + "/out.syx"});
    EXPECT_EQ(result.exitCode, kExitFailure);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

TEST_F(CliFiles, DecodePrintsThePresetOfADump) {
    FilterSettings settings = defaultSettings();
    settings.Channel = 7;
    settings.SysEx_Mode = SysExMode::Specify;
    const auto bytes = flattenDump(BuildSettingsDump(settings));
    const std::string dump = file("in.syx", std::string(bytes.begin(), bytes.end()));
    const CliRun result = run({"decode", dump});
    EXPECT_EQ(result.exitCode, kExitOk) << result.err;
    EXPECT_EQ(result.out, writePresetText(settings));
}

struct BadDumpCase {
    std::string name;
    std::string bytes;
    std::string reasonPart;
};

void PrintTo(const BadDumpCase& c, std::ostream* os) {
    *os << c.name;
}

class CliDecodeRejects : public ::testing::TestWithParam<BadDumpCase> {};

TEST_P(CliDecodeRejects, ExitsWithOneAndTheReason) {
    const CliRun result = run({"decode", "-"}, GetParam().bytes);
    EXPECT_EQ(result.exitCode, kExitFailure);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(result.err.rfind("Invalid Corvane settings dump!\n", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(GetParam().reasonPart), std::string::npos) << result.err;
}

std::string withByte(std::size_t at, char value) {
    std::string bytes = defaultDumpBytes();
    bytes[at] = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliDecodeRejects,
    ::testing::Values(BadDumpCase{"Empty", "", "0 bytes"},
                      BadDumpCase{"Short", defaultDumpBytes().substr(0, 150), "150 bytes"},
                      BadDumpCase{"Long", defaultDumpBytes() + std::string(5000, '\xF7'),
                                  "-: the dump has more than 160 bytes."},
                      BadDumpCase{"Header", withByte(16 * 2 + 1, 0x7E), "packet 02: wrong header"},
                      BadDumpCase{"Index", withByte(16 * 9 + 6, 0x09), "packet 7F: packet index"},
                      BadDumpCase{"EndByte", withByte(15, 0x00), "packet 00: the last byte"}),
    [](const auto& info) { return info.param.name; });

TEST(Cli, DecodeOfMissingFileFails) {
    const CliRun result = run({"decode", kMissing});
    EXPECT_EQ(result.exitCode, kExitFailure);
    EXPECT_NE(result.err.find("No such file"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace corvane
