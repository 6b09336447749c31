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
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    std::vector<std::size_t> exact;
    std::vector<std::size_t> containing;
    for (std::size_t position = 0; position < choices.size(); ++position) {
        const std::string& name = choices[position];
        if (name == text) {
            exact.push_back(position);
        }
        // The mapper is named by its whole name only: "MIDI" is in many a device's name.
        const bool named =
            position == 0
                ? std::equal(name.begin(), name.end(), text.begin(), text.end(), same)
                : std::search(name.begin(), name.end(), text.begin(), text.end(), same) !=
                      name.end();
        if (named) {
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

MidiResult MidiOutPort::choosePosition(int position, std::string_view name) {
    midiOutClose();
    if (position > 0) {
        const std::vector<std::string> choices = deviceChoices();
        const auto at = static_cast<std::size_t>(position);
        if (at >= choices.size() || choices[at] != name) {
            const auto now = std::find(choices.begin() + 1, choices.end(), name);
            if (now != choices.end()) {
                position = static_cast<int>(now - choices.begin());
            }
        }
    }
    const MidiResult opened = midiOutOpen(position - 1, name);
    m_state.bDeviceChosen = true;
    return opened;
}

MidiResult MidiOutPort::midiOutOpen(int deviceId, std::string_view expectedName) {
    m_state.rcMidiOut = m_service.open(deviceId, expectedName);
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
