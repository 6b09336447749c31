#include "cli/CliMidiCommands.h"

#include <charconv>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliPresetInput.h"
#include "files/MessageText.h"
#include "midi/MidiOutPort.h"
#include "midi/MidiOutService.h"
#include "midi/UpdateTransfer.h"
#include "midi/backend/MidiBackend.h"

namespace corvane {

namespace {

constexpr std::string_view kPortsUsage = "usage: corvane-cli ports\n";
constexpr std::string_view kSendUsage =
    "usage: corvane-cli send FILE (--device N | --device-name TEXT)\n";

// Where "send" goes: a position of the ports list, or a text to find in a device name.
struct SendRequest {
    std::string file;
    std::optional<std::size_t> position;
    std::string nameText;
};

struct SendParse {
    std::optional<SendRequest> request;
    std::string problem;  // set when request is not
};

std::optional<std::size_t> parsePosition(const std::string& text) {
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

SendParse parseSendArgs(const CliArgs& args) {
    SendRequest request;
    bool haveFile = false;
    bool haveDevice = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool isOption = word == "--device" || word == "--device-name";
        if (!isOption) {
            if (haveFile) {
                return {std::nullopt, "unexpected argument '" + escapeControlBytes(word) + "'"};
            }
            request.file = word;
            haveFile = true;
            continue;
        }
        if (haveDevice) {
            return {std::nullopt, "name the device once, with --device or --device-name"};
        }
        if (i + 1 == args.size()) {
            return {std::nullopt, word + " needs a value"};
        }
        const std::string& value = args[++i];
        if (word == "--device") {
            request.position = parsePosition(value);
            if (!request.position) {
                return {std::nullopt, "--device needs a position from 'corvane-cli ports', got '" +
                                          escapeControlBytes(value) + "'"};
            }
        } else if (value.empty()) {
            return {std::nullopt, "--device-name needs a non-empty text"};
        } else {
            request.nameText = value;
        }
        haveDevice = true;
    }
    if (!haveFile) {
        return {std::nullopt, "no preset file given"};
    }
    if (!haveDevice) {
        return {std::nullopt, "no device named: use --device N or --device-name TEXT"};
    }
    return {request, ""};
}

bool reportNoService(MidiOutService& service, CliStreams& io) {
    if (service.isAvailable()) {
        return false;
    }
    io.err << "corvane-cli: " << escapeControlBytes(service.lastError()) << '\n';
    return true;
}

struct PositionChoice {
    std::optional<std::size_t> position;
    int exitCode = kExitFailure;  // when position is not set
};

std::string portLine(const std::vector<std::string>& choices, std::size_t position) {
    return std::to_string(position) + ": " + escapeControlBytes(choices[position]);
}

// The position of the ports list that the request names, or a message on io.err.
PositionChoice choosePosition(const std::vector<std::string>& choices, const SendRequest& request,
                              CliStreams& io) {
    if (request.position) {
        if (*request.position < choices.size()) {
            return {request.position};
        }
        io.err << "corvane-cli: there is no MIDI output at position " << *request.position
               << "; 'corvane-cli ports' lists positions 0 to " << choices.size() - 1 << '\n';
        return {};
    }
    const std::string shownText = escapeControlBytes(request.nameText);
    const std::vector<std::size_t> named = positionsNamed(choices, request.nameText);
    if (named.size() == 1) {
        return {named.front()};
    }
    if (!named.empty()) {
        std::string problem =
            "--device-name \"" + shownText + "\" matches several MIDI output devices; name one of:";
        for (const std::size_t position : named) {
            problem += "\n  " + portLine(choices, position);
        }
        return {std::nullopt, usageError(io, problem, kSendUsage)};
    }
    io.err << "corvane-cli: no MIDI output device name contains \"" << shownText
           << "\"; see 'corvane-cli ports'\n";
    return {};
}

int reportTransfer(const TransferReport& report, const std::string& target, CliStreams& io) {
    switch (report.status) {
        case TransferReport::Status::Sent:
            io.out << "Sent " << report.packetsSent << " packets to " << target
                   << (report.carriageKnown
                           ? ""
                           : " on time; the server does not tell whether they were carried")
                   << '\n';
            return kExitOk;
        case TransferReport::Status::SendFailed:
            io.err << "Couldn't send to midi out: " << escapeControlBytes(report.reason) << '\n'
                   << target << ": " << countText(report, report.packetsInDump);
            if (report.failedSends > 0) {
                io.err << "; " << report.failedSends
                       << " sends failed, the first with rc = " << resultCode(report.firstError);
            }
            io.err << '\n';
            return kExitFailure;
        case TransferReport::Status::NoPort:
        case TransferReport::Status::Unsendable:
            break;
    }
    io.err << "corvane-cli: nothing sent to " << target << ": " << escapeControlBytes(report.reason)
           << '\n';
    return kExitFailure;
}

// The Update transfer of the settings, waited for: the report as soon as the service has
// ended the dump (it does within a bounded time whatever the server does).
TransferReport transferAndWait(const FilterSettings& settings, MidiOutPort& port) {
    struct Ending {
        std::mutex mutex;
        std::condition_variable changed;
        std::optional<DumpOutcome> outcome;
    };
    const auto ending = std::make_shared<Ending>();
    UpdateTransfer transfer(port, [ending](const DumpOutcome& outcome) {
        const std::lock_guard lock(ending->mutex);
        ending->outcome = outcome;
        ending->changed.notify_all();
    });
    if (auto refused = transfer.request(settings)) {
        return *refused;
    }
    std::unique_lock lock(ending->mutex);
    ending->changed.wait(lock, [&] { return ending->outcome.has_value(); });
    return transfer.finish(*ending->outcome).report;
}

}  // namespace

int runPortsCommand(const CliArgs& args, CliStreams& io, MidiOutService& service) {
    if (!args.empty()) {
        return usageError(io, "'ports' takes no arguments", kPortsUsage);
    }
    if (reportNoService(service, io)) {
        return kExitFailure;
    }
    const std::vector<std::string> choices = MidiOutPort(service).deviceChoices();
    for (std::size_t position = 0; position < choices.size(); ++position) {
        io.out << portLine(choices, position) << '\n';
    }
    return kExitOk;
}

int runPortsCommand(const CliArgs& args, CliStreams& io) {
    const auto service = createMidiOutService();
    return runPortsCommand(args, io, *service);
}

int runSendCommand(const CliArgs& args, CliStreams& io, MidiOutService& service) {
    const SendParse parse = parseSendArgs(args);
    if (!parse.request) {
        return usageError(io, parse.problem, kSendUsage);
    }
    const SendRequest& request = *parse.request;
    const std::optional<FilterSettings> settings = loadPresetArgument(request.file, io);
    if (!settings || reportNoService(service, io)) {
        return kExitFailure;
    }
    MidiOutPort port(service);
    const std::vector<std::string> choices = port.deviceChoices();
    const PositionChoice choice = choosePosition(choices, request, io);
    if (!choice.position) {
        return choice.exitCode;
    }
    const std::size_t position = *choice.position;
    const std::string target = portLine(choices, position);
    const MidiResult opened = port.choosePosition(static_cast<int>(position), choices[position]);
    if (opened != MidiResult::Ok) {
        io.err << openRefusedText(opened) << '\n'
               << target << ": " << escapeControlBytes(service.lastError()) << '\n';
        port.closeForExit();
        return kExitFailure;
    }
    const TransferReport report = transferAndWait(*settings, port);
    port.closeForExit();
    return reportTransfer(report, target, io);
}

int runSendCommand(const CliArgs& args, CliStreams& io) {
    const auto service = createMidiOutService();
    return runSendCommand(args, io, *service);
}

}  // namespace corvane
