#pragma once

#include <string>
#include <vector>

#include "MidiOutService.h"
#include "UpdateTransfer.h"

namespace corvane {

// The shared state of the program's one MIDI output port.
struct MidiPortState {
    int hMidiOut = 0;            // handle of the open port; 0 while none has been opened
    int rcMidiOut = 0;           // result of the last open or close
    bool bDeviceChosen = false;  // set by every OK of the device dialog
};

// The program's MIDI output port, owned by main() and lent to the windows.
class MidiOutPort final : public SysExSink {
public:
    explicit MidiOutPort(MidiOutService& service);

    // "MIDI Mapper", then every device's name in id order: the device dialog's list.
    // Position p opens device id p - 1.
    std::vector<std::string> deviceChoices() const;

    int midiOutOpen(int deviceId);  // result also kept in rcMidiOut
    int midiOutClose();             // result also kept in rcMidiOut
    void setDeviceChosen();
    // Closes the port when a device has been chosen; called once when the program ends.
    void closeForExit();

    const MidiPortState& state() const { return m_state; }

    bool isOpen() const override;
    int Send_SysEx(std::span<const std::uint8_t> message) override;
    std::string errorText() const override;

private:
    MidiOutService& m_service;
    MidiPortState m_state;
    int m_nextHandle = 1;
};

}  // namespace corvane
