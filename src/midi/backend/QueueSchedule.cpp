#include "midi/backend/QueueSchedule.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr QueueTime nanoseconds(std::chrono::nanoseconds duration) {
    return duration.count();
}

DumpOutcome failed(int packets, std::string reason, int failedSends = 0) {
    return {packets, 0, failedSends, MidiResult::BackendError, std::move(reason)};
}

std::string lossText(const std::string& destination, bool gone) {
    if (destination.empty()) {
        return "The Corvane port was not connected to anything; connect it in the patchbay.";
    }
    return gone ? "The receiving port " + destination + " went away."
                : "The connection to " + destination + " was lost.";
}

std::vector<QueueTime> packetTimes(QueueTime now, std::optional<QueueTime> lastPacket,
                                   std::size_t count) {
    QueueTime at = now + nanoseconds(QueueSchedule::kFirstPacketLead);
    if (lastPacket) {
        at = std::max(at, *lastPacket + nanoseconds(kPacketPause));
    }
    std::vector<QueueTime> times;
    for (std::size_t i = 0; i < count; ++i, at += nanoseconds(kPacketPause)) {
        times.push_back(at);
    }
    return times;
}

}  // namespace

DumpOutcome QueueSchedule::carry(SequencerQueue& queue,
                                 std::vector<std::vector<std::uint8_t>> packets,
                                 const std::string& destination, QueueRoute route,
                                 std::chrono::steady_clock::time_point deadline) {
    const int count = static_cast<int>(packets.size());
    if (route != QueueRoute::Connected) {
        return failed(count, lossText(destination, route == QueueRoute::Gone));
    }
    std::vector<QueueTime> times;
    const std::string refused = queue.queueDump(
        packets,
        [last = m_lastPacket, size = packets.size()](QueueTime now) {
            return packetTimes(now, last, size);
        },
        times);
    if (!times.empty()) {
        m_lastPacket = times.back();  // whatever went out, the next dump keeps its pause
    }
    if (!refused.empty()) {
        queue.clear();
        return failed(count, refused, 1);
    }
    std::optional<QueueTime> lostAt;
    bool gone = false;
    for (;;) {
        const QueueFact fact = queue.next(deadline);
        if (fact.kind == QueueFact::Kind::Echo) {
            break;
        }
        if (fact.kind == QueueFact::Kind::Failed || fact.kind == QueueFact::Kind::NoAnswer) {
            queue.clear();
            return failed(count, fact.kind == QueueFact::Kind::Failed
                                     ? fact.text
                                     : "The ALSA sequencer did not dispatch the dump in time.");
        }
        gone = gone || fact.kind == QueueFact::Kind::ReceiverGone;
        lostAt = std::min(lostAt.value_or(fact.at), fact.at);
    }
    DumpOutcome outcome{count, 0, 0, MidiResult::Ok, {}};
    outcome.packetsDelivered = static_cast<int>(std::count_if(
        times.begin(), times.end(), [&](QueueTime at) { return !lostAt || at < *lostAt; }));
    if (outcome.packetsDelivered < count) {
        outcome.firstError = MidiResult::BackendError;
        outcome.reason = lossText(destination, gone);
    }
    return outcome;
}

}  // namespace corvane
