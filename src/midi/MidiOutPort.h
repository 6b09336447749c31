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

    // Opens device id deviceId (kMidiMapperId for the mapper). On success hMidiOut gets a new
    // non-zero handle; on failure it is 0. The result is also kept in rcMidiOut.
    int midiOutOpen(int deviceId);
    // Always asks the service, also when nothing is open (the service then refuses with
    // kMidiErrNotOpen). hMidiOut is 0 afterwards; the result is also kept in rcMidiOut.
    int midiOutClose();
    void setDeviceChosen();
    // Closes the port when a device has been chosen. Every way of quitting calls it; only the
    // first call reaches the service.
    void closeForExit();

    const MidiPortState& state() const { return m_state; }
    // The service's text about its last failure, such as why an open was refused.
    std::string serviceError() const { return m_service.lastError(); }

    bool isOpen() const override;  // hMidiOut != 0
    // With no port open returns kMidiErrNotOpen without asking the service.
    int Send_SysEx(std::span<const std::uint8_t> message) override;
    std::string errorText() const override;
    int finishSends() override;  // 0 without asking the service when no port is open

  private:
    MidiOutService& m_service;
    MidiPortState m_state;
    int m_nextHandle = 1;
    bool m_closedForExit = false;
};

}  // namespace corvane
