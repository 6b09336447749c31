#include "FakeMidiOutService.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace corvane {

FakeMidiOutService::FakeMidiOutService(std::vector<std::string> deviceNames)
    : m_deviceNames(std::move(deviceNames)) {}

FakeMidiOutService::~FakeMidiOutService() {
    if (m_doneThread.joinable()) {
        m_doneThread.join();
    }
}

namespace {
constexpr std::string_view kNoServiceText = "fake: no MIDI service";
}

void FakeMidiOutService::setAvailable(bool available) {
    m_available = available;
    if (!available) {
        m_lastError = kNoServiceText;
    }
}

std::vector<int> FakeMidiOutService::openedIds() const {
    std::vector<int> ids;
    for (const Call& call : m_calls) {
        if (call.kind == CallKind::Open) {
            ids.push_back(call.deviceId);
        }
    }
    return ids;
}

std::vector<std::vector<std::uint8_t>> FakeMidiOutService::sentMessages() const {
    std::vector<std::vector<std::uint8_t>> messages;
    for (const Call& call : m_calls) {
        if (call.kind == CallKind::Send) {
            messages.push_back(call.bytes);
        }
    }
    return messages;
}

int FakeMidiOutService::closeCount() const {
    return static_cast<int>(std::ranges::count(m_calls, CallKind::Close, &Call::kind));
}

std::vector<std::string> FakeMidiOutService::deviceNames() {
    return m_available ? m_deviceNames : std::vector<std::string>{};
}

MidiResult FakeMidiOutService::open(int id, std::string_view expectedName) {
    m_callsDuringADump += dumpOnItsWay() ? 1 : 0;
    m_open = false;
    Call call{.kind = CallKind::Open, .deviceId = id, .bytes = {}, .result = MidiResult::Ok};
    if (!m_available) {
        call.result = MidiResult::NoService;
        return record(std::move(call), std::string(kNoServiceText));
    }
    if (m_openRefusal) {
        call.result = *m_openRefusal;
        return record(std::move(call), "fake: open refused");
    }
    if (id < kMidiMapperId || id >= static_cast<int>(deviceNames().size()) ||
        (id != kMidiMapperId && m_deviceNames[static_cast<std::size_t>(id)] != expectedName)) {
        call.result = MidiResult::BadDeviceId;
        return record(std::move(call), "fake: no device " + std::to_string(id) + " named \"" +
                                           std::string(expectedName) + "\"");
    }
    m_open = true;
    return record(std::move(call), "");
}

MidiResult FakeMidiOutService::close() {
    m_callsDuringADump += dumpOnItsWay() ? 1 : 0;
    Call call{.kind = CallKind::Close, .deviceId = 0, .bytes = {}, .result = MidiResult::Ok};
    if (!m_open) {
        call.result = MidiResult::NotOpen;
        return record(std::move(call), "fake: nothing open");
    }
    m_open = false;
    return record(std::move(call), "");
}

MidiResult FakeMidiOutService::sendPacket(std::span<const std::uint8_t> message) {
    ++m_sendCount;
    Call call{.kind = CallKind::Send,
              .deviceId = 0,
              .bytes = {message.begin(), message.end()},
              .result = MidiResult::Ok};
    if (!m_open) {
        call.result = MidiResult::NotOpen;
        return record(std::move(call), "fake: nothing open");
    }
    if (const auto failing = m_failingSends.find(m_sendCount); failing != m_failingSends.end()) {
        call.result = failing->second;
        return record(std::move(call), "fake: send " + std::to_string(m_sendCount) + " failed");
    }
    return record(std::move(call), "");
}

void FakeMidiOutService::sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) {
    m_callsDuringADump += dumpOnItsWay() ? 1 : 0;
    ++m_dumpCount;
    DumpOutcome outcome;
    for (const std::vector<std::uint8_t>& packet : packets) {
        const MidiResult result = sendPacket(packet);
        ++outcome.packetsSent;
        if (result != MidiResult::Ok) {
            if (outcome.failedSends == 0) {
                outcome.firstError = result;
                outcome.reason = m_lastError;
            }
            ++outcome.failedSends;
        }
    }
    const int lost = std::exchange(m_loseOnTheWay, 0);
    if (lost > 0 && outcome.failedSends == 0) {
        outcome.firstError = MidiResult::BackendError;
        outcome.reason = "fake: " + std::to_string(lost) + " lost on the way";
    }
    outcome.packetsDelivered = outcome.packetsSent - outcome.failedSends - lost;
    outcome.carriageKnown = m_carriageKnown;
    if (m_endAtOnce) {
        if (m_doneThread.joinable()) {
            m_doneThread.join();
        }
        m_doneThread = std::thread([done = std::move(done), outcome] { done(outcome); });
        return;
    }
    m_dumpOutcome = std::move(outcome);
    m_dumpDone = std::move(done);
}

void FakeMidiOutService::endDump() {
    DumpDone done = std::exchange(m_dumpDone, nullptr);
    if (done) {
        done(m_dumpOutcome);
    }
}

MidiResult FakeMidiOutService::record(Call call, std::string error) {
    if (!error.empty()) {
        m_lastError = std::move(error);
    }
    m_calls.push_back(std::move(call));
    return m_calls.back().result;
}

}  // namespace corvane
