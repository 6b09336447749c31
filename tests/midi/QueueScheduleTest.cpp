#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/backend/QueueSchedule.h"

namespace corvane {
namespace {

constexpr QueueTime kMs = 1'000'000;

std::vector<std::vector<std::uint8_t>> tenPackets() {
    std::vector<std::vector<std::uint8_t>> packets;
    for (std::uint8_t i = 0; i < 10; ++i) {
        packets.push_back({0xF0, i, 0xF7});
    }
    return packets;
}

// A sequencer queue on a fake clock: it takes every packet at once, then tells `facts` and,
// unless `echoes` is false, the echo at the last packet's time.
class FakeQueue final : public SequencerQueue {
  public:
    std::string queueDump(const std::vector<std::vector<std::uint8_t>>& packets,
                          const TimesFrom& timesFrom, std::vector<QueueTime>& times) override {
        times = timesFrom(now);
        queued.insert(queued.end(), times.begin(), times.end());
        bytes.insert(bytes.end(), packets.begin(), packets.end());
        told = 0;
        return refusal;
    }
    QueueFact next(std::chrono::steady_clock::time_point) override {
        if (told < facts.size()) {
            return facts[told++];
        }
        return echoes ? QueueFact{QueueFact::Kind::Echo, queued.back(), {}} : QueueFact{};
    }
    void clear() override { cleared = true; }

    QueueTime now = 5000 * kMs;
    std::string refusal;
    std::vector<QueueFact> facts;
    bool echoes = true;
    std::size_t told = 0;
    bool cleared = false;
    std::vector<QueueTime> queued;  // every packet's time, dump after dump
    std::vector<std::vector<std::uint8_t>> bytes;
};

DumpOutcome carry(QueueSchedule& schedule, FakeQueue& queue,
                  QueueRoute route = QueueRoute::Connected,
                  const std::string& destination = "rx:in 128:0") {
    return schedule.carry(queue, tenPackets(), destination, route,
                          std::chrono::steady_clock::now());
}

// The first packet a little after the queue's time, each later one exactly 100 ms after the one
// before; a dump right after another waits out the last packet's pause, a later one does not.
TEST(QueueSchedule, QueuesEachPacketExactlyAPauseAfterTheOneBefore) {
    FakeQueue queue;
    QueueSchedule schedule;
    const QueueTime start = queue.now;
    EXPECT_EQ(carry(schedule, queue).packetsDelivered, 10);
    queue.now = queue.queued.back() + kMs;
    EXPECT_EQ(carry(schedule, queue).packetsDelivered, 10);
    queue.now = queue.queued.back() + 500 * kMs;
    const DumpOutcome third = carry(schedule, queue);

    ASSERT_EQ(queue.queued.size(), 30U);
    EXPECT_EQ(queue.queued[0], start + 5 * kMs);
    for (std::size_t i = 1; i < 20; ++i) {
        EXPECT_EQ(queue.queued[i] - queue.queued[i - 1], 100 * kMs) << "packet " << i;
    }
    EXPECT_EQ(queue.queued[20], queue.now + 5 * kMs);
    EXPECT_EQ(queue.bytes[29], tenPackets()[9]);
    EXPECT_EQ(third.packetsDelivered, 10);
    EXPECT_EQ(third.firstError, MidiResult::Ok);
    EXPECT_EQ(third.reason, "");
    EXPECT_FALSE(queue.cleared);
}

// Each fault and its exact report; packets stamped at or after a loss are not delivered.
TEST(QueueSchedule, ReportsEachFaultFromTheSequencersFacts) {
    using Kind = QueueFact::Kind;
    const QueueTime first = 5005 * kMs;  // packet k goes at first + k * 100 ms
    const std::string device = "rx:in 128:0";
    const std::string gone = "The receiving port rx:in 128:0 went away.";
    const std::string mapper = "";
    const std::string unrouted =
        "The Corvane port was not connected to anything; connect it in the patchbay.";
    const std::string refused = "The ALSA sequencer refused packet 4: Cannot allocate memory.";
    const std::string lostInput = "The ALSA sequencer lost what it told: No space left.";
    struct Case {
        const char* name;
        QueueRoute route;
        std::string destination;
        std::function<void(FakeQueue&)> fault;
        int delivered;
        int failedSends;
        std::string reason;
        bool cleared;
    };
    const Case cases[] = {
        {"the receiver's client left after its third packet", QueueRoute::Connected, device,
         [&](FakeQueue& q) {
             q.facts = {{Kind::ConnectionLost, first + 250 * kMs, {}},
                        {Kind::ReceiverGone, first + 251 * kMs, {}}};
         },
         3, 0, gone, false},
        {"the connection cut at packet 6's very time", QueueRoute::Connected, device,
         [&](FakeQueue& q) {
             q.facts = {{Kind::ConnectionLost, first + 500 * kMs, {}}};
         },
         5, 0, "The connection to rx:in 128:0 was lost.", false},
        {"the mapper's last connection cut", QueueRoute::Connected, mapper,
         [&](FakeQueue& q) {
             q.facts = {{Kind::ConnectionLost, first + 850 * kMs, {}}};
         },
         9, 0, unrouted, false},
        {"the mapper routed nowhere", QueueRoute::Unrouted, mapper, [](FakeQueue&) {}, 0, 0,
         unrouted, false},
        {"the device not there", QueueRoute::Gone, device, [](FakeQueue&) {}, 0, 0, gone, false},
        {"a packet refused", QueueRoute::Connected, device,
         [&](FakeQueue& q) { q.refusal = refused; }, 0, 1, refused, true},
        {"an error on the way", QueueRoute::Connected, device,
         [&](FakeQueue& q) {
             q.facts = {{Kind::Failed, 0, lostInput}};
         },
         0, 0, lostInput, true},
        {"no echo by the deadline", QueueRoute::Connected, device,
         [](FakeQueue& q) { q.echoes = false; }, 0, 0,
         "The ALSA sequencer did not dispatch the dump in time.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeQueue queue;
        c.fault(queue);
        QueueSchedule schedule;
        const DumpOutcome outcome = carry(schedule, queue, c.route, c.destination);
        EXPECT_EQ(outcome.packetsSent, 10);
        EXPECT_EQ(outcome.packetsDelivered, c.delivered);
        EXPECT_EQ(outcome.failedSends, c.failedSends);
        EXPECT_EQ(outcome.firstError, MidiResult::BackendError);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(queue.cleared, c.cleared);
        EXPECT_EQ(queue.queued.empty(), c.route != QueueRoute::Connected);
    }
}

}  // namespace
}  // namespace corvane
