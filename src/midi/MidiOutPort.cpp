#include "midi/MidiOutPort.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace corvane {

std::string openRefusedText(MidiResult result) {
    return "Couldn't open midi out, rc = " + std::to_string(resultCode(result));
}

std::vector<std::size_t> positionsNamed(const std::vector<std::string>& choices,
                                        std::string_view text) {
    const auto fold = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    std::vector<std::size_t> exact;
    std::vector<std::size_t> containing;
    for (std::size_t position = 1; position < choices.size(); ++position) {
        const std::string& name = choices[position];
        if (name == text) {
            exact.push_back(position);
        }
        if (std::search(name.begin(), name.end(), text.begin(), text.end(),
                        [&](char a, char b) { return fold(a) == fold(b); }) != name.end()) {
            containing.push_back(position);
        }
    }
    return exact.empty() ? containing : exact;
}

MidiOutPort::MidiOutPort(MidiOutService& service) : m_service(service) {}

std::vector<std::string> MidiOutPort::deviceChoices() const {
    std::vector<std::string> choices = m_service.deviceNames();
    choices.insert(choices.begin(), std::string(kMidiMapperName));
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

}  // namespace corvane
