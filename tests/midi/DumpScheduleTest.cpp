#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/backend/DumpSchedule.h"

namespace corvane {
namespace {

constexpr std::uint32_t kRate = 48000;
constexpr std::uint32_t kPause = 4800;

std::vector<std::vector<std::uint8_t>> tenPackets() {
    std::vector<std::vector<std::uint8_t>> packets;
    for (std::uint8_t i = 0; i < 10; ++i) {
        packets.push_back({0xF0, i, 0xF7});
    }
    return packets;
}

// A JACK server on a fake clock: each cycle() runs one process cycle of our client and moves
// the server's frame time on by the cycle's frames. Records where every packet went.
class FakeServer final : public PacketSink {
  public:
    explicit FakeServer(std::uint32_t period, std::uint32_t start = 100000) {
        facts.start = start;
        facts.frames = period;
        facts.connected = true;
    }

    bool cycle(DumpSchedule& dump) {
        const bool judged = dump.cycle(facts, *this);
        facts.start += facts.frames;
        ++cycles;
        return judged;
    }
    // A cycle the server ran without our client.
    void skip() { facts.start += facts.frames; }

    bool write(std::uint32_t offset, std::span<const std::uint8_t> packet) override {
        if (full) {
            return false;
        }
        EXPECT_LT(offset, facts.frames);
        frames.push_back(facts.start + offset);
        bytes.emplace_back(packet.begin(), packet.end());
        return true;
    }

    CycleFacts facts;
    bool full = false;
    int cycles = 0;
    std::vector<std::uint32_t> frames;  // of each packet written
    std::vector<std::vector<std::uint8_t>> bytes;
};

std::vector<std::int64_t> gaps(const std::vector<std::uint32_t>& frames) {
    std::vector<std::int64_t> result;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        result.push_back(static_cast<std::int32_t>(frames[i] - frames[i - 1]));
    }
    return result;
}

// Every gap is the pause to the frame, whatever the period, a change of period during the dump
// or a frame time that wraps around; the first packet goes in the first cycle, and the outcome
// is known in the cycle after the last packet's, at most one period after its frame.
TEST(DumpSchedule, WritesEachPacketExactlyAPauseAfterTheOneBefore) {
    struct Case {
        std::uint32_t period;
        std::uint32_t laterPeriod;  // from the fourth cycle on
        std::uint32_t start;
    };
    const Case cases[] = {{64, 64, 1000}, {256, 256, 77},   {1024, 1024, 5},        {1024, 256, 0},
                          {128, 2048, 3}, {8192, 8192, 11}, {256, 256, 0xFFFF0000u}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "period " << c.period << " then " << c.laterPeriod
                                        << ", start " << c.start);
        FakeServer server(c.period, c.start);
        DumpSchedule dump(tenPackets(), kRate);
        bool judged = false;
        std::uint32_t judgedAt = 0;
        while (!judged && server.cycles < 10000) {
            if (server.cycles == 3) {
                server.facts.frames = c.laterPeriod;
            }
            judgedAt = server.facts.start;
            judged = server.cycle(dump);
        }
        ASSERT_TRUE(judged);
        EXPECT_EQ(server.bytes, tenPackets());
        EXPECT_EQ(server.frames.front(), c.start);
        EXPECT_EQ(gaps(server.frames), std::vector<std::int64_t>(9, kPause));
        const std::int64_t afterLast = static_cast<std::int32_t>(judgedAt - server.frames.back());
        EXPECT_GT(afterLast, 0);
        EXPECT_LE(afterLast, std::max(c.period, c.laterPeriod));
        const DumpOutcome outcome = dump.outcome("monitor:input");
        EXPECT_EQ(outcome.packetsDelivered, 10);
        EXPECT_EQ(outcome.firstError, MidiResult::Ok);
        EXPECT_EQ(outcome.reason, "");
    }
}

// The next dump keeps the last packet's pause: its first packet goes no sooner.
TEST(DumpSchedule, ADumpRightAfterAnotherWaitsOutTheLastPause) {
    FakeServer server(256);
    DumpSchedule first(tenPackets(), kRate);
    while (!server.cycle(first)) {
    }
    DumpSchedule second(tenPackets(), kRate, first.lastFrame());
    while (!server.cycle(second)) {
    }
    EXPECT_EQ(gaps(server.frames), std::vector<std::int64_t>(19, kPause));
}

