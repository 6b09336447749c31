#include "midi/UpdateTransfer.h"

#include <utility>
#include <vector>

#include "midi/MidiOutPort.h"
#include "settings/SettingsDump.h"

namespace corvane {

namespace {

TransferReport reportOf(const DumpOutcome& outcome) {
    TransferReport report{outcome};
    report.packetsInDump = static_cast<int>(kPacketCount);
    // Judged against the whole dump: a service that stopped early has not delivered it.
    if (report.packetsDelivered < report.packetsInDump) {
        report.status = TransferReport::Status::SendFailed;
    }
    return report;
}

}  // namespace

std::string countText(const DumpOutcome& outcome, int packetsInDump) {
    return std::to_string(outcome.packetsDelivered) + " of " + std::to_string(packetsInDump) +
           (outcome.carriageKnown ? " delivered" : " sent on time");
}

UpdateTransfer::UpdateTransfer(MidiOutPort& port, DumpDone done)
    : m_port(port), m_done(std::move(done)) {}

std::optional<TransferReport> UpdateTransfer::request(const FilterSettings& settings) {
    const bool followUp = std::exchange(m_followUpOwed, false);
    if (m_ending && !followUp) {
        return std::nullopt;
    }
    if (m_busy) {
        m_followUp = true;
        return std::nullopt;
    }
    TransferReport refused;
    if (auto unsendable = findUnsendableValue(settings)) {
        refused.status = TransferReport::Status::Unsendable;
        refused.reason = *unsendable;
    } else if (!m_port.isOpen()) {
        refused.status = TransferReport::Status::NoPort;
        refused.reason = "No MIDI output device is open.";
    }
    if (!refused.ok()) {
        runWaiting();  // a refused follow-up held them back
        return refused;
    }
    std::vector<std::vector<std::uint8_t>> packets;
    for (const DumpPacket& packet : BuildSettingsDump(settings)) {
        packets.emplace_back(packet.begin(), packet.end());
    }
    m_busy = true;
    m_followUp = false;
    m_port.sendDump(std::move(packets), m_done);
    return std::nullopt;
}

UpdateTransfer::Ended UpdateTransfer::finish(const DumpOutcome& outcome) {
    m_busy = false;
    Ended ended;
    ended.report = reportOf(outcome);
    if (std::exchange(m_followUp, false)) {
        // A dump of which nothing is known to have arrived was given up (the server stopped or
        // froze) or had no receiver: a follow-up would hold the end for another whole wait.
        if (m_ending && ended.report.packetsDelivered == 0) {
            ended.followUpDropped = true;
        } else {
            ended.followUpDue = true;
            m_followUpOwed = true;
            return ended;
        }
    }
    runWaiting();
    return ended;
}

void UpdateTransfer::whenIdle(std::function<void()> action) {
    if (m_ending) {
        return;
    }
    m_waiting.push_back(std::move(action));
    runWaiting();
}

void UpdateTransfer::endWhenIdle(std::function<void()> end) {
    m_ending = true;
    m_waiting.clear();
    m_waiting.push_back(std::move(end));
    runWaiting();
}

// One at a time: an action may start a dump, and the rest then wait for its end.
void UpdateTransfer::runWaiting() {
    while (!m_busy && !m_followUpOwed && !m_waiting.empty()) {
        std::function<void()> action = std::move(m_waiting.front());
        m_waiting.pop_front();
        action();
    }
}

}  // namespace corvane
