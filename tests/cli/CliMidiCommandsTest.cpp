#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "FakeMidiOutService.h"
#include "cli/CliMidiCommands.h"
#include "presets/PresetFile.h"

namespace corvane {
namespace {

// One run of a MIDI command against a fake service, the default preset on standard input.
struct CliRun {
    FakeMidiOutService service{{"Midi Through Port-0", "USB Synth", "USB Synth 2"}};
    std::istringstream in{writePresetText(defaultSettings())};
    std::ostringstream out;
    std::ostringstream err;
    CliStreams io{in, out, err};

    CliRun() { service.endDumpsAtOnce(); }

    int ports(const CliArgs& args) { return runPortsCommand(args, io, service); }
    int send(const CliArgs& args) { return runSendCommand(args, io, service); }
};

TEST(CliPorts, ListsTheDeviceDialogChoices) {
    CliRun run;
    EXPECT_EQ(run.ports({}), kExitOk);
    EXPECT_EQ(run.out.str(),
              "0: MIDI Mapper\n1: Midi Through Port-0\n2: USB Synth\n3: USB Synth 2\n");
    EXPECT_TRUE(run.service.calls().empty());
}

TEST(CliPorts, FailsClearlyWithoutAMidiService) {
    CliRun run;
    run.service.setAvailable(false);
    EXPECT_EQ(run.ports({}), kExitFailure);
    EXPECT_EQ(run.out.str(), "");
    EXPECT_NE(run.err.str().find("fake: no MIDI service"), std::string::npos) << run.err.str();
}

TEST(CliPorts, TakesNoArguments) {
    CliRun run;
    EXPECT_EQ(run.ports({"--all"}), kExitUsage);
}

TEST(CliSend, BadUsageSendsNothing) {
    const std::vector<CliArgs> cases = {
        {},
        {"-"},
        {"--device", "1"},
        {"-", "--device"},
        {"-", "--device", "one"},
        {"-", "--device", "-1"},
        {"-", "--device", "1x"},
        {"-", "--device-name", ""},
        {"-", "--device", "1", "--device-name", "USB"},
        {"-", "other.cvp", "--device", "1"},
        {"-", "--device-name", "usb"},
    };
    for (const CliArgs& args : cases) {
        CliRun run;
        EXPECT_EQ(run.send(args), kExitUsage) << testing::PrintToString(args);
        EXPECT_TRUE(run.service.calls().empty());
        EXPECT_NE(run.err.str().find("usage: corvane-cli send"), std::string::npos);
    }
}

// Arguments and device names reach the terminal with their controls escaped: ESC (C0) and
// CSI (C1, as the byte 0x9B or as UTF-8) alike, and so is every byte that is not UTF-8.
TEST(CliMessages, EscapeControlsOfArgumentsAndDeviceNames) {
    const std::string clear = "\x1B[2J";
    const std::string csi =
        "\xC2\x9B"
        "2J";
    const struct {
        CliArgs args;  // "ports" or the arguments of send
        std::string shown;
    } cases[] = {
        {{"ports"}, "1: Synth \\x1B[2J \\xC2\\x9B2J \\x9B caf\\xE9 \\xC3"},
        {{"-", clear, "--device", "1"}, "unexpected argument '\\x1B[2J'"},
        {{"-", "--device", clear}, "got '\\x1B[2J'"},
        {{"-", "--device-name",
          "\xC2\x9B"
          "9X"},
         "contains \"\\xC2\\x9B9X\""},
    };
    for (const auto& c : cases) {
        CliRun run;
        run.service.setDeviceNames({"Synth " + clear + " " + csi + " \x9B caf\xE9 \xC3"});
        if (c.args == CliArgs{"ports"}) {
            run.ports({});
        } else {
            run.send(c.args);
        }
        const std::string shown = run.out.str() + run.err.str();
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
        EXPECT_EQ(shown.find('\x1B'), std::string::npos) << shown;
        EXPECT_EQ(shown.find('\x9B'), std::string::npos) << shown;
    }
}

TEST(CliSend, NameOfSeveralDevicesListsThem) {
    CliRun run;
    EXPECT_EQ(run.send({"-", "--device-name", "synth"}), kExitUsage);
    EXPECT_NE(run.err.str().find("matches several MIDI output devices; name one of:\n"
                                 "  2: USB Synth\n  3: USB Synth 2\n"),
              std::string::npos)
        << run.err.str();
}

TEST(CliSend, OpensThePositionThatPortsPrints) {
    struct Case {
        CliArgs args;
        int deviceId;
        std::string target;
    };
    const Case cases[] = {
        {{"-", "--device", "0"}, kMidiMapperId, "0: MIDI Mapper"},
        {{"-", "--device", "3"}, 2, "3: USB Synth 2"},
        {{"--device", "2", "-"}, 1, "2: USB Synth"},
        {{"-", "--device-name", "USB Synth"}, 1, "2: USB Synth"},
        {{"-", "--device-name", "synth 2"}, 2, "3: USB Synth 2"},
        {{"-", "--device-name", "midi mapper"}, kMidiMapperId, "0: MIDI Mapper"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        CliRun run;
        EXPECT_EQ(run.send(c.args), kExitOk) << run.err.str();
        EXPECT_EQ(run.service.openedIds(), std::vector<int>{c.deviceId});
        EXPECT_EQ(run.service.sentMessages().size(), 10u);
        EXPECT_EQ(run.service.dumpCount(), 1);
        // The device dialog's protocol: close, open, ..., and the close at the end.
        EXPECT_EQ(run.service.calls().front().kind, FakeMidiOutService::CallKind::Close);
        EXPECT_EQ(run.service.calls().back().kind, FakeMidiOutService::CallKind::Close);
        EXPECT_EQ(run.service.closeCount(), 2);
        EXPECT_NE(run.out.str().find(c.target), std::string::npos) << run.out.str();
    }
}

// Where the server gives no word of carriage, success says only what is known.
TEST(CliSend, SuccessOnAServerWithoutWordOfCarriageSaysOnTime) {
    CliRun run;
    run.service.tellNoCarriage();
    EXPECT_EQ(run.send({"-", "--device", "1"}), kExitOk) << run.err.str();
    EXPECT_EQ(run.out.str(),
              "Sent 10 packets to 1: Midi Through Port-0 on time; the server does "
              "not tell whether they were carried\n");
}

TEST(CliSend, FailuresExitOneWithAClearMessage) {
    struct Case {
        const char* name;
        CliArgs args;
        void (*prepare)(CliRun& run);
        std::string message;
        std::size_t sends;
    };
    const Case cases[] = {
        {"no service",
         {"-", "--device", "0"},
         [](CliRun& run) { run.service.setAvailable(false); },
         "fake: no MIDI service",
         0},
        {"position beyond the list",
         {"-", "--device", "4"},
         [](CliRun&) {},
         "no MIDI output at position 4",
         0},
        {"no name matches",
         {"-", "--device-name", "Mapper"},
         [](CliRun&) {},
         "no MIDI output device name contains \"Mapper\"",
         0},
        {"open refused",
         {"-", "--device", "1"},
         [](CliRun& run) { run.service.refuseOpen(68); },
         "Couldn't open midi out, rc = 68",
         0},
        {"a send fails",
         {"-", "--device", "1"},
         [](CliRun& run) { run.service.failSend(4, 1); },
         "Couldn't send to midi out: fake: send 4 failed\n1: Midi Through Port-0: 9 of 10 "
         "delivered",
         10},
        {"lost after the sends",
         {"-", "--device", "1"},
         [](CliRun& run) { run.service.loseOnTheWay(2); },
         "Couldn't send to midi out: fake: 2 lost on the way\n1: Midi Through Port-0: 8 of 10 "
         "delivered\n",
         10},
        {"lost where the server gives no word of carriage",
         {"-", "--device", "1"},
         [](CliRun& run) {
             run.service.loseOnTheWay(3);
             run.service.tellNoCarriage();
         },
         "Couldn't send to midi out: fake: 3 lost on the way\n1: Midi Through Port-0: 7 of 10 "
         "sent on time\n",
         10},
        {"invalid preset",
         {"-", "--device", "1"},
         [](CliRun& run) { run.in.str("\"Corvane\"\r\n"); },
         "Invalid Corvane Preset File!",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliRun run;
        c.prepare(run);
        EXPECT_EQ(run.send(c.args), kExitFailure);
        EXPECT_NE(run.err.str().find(c.message), std::string::npos) << run.err.str();
        EXPECT_EQ(run.service.sentMessages().size(), c.sends);
    }
}

}  // namespace
}  // namespace corvane