// Each fault, after the packet `at` (0 to 9) was written, and the exact report.
TEST(DumpSchedule, ReportsEachFaultFromTheFacts) {
    struct Case {
        const char* name;
        int at;
        std::function<void(FakeServer&)> fault;
        int delivered;
        int failedSends;
        std::string reason;
        std::string destination = "monitor:input";
    };
    const std::string xrun =
        "The JACK server reported an xrun while the dump was sent; packets may be lost.";
    const Case cases[] = {
        {"an xrun told during packet 5's cycle", 4, [](FakeServer& s) { ++s.facts.xruns; }, 5, 0,
         xrun},
        {"an xrun told during the last packet's cycle", 9, [](FakeServer& s) { ++s.facts.xruns; },
         0, 0, xrun},
        {"our port disconnected", 3, [](FakeServer& s) { s.facts.connected = false; }, 3, 0,
         "The connection to monitor:input was lost."},
        {"the receiver gone", 6,
         [](FakeServer& s) {
             s.facts.connected = false;
             s.facts.receiverGone = true;
         },
         6, 0, "The receiving port monitor:input went away."},
        {"our callback began late in packet 6's cycle", 4,
         [](FakeServer& s) { s.facts.late = true; }, 5, 0,
         "This program's JACK cycle began late; a packet may be lost."},
        {"our client skipped for a cycle", 2, [](FakeServer& s) { s.skip(); }, 9, 0,
         "The JACK server ran a cycle without this program; a packet may be lost."},
        {"no room in the port's buffer", 7, [](FakeServer& s) { s.full = true; }, 8, 2,
         "The JACK port had no room for a packet in its cycle."},
        {"the mapper's port routed nowhere", 0, [](FakeServer& s) { s.facts.connected = false; }, 0,
         0, "The Corvane port was not connected to anything; connect it in the patchbay.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server(256);
        DumpSchedule dump(tenPackets(), kRate);
        bool faulted = false;
        while (!server.cycle(dump)) {
            if (!faulted && static_cast<int>(server.frames.size()) > c.at) {
                c.fault(server);
                faulted = true;
            }
            ASSERT_LT(server.cycles, 10000);
        }
        const DumpOutcome outcome = dump.outcome(c.destination);
        EXPECT_EQ(outcome.packetsSent, 10);
        EXPECT_EQ(outcome.packetsDelivered, c.delivered);
        EXPECT_EQ(outcome.failedSends, c.failedSends);
        EXPECT_EQ(outcome.firstError, MidiResult::BackendError);
        EXPECT_EQ(outcome.reason, c.reason);
    }
}

// A device's port: the first packet waits for the connection to be a fact, and goes in the first
// cycle that has it; a connection not made within the limit, or a destination that is not
// there, ends the dump unsent and says so.
TEST(DumpSchedule, TheFirstPacketWaitsForTheConnection) {
    struct Case {
        const char* name;
        int connectedAfter;  // cycles; -1: never
        bool receiverMissing;
        std::string reason;
    };
    const Case cases[] = {
        {"connected after 3 cycles", 3, false, ""},
        {"never connected", -1, false,
         "The connection to monitor:input was not made within 200 ms."},
        {"the destination not there", -1, true, "The receiving port monitor:input is not there."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server(256);
        server.facts.connected = false;
        server.facts.receiverGone = c.receiverMissing;
        DumpSchedule dump(tenPackets(), kRate, std::nullopt, true);
        std::uint32_t connectedAt = 0;
        while (!server.cycle(dump)) {
            if (server.cycles == c.connectedAfter) {
                server.facts.connected = true;
                connectedAt = server.facts.start;
            }
            ASSERT_LT(server.cycles, 10000);
        }
        const DumpOutcome outcome = dump.outcome("monitor:input");
        EXPECT_EQ(outcome.reason, c.reason);
        if (c.connectedAfter < 0) {
            EXPECT_TRUE(server.frames.empty());
            EXPECT_EQ(outcome.packetsDelivered, 0);
            EXPECT_LE(server.cycles, static_cast<int>(kRate / 5 / 256 + 2));  // 200 ms of cycles
            continue;
        }
        ASSERT_EQ(server.frames.size(), 10U);
        EXPECT_EQ(server.frames.front(), connectedAt);
        EXPECT_EQ(gaps(server.frames), std::vector<std::int64_t>(9, kPause));
        EXPECT_EQ(outcome.packetsDelivered, 10);
    }
}

// A server that stops or freezes before the outcome is known: nothing counts as delivered.
TEST(DumpSchedule, ADumpGivenUpDeliveredNothingKnown) {
    for (const bool gone : {true, false}) {
        FakeServer server(256);
        DumpSchedule dump(tenPackets(), kRate);
        while (server.frames.size() < 6) {
            ASSERT_FALSE(server.cycle(dump));
        }
        const DumpOutcome outcome = dump.givenUp(gone);
        EXPECT_EQ(outcome.packetsSent, 10);
        EXPECT_EQ(outcome.packetsDelivered, 0);
        EXPECT_EQ(outcome.firstError, MidiResult::BackendError);
        EXPECT_EQ(outcome.reason,
                  gone ? "The JACK server has stopped."
                       : "The JACK server stopped running before the dump was through.");
    }
}

}  // namespace
}  // namespace corvane
