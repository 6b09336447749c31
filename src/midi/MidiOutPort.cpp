#include "MidiOutPort.h"

namespace corvane {

namespace {
constexpr std::string_view kNoPortText = "No MIDI output device is open.";
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

int MidiOutPort::midiOutOpen(int deviceId) {
    m_state.rcMidiOut = m_service.open(deviceId);
    m_state.hMidiOut = m_state.rcMidiOut == kMidiOk ? m_nextHandle++ : 0;
    return m_state.rcMidiOut;
}

int MidiOutPort::midiOutClose() {
    m_state.rcMidiOut = m_service.close();
    m_state.hMidiOut = 0;
    return m_state.rcMidiOut;
}

void MidiOutPort::setDeviceChosen() {
    m_state.bDeviceChosen = true;
}

void MidiOutPort::closeForExit() {
    if (!m_state.bDeviceChosen || m_closedForExit) {
        return;
    }
    m_closedForExit = true;
    midiOutClose();
}

bool MidiOutPort::isOpen() const {
    return m_state.hMidiOut != 0;
}

int MidiOutPort::Send_SysEx(std::span<const std::uint8_t> message) {
    if (!isOpen()) {
        return kMidiErrNotOpen;
    }
    return m_service.send(message);
}

int MidiOutPort::finishSends() {
    return isOpen() ? m_service.finishSends() : 0;
}

std::string MidiOutPort::errorText() const {
    if (!isOpen()) {
        return std::string(kNoPortText);
    }
    return m_service.lastError();
}

}  // namespace corvane
