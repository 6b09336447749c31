#include "midi/backend/DumpSchedule.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace corvane {

const char* const kJackServerGone = "The JACK server has stopped.";

namespace {

// Frame times wrap around; a difference is read as a signed distance.
std::int64_t framesFrom(std::uint32_t from, std::uint32_t to) {
    return static_cast<std::int32_t>(to - from);
}

}  // namespace

DumpSchedule::DumpSchedule(std::vector<std::vector<std::uint8_t>> packets, std::uint32_t rate,
                           std::optional<std::uint32_t> previousFrame, bool awaitConnection)
    : m_packets(std::move(packets)),
      m_records(m_packets.size()),
      m_pause(static_cast<std::uint32_t>(rate * kPacketPause.count() / 1000)),
      m_previousFrame(previousFrame),
      m_connectLimit(static_cast<std::uint32_t>(rate * kConnectLimit.count() / 1000)),
      m_awaitConnection(awaitConnection) {}

bool DumpSchedule::cycle(const CycleFacts& facts, PacketSink& sink) {
    if (m_judged) {
        return true;
    }
    if (m_hadCycle) {
        const bool followed = facts.start == m_lastStart + m_lastFrames;
        for (std::size_t i = m_firstOfCycle; i < m_next; ++i) {
            m_records[i].followed = followed;
            m_records[i].connected = m_records[i].connected && facts.connected;
            m_records[i].receiverGone = m_records[i].receiverGone || facts.receiverGone;
        }
        if (m_next == m_packets.size()) {
            m_finalXruns = facts.xruns;
            m_judged = true;
            return true;
        }
    }
    m_firstOfCycle = m_next;
    if (!m_firstStart) {
        m_firstStart = facts.start;
    }
    const bool awaiting = m_next == 0 && m_awaitConnection && !facts.connected;
    if (awaiting &&
        (facts.receiverGone || framesFrom(*m_firstStart, facts.start) >= m_connectLimit)) {
        m_neverConnected = true;
        m_receiverMissing = facts.receiverGone;
        m_judged = true;
        return true;
    }
    while (!awaiting && m_next < m_packets.size()) {
        std::uint32_t frame = facts.start;
        if (m_next > 0) {
            frame = m_records[m_next - 1].frame + m_pause;
        } else if (m_previousFrame) {
            // Only a pause still running counts; an old frame time may have wrapped around.
            const std::uint32_t notBefore = *m_previousFrame + m_pause;
            const std::int64_t wait = framesFrom(facts.start, notBefore);
            frame = wait > 0 && wait <= m_pause ? notBefore : facts.start;
        }
        const std::int64_t offset = std::max<std::int64_t>(0, framesFrom(facts.start, frame));
        if (offset >= facts.frames) {
            break;
        }
        Record& record = m_records[m_next];
        record.frame = facts.start + static_cast<std::uint32_t>(offset);
        record.xruns = facts.xruns;
        record.refused = !sink.write(static_cast<std::uint32_t>(offset), m_packets[m_next]);
        record.connected = facts.connected;
        record.receiverGone = facts.receiverGone;
        record.late = facts.late;
        ++m_next;
    }
    m_hadCycle = true;
    m_lastStart = facts.start;
    m_lastFrames = facts.frames;
    return false;
}

std::optional<std::uint32_t> DumpSchedule::lastFrame() const {
    return m_next == 0 ? std::nullopt : std::optional(m_records[m_next - 1].frame);
}

DumpOutcome DumpSchedule::outcome(const std::string& destination) const {
    DumpOutcome outcome;
    outcome.packetsSent = static_cast<int>(m_packets.size());
    if (m_neverConnected) {
        outcome.packetsSent = 0;
        outcome.firstError = MidiResult::BackendError;
        outcome.reason = m_receiverMissing
                             ? "The receiving port " + destination + " is not there."
                             : "The connection to " + destination + " was not made within " +
                                   std::to_string(kConnectLimit.count()) + " ms.";
        return outcome;
    }
    for (const Record& record : m_records) {
        std::string why;
        if (record.refused) {
            why = "The JACK port had no room for a packet in its cycle.";
            if (outcome.failedSends++ == 0) {
                outcome.firstError = MidiResult::BackendError;
            }
        } else if (record.receiverGone) {
            why = "The receiving port " + destination + " went away.";
        } else if (!record.connected) {
            why = destination.empty()
                      ? "The Corvane port was not connected to anything; connect it in the "
                        "patchbay."
                      : "The connection to " + destination + " was lost.";
        } else if (record.late) {
            why = "This program's JACK cycle began late; a packet may be lost.";
        } else if (!record.followed) {
            why = "The JACK server ran a cycle without this program; a packet may be lost.";
        } else if (record.xruns != m_finalXruns) {
            why =
                "The JACK server reported an xrun while the dump was sent; packets may be "
                "lost.";
        } else {
            ++outcome.packetsDelivered;
            continue;
        }
        if (outcome.reason.empty()) {
            outcome.reason = why;
        }
    }
    if (outcome.packetsDelivered < outcome.packetsSent && outcome.failedSends == 0) {
        outcome.firstError = MidiResult::BackendError;
    }
    return outcome;
}

DumpOutcome DumpSchedule::givenUp(bool serverGone) const {
    DumpOutcome outcome;
    outcome.packetsSent = static_cast<int>(m_packets.size());
    outcome.firstError = MidiResult::BackendError;
    outcome.reason = serverGone ? kJackServerGone
                                : "The JACK server stopped running before the dump was through.";
    return outcome;
}

}  // namespace corvane
