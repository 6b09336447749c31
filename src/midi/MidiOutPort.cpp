#include "midi/MidiOutPort.h"

#include <utility>

namespace corvane {

std::string openRefusedText(MidiResult result) {
    return "Couldn't open midi out, rc = " + std::to_string(resultCode(result));
}

DumpOutcome refusedDump(std::size_t packets, MidiResult result, std::string reason) {
    const int count = static_cast<int>(packets);
    return {.packetsSent = count,
            .packetsDelivered = 0,
            .failedSends = count,
            .firstError = result,
            .reason = std::move(reason)};
}

MidiOutPort::MidiOutPort(MidiOutService& service) : m_service(service) {}

std::vector<std::string> MidiOutPort::deviceChoices() const {
    std::vector<std::string> choices{std::string(kMidiMapperName)};
    const int count = m_service.deviceCount();
    for (int id = 0; id < count; ++id) {
        choices.push_back(m_service.deviceName(id));
    }
    return choices;
}

MidiResult MidiOutPort::choosePosition(int position) {
    midiOutClose();
    const MidiResult opened = midiOutOpen(position - 1);
    m_state.bDeviceChosen = true;
    return opened;
}

MidiResult MidiOutPort::midiOutOpen(int deviceId) {
    m_state.rcMidiOut = m_service.open(deviceId);
    m_state.hMidiOut = m_state.rcMidiOut == MidiResult::Ok ? m_nextHandle++ : 0;
    return m_state.rcMidiOut;
}

MidiResult MidiOutPort::midiOutClose() {
    m_state.rcMidiOut = m_service.close();
    m_state.hMidiOut = 0;
    return m_state.rcMidiOut;
}

void MidiOutPort::closeForExit() {
    if (!m_state.bDeviceChosen || m_closedForExit) {
        return;
    }
    m_closedForExit = true;
    midiOutClose();
}

MidiResult MidiOutPort::Send_SysEx(std::span<const std::uint8_t> message) {
    if (!isOpen()) {
        return MidiResult::NotOpen;
    }
    return m_service.send(message);
}

void MidiOutPort::sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) {
    if (isOpen()) {
        m_service.sendDump(std::move(packets), std::move(done));
        return;
    }
    done(refusedDump(packets.size(), MidiResult::NotOpen, "No MIDI output port is open."));
}

}  // namespace corvane
