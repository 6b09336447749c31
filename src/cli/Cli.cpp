#include "cli/Cli.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
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
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"

namespace corvane {

namespace {

constexpr std::string_view kInvalidDumpMessage = "Invalid Corvane settings dump!";

constexpr std::string_view kUsage =
    "Usage: corvane-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  defaults             write the start-up preset file to standard output\n"
    "  dump FILE            print the ten packets that Update sends for preset FILE,\n"
    "                       one packet a line\n"
    "  syx FILE OUT         write those packets as a 160-byte .syx file (OUT - is\n"
    "                       standard output)\n"
    "  decode DUMP.syx      read a 160-byte dump and print it as a preset file\n"
    "  check FILE           validate preset FILE\n"
    "  ports                list the MIDI output devices, one \"N: name\" a line\n"
    "  send FILE (--device N | --device-name TEXT)\n"
    "                       send preset FILE to a MIDI output device\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "FILE may be - or /dev/stdin for standard input.\n"
    "Exit status: 0 success, 1 invalid or unreadable input or a failed transfer,\n"
    "2 bad usage.\n";

int usageError(CliStreams& io, std::string_view problem) {
    io.err << "corvane-cli: " << problem << "\n\n" << kUsage;
    return kExitUsage;
}

std::string errnoText() {
    return errno != 0 ? std::strerror(errno) : "unknown error";
}

void printPacket(std::ostream& out, const DumpPacket& packet) {
    std::ostringstream line;
    line << std::uppercase << std::hex << std::setfill('0');
    for (std::size_t i = 0; i < packet.size(); ++i) {
        line << (i == 0 ? "" : " ") << std::setw(2) << static_cast<int>(packet[i]);
    }
    out << line.str() << '\n';
}

int runDefaults(CliStreams& io) {
    io.out << writePresetText(defaultSettings());
    return kExitOk;
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
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<std::streamsize>(bytes.size());
    if (outFile == kStandardStream) {
        if (!io.out.write(data, size)) {
            io.err << "corvane-cli: cannot write to standard output\n";
            return kExitFailure;
        }
        return kExitOk;
    }
    errno = 0;
    std::ofstream out(outFile, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(data, size);
        out.close();
    }
    if (!out) {
        io.err << "corvane-cli: cannot write " << outFile << ": " << errnoText() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

// Reads at most one byte more than a dump holds, so any size can be told from a dump.
std::optional<std::vector<std::uint8_t>> readDumpBytes(const std::string& file, CliStreams& io) {
    std::ifstream fileStream;
    std::istream* in = &io.in;
    if (file != kStandardStream) {
        errno = 0;
        fileStream.open(file, std::ios::binary);
        if (!fileStream) {
            io.err << kInvalidDumpMessage << '\n'
                   << file << ": cannot open: " << errnoText() << '\n';
            return std::nullopt;
        }
        in = &fileStream;
    }
    std::vector<char> buffer(kDumpSize + 1);
    in->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in->bad()) {
        io.err << kInvalidDumpMessage << '\n' << file << ": read error\n";
        return std::nullopt;
    }
    const auto count = static_cast<std::size_t>(in->gcount());
    return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + static_cast<long>(count));
}

int runDecode(const std::string& file, CliStreams& io) {
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
        io.err << kInvalidDumpMessage << '\n' << file << ": " << reason << '\n';
        return kExitFailure;
    }
    io.out << writePresetText(*decoded.settings);
    return kExitOk;
}

int runCheck(const std::string& file, CliStreams& io) {
    if (!loadPresetArgument(file, io)) {
        return kExitFailure;
    }
    io.out << file << ": valid Corvane preset file\n";
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
    std::size_t argumentCount;  // kAnyArgumentCount: the command checks its arguments itself
    int (*run)(const CliArgs& args, CliStreams& io);
};

constexpr Command kCommands[] = {
    {"--help", 0, [](const CliArgs&, CliStreams& io) { return runHelp(io); }},
    {"-h", 0, [](const CliArgs&, CliStreams& io) { return runHelp(io); }},
    {"--version", 0, [](const CliArgs&, CliStreams& io) { return runVersion(io); }},
    {"defaults", 0, [](const CliArgs&, CliStreams& io) { return runDefaults(io); }},
    {"dump", 1, [](const CliArgs& a, CliStreams& io) { return runDump(a[0], io); }},
    {"syx", 2, [](const CliArgs& a, CliStreams& io) { return runSyx(a[0], a[1], io); }},
    {"decode", 1, [](const CliArgs& a, CliStreams& io) { return runDecode(a[0], io); }},
    {"check", 1, [](const CliArgs& a, CliStreams& io) { return runCheck(a[0], io); }},
    {"ports", kAnyArgumentCount, runPortsCommand},
    {"send", kAnyArgumentCount, runSendCommand},
};

}  // namespace

int runCli(const CliArgs& args, CliStreams& io) {
    if (args.empty()) {
        return usageError(io, "no command given");
    }
    const std::string& name = args.front();
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.name == name; });
    if (command == std::end(kCommands)) {
        return usageError(io, "unknown command '" + name + "'");
    }
    const CliArgs rest(args.begin() + 1, args.end());
    if (command->argumentCount != kAnyArgumentCount && rest.size() != command->argumentCount) {
        return usageError(io, "wrong number of arguments for '" + name + "'");
    }
    return command->run(rest, io);
}

}  // namespace corvane
