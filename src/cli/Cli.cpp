#include "cli/Cli.h"

#include <algorithm>
#include <iomanip>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "cli/CliMidiCommands.h"
#include "cli/CliPresetInput.h"
#include "files/MessageText.h"
#include "files/RegularFileInput.h"
#include "files/SafeSave.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"

namespace corvane {

namespace {

constexpr std::string_view kInvalidDumpMessage = "Invalid Corvane settings dump!";

constexpr std::string_view kUsage =
    "Usage: corvane-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  defaults [OUT]       write the start-up preset file to OUT (standard output\n"
    "                       when OUT is absent or -)\n"
    "  dump FILE            print the ten packets that Update sends for preset FILE,\n"
    "                       one packet a line\n"
    "  syx FILE OUT         write those packets as a 160-byte .syx file (OUT - is\n"
    "                       standard output)\n"
    "  decode DUMP.syx [OUT]\n"
    "                       read a 160-byte dump and write it as a preset file to OUT\n"
    "                       (standard output when OUT is absent or -)\n"
    "  check FILE           validate preset FILE\n"
    "  ports                list the MIDI output devices, one \"N: name\" a line\n"
    "  send FILE (--device N | --device-name TEXT)\n"
    "                       send preset FILE to a MIDI output device\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "FILE may be - or /dev/stdin for standard input; OUT may be /dev/stdout. A file\n"
    "OUT is replaced whole or not at all; a symlink is written through to the file\n"
    "it names.\n"
    "Exit status: 0 success, 1 invalid or unreadable input, output that cannot be\n"
    "written or a failed transfer, 2 bad usage.\n";

void printPacket(std::ostream& out, const DumpPacket& packet) {
    std::ostringstream line;
    line << std::uppercase << std::hex << std::setfill('0');
    for (std::size_t i = 0; i < packet.size(); ++i) {
        line << (i == 0 ? "" : " ") << std::setw(2) << static_cast<int>(packet[i]);
    }
    out << line.str() << '\n';
}

// Standard output is checked once, after the command, in runCli.
int writeOutput(const std::string& outFile, std::string_view bytes, CliStreams& io) {
    if (namesStandardOutput(outFile)) {
        io.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return kExitOk;
    }
    const FileSaveResult saved = saveFileSafely(outFile, bytes);
    if (!saved.ok) {
        io.err << "corvane-cli: " << saved.reason << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

int runDefaults(const std::string& outFile, CliStreams& io) {
    return writeOutput(outFile, writePresetText(defaultSettings()), io);
}

int runDump(const std::string& file, CliStreams& io) {
    const std::optional<FilterSettings> settings = loadPresetArgument(file, io);
    if (!settings) {
        return kExitFailure;
    }
    for (const DumpPacket& packet : BuildSettingsDump(*settings)) {
        printPacket(io.out, packet);
    }
    return kExitOk;
}

int runSyx(const std::string& file, const std::string& outFile, CliStreams& io) {
    const std::optional<FilterSettings> settings = loadPresetArgument(file, io);
    if (!settings) {
        return kExitFailure;
    }
    const auto bytes = flattenDump(BuildSettingsDump(*settings));
    return writeOutput(outFile, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, io);
}

// Reads at most one byte more than a dump holds, so any size can be told from a dump.
std::optional<std::vector<std::uint8_t>> readDumpBytes(const std::string& file, CliStreams& io) {
    const std::string shownFile = escapeControlBytes(file);
    std::optional<RegularFileInput> fileInput;
    std::optional<std::istream> fileStream;
    std::istream* in = &io.in;
    if (!namesStandardInput(file)) {
        fileInput.emplace(file);
        if (fileInput->status() != RegularFileInput::Status::Open) {
            const std::string why = fileInput->status() == RegularFileInput::Status::NotRegular
                                        ? "it is " + fileInput->problem()
                                        : fileInput->problem();
            io.err << kInvalidDumpMessage << '\n' << shownFile << ": cannot open: " << why << '\n';
            return std::nullopt;
        }
        in = &fileStream.emplace(&*fileInput);
    }
    std::vector<char> buffer(kDumpSize + 1);
    in->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in->bad() || (fileInput && fileInput->readFailed())) {
        io.err << kInvalidDumpMessage << '\n' << shownFile << ": read error\n";
        return std::nullopt;
    }
    const auto count = static_cast<std::size_t>(in->gcount());
    return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + static_cast<long>(count));
}

int runDecode(const std::string& file, const std::string& outFile, CliStreams& io) {
    const auto bytes = readDumpBytes(file, io);
    if (!bytes) {
        return kExitFailure;
    }
    const DumpDecodeResult decoded = decodeSettingsDump(*bytes);
    if (!decoded.settings) {
        const std::string reason =
            bytes->size() > kDumpSize
                ? "the dump has more than " + std::to_string(kDumpSize) + " bytes."
                : decoded.error;
        io.err << kInvalidDumpMessage << '\n' << escapeControlBytes(file) << ": " << reason << '\n';
        return kExitFailure;
    }
    return writeOutput(outFile, writePresetText(*decoded.settings), io);
}

int runCheck(const std::string& file, CliStreams& io) {
    if (!loadPresetArgument(file, io)) {
        return kExitFailure;
    }
    io.out << escapeControlBytes(file) << ": valid Corvane preset file\n";
    return kExitOk;
}

int runHelp(CliStreams& io) {
    io.out << kUsage;
    return kExitOk;
}

int runVersion(CliStreams& io) {
    io.out << "corvane-cli " << CORVANE_VERSION << '\n';
    return kExitOk;
}

constexpr std::size_t kAnyArgumentCount = static_cast<std::size_t>(-1);

struct Command {
    std::string_view name;
    std::size_t minArguments;
    std::size_t maxArguments;  // kAnyArgumentCount: the command checks its arguments itself
    int (*run)(const CliArgs& args, CliStreams& io);
};

// An optional OUT argument at position `at`; standard output when it is absent.
std::string outArgument(const CliArgs& args, std::size_t at) {
    return args.size() > at ? args[at] : std::string(kStandardStream);
}

constexpr Command kCommands[] = {
    {"--help", 0, 0, [](const CliArgs&, CliStreams& io) { return runHelp(io); }},
    {"-h", 0, 0, [](const CliArgs&, CliStreams& io) { return runHelp(io); }},
    {"--version", 0, 0, [](const CliArgs&, CliStreams& io) { return runVersion(io); }},
    {"defaults", 0, 1,
     [](const CliArgs& a, CliStreams& io) { return runDefaults(outArgument(a, 0), io); }},
    {"dump", 1, 1, [](const CliArgs& a, CliStreams& io) { return runDump(a[0], io); }},
    {"syx", 2, 2, [](const CliArgs& a, CliStreams& io) { return runSyx(a[0], a[1], io); }},
    {"decode", 1, 2,
     [](const CliArgs& a, CliStreams& io) { return runDecode(a[0], outArgument(a, 1), io); }},
    {"check", 1, 1, [](const CliArgs& a, CliStreams& io) { return runCheck(a[0], io); }},
    {"ports", 0, kAnyArgumentCount, runPortsCommand},
    {"send", 0, kAnyArgumentCount, runSendCommand},
};

}  // namespace

int usageError(CliStreams& io, std::string_view problem, std::string_view usage) {
    io.err << "corvane-cli: " << problem << "\n\n" << usage;
    return kExitUsage;
}

int runCli(const CliArgs& args, CliStreams& io) {
    if (args.empty()) {
        return usageError(io, "no command given", kUsage);
    }
    const std::string& name = args.front();
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.name == name; });
    if (command == std::end(kCommands)) {
        return usageError(io, "unknown command '" + escapeControlBytes(name) + "'", kUsage);
    }
    const CliArgs rest(args.begin() + 1, args.end());
    if (rest.size() < command->minArguments || rest.size() > command->maxArguments) {
        return usageError(io, "wrong number of arguments for '" + name + "'", kUsage);
    }
    const int exitCode = command->run(rest, io);
    // Buffered output fails only here when standard output is a full disk or a closed pipe.
    if (!io.out.flush()) {
        io.err << "corvane-cli: cannot write to standard output\n";
        return kExitFailure;
    }
    return exitCode;
}

}  // namespace corvane
