#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeMidiOutService.h"
#include "midi/MidiOutPort.h"

namespace corvane {
namespace {

using Kind = FakeMidiOutService::CallKind;

TEST(MidiOutPortChoices, ListTheMapperFirstThenEveryDeviceInIdOrder) {
    struct Case {
        std::vector<std::string> devices;
        std::vector<std::string> choices;
    };
    const Case cases[] = {
        {{}, {"MIDI Mapper"}},
        {{"USB MIDI 1", "Corvane Unit"}, {"MIDI Mapper", "USB MIDI 1", "Corvane Unit"}},
    };
    for (const Case& c : cases) {
        FakeMidiOutService service(c.devices);
        EXPECT_EQ(MidiOutPort(service).deviceChoices(), c.choices);
        EXPECT_TRUE(service.calls().empty());
    }
}

TEST(MidiOutPortOpen, SuccessOpensTheIdAndKeepsTheResult) {
    FakeMidiOutService service({"A", "B"});
    MidiOutPort port(service);
    EXPECT_FALSE(port.isOpen());

    EXPECT_EQ(port.midiOutOpen(1, "B"), MidiResult::Ok);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.state().rcMidiOut, MidiResult::Ok);

    port.midiOutClose();
    EXPECT_EQ(port.midiOutOpen(kMidiMapperId, kMidiMapperName), MidiResult::Ok);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(service.openedIds(), (std::vector<int>{1, kMidiMapperId}));
}

TEST(MidiOutPortOpen, RefusalLeavesNoPortAndKeepsTheCode) {
    struct Case {
        const char* name;
        int refusal;  // 0: let the fake decide
        int deviceId;
        int expected;
    };
    const Case cases[] = {
        {"refused", 68, 0, 68},
        {"unknown id", 0, 5, resultCode(MidiResult::BadDeviceId)},
        {"typed text selects nothing", 0, -2, resultCode(MidiResult::BadDeviceId)},
        {"the device at the id has another name now", 0, 1, resultCode(MidiResult::BadDeviceId)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMidiOutService service({"A", "C"});
        if (c.refusal != 0) {
            service.refuseOpen(c.refusal);
        }
        MidiOutPort port(service);
        EXPECT_EQ(resultCode(port.midiOutOpen(c.deviceId, "A")), c.expected);
        EXPECT_EQ(resultCode(port.state().rcMidiOut), c.expected);
        EXPECT_EQ(port.state().hMidiOut, 0);
        EXPECT_FALSE(port.isOpen());
    }
}

TEST(MidiOutPortClose, AlwaysAsksTheServiceAndKeepsItsResult) {
    FakeMidiOutService service({"A"});
    MidiOutPort port(service);

    EXPECT_EQ(port.midiOutClose(), MidiResult::NotOpen);
    EXPECT_EQ(port.state().rcMidiOut, MidiResult::NotOpen);
    port.midiOutOpen(0, "A");
    EXPECT_EQ(port.midiOutClose(), MidiResult::Ok);
    EXPECT_EQ(port.state().rcMidiOut, MidiResult::Ok);
    EXPECT_EQ(port.state().hMidiOut, 0);
    EXPECT_EQ(service.closeCount(), 2);
}

// Choosing a position of a device list shown earlier: close, open the device shown (position -
// 1 while the list is unchanged), mark a device chosen. A device gone since is refused by name
// and nothing else opens.
TEST(MidiOutPortChoose, OpensTheDeviceShownOrNone) {
    struct Case {
        const char* name;
        std::vector<std::string> devicesNow;  // the list shown was "A", "B", "C"
        int position;
        const char* shown;
        int refusal;  // 0: let the fake decide
        int expectedId;
        MidiResult expected;
    };
    const Case cases[] = {
        {"mapper", {"A", "B", "C"}, 0, "MIDI Mapper", 0, kMidiMapperId, MidiResult::Ok},
        {"third device", {"A", "B", "C"}, 3, "C", 0, 2, MidiResult::Ok},
        {"nothing selected", {"A", "B", "C"}, -1, "", 0, -2, MidiResult::BadDeviceId},
        {"refused", {"A", "B", "C"}, 1, "A", 68, 0, MidiResult::NoDevice},
        {"moved since", {"B", "C"}, 3, "C", 0, 1, MidiResult::Ok},
        {"gone, another in its place", {"A", "B", "D"}, 3, "C", 0, 2, MidiResult::BadDeviceId},
        {"gone, the list shorter", {"A"}, 3, "C", 0, 2, MidiResult::BadDeviceId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMidiOutService service(c.devicesNow);
        if (c.refusal != 0) {
            service.refuseOpen(c.refusal);
        }
        MidiOutPort port(service);
        EXPECT_EQ(port.choosePosition(c.position, c.shown), c.expected);
        ASSERT_EQ(service.calls().size(), 2u);
        EXPECT_EQ(service.calls()[0].kind, Kind::Close);
        EXPECT_EQ(service.calls()[1].kind, Kind::Open);
        EXPECT_EQ(service.calls()[1].deviceId, c.expectedId);
        EXPECT_EQ(port.isOpen(), c.expected == MidiResult::Ok);
        EXPECT_TRUE(port.state().bDeviceChosen);
    }
}

TEST(MidiOutPortExit, ClosesOnceAndOnlyAfterADeviceWasChosen) {
    struct Case {
        const char* name;
        bool choose;
        bool refuseOpen;
        int expectedCloses;
    };
    const Case cases[] = {
        {"never chosen", false, false, 0},
        {"chosen and open", true, false, 1},
        {"chosen but refused", true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMidiOutService service({"A"});
        if (c.refuseOpen) {
            service.refuseOpen(2);
        }
        MidiOutPort port(service);
        if (c.choose) {
            port.choosePosition(1, "A");
        }
        const std::size_t callsBeforeExit = service.calls().size();

        port.closeForExit();
        port.closeForExit();

        EXPECT_EQ(service.calls().size() - callsBeforeExit,
                  static_cast<std::size_t>(c.expectedCloses));
        EXPECT_EQ(port.state().bDeviceChosen, c.choose);
        if (c.expectedCloses > 0) {
            EXPECT_EQ(service.calls().back().kind, Kind::Close);
            EXPECT_FALSE(service.isOpen());
        }
    }
}

}  // namespace
}  // namespace corvane
