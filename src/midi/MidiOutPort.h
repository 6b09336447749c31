#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "midi/MidiOutService.h"

namespace corvane {

// The report of a refused open: the text, then the result code in decimal.
std::string openRefusedText(MidiResult result);

// The positions of deviceChoices() that a device name given by the user names: the choices
// whose name equals `text`, else those whose name contains it, ignoring ASCII letter case.
// Exactly one is a choice. Position 0, the mapper, is named by its whole name alone.
std::vector<std::size_t> positionsNamed(const std::vector<std::string>& choices,
                                        std::string_view text);

// The shared state of the program's one MIDI output port.
struct MidiPortState {
    int hMidiOut = 0;                       // handle of the open port; 0 while none is open
    MidiResult rcMidiOut = MidiResult::Ok;  // result of the last open or close
    bool bDeviceChosen = false;             // set by every choice of a device
};

// The program's MIDI output port, owned by main() and lent to the windows. Every way of
// choosing a device, sending to it and letting it go runs through here.
class MidiOutPort final {
  public:
    explicit MidiOutPort(MidiOutService& service);

    // "MIDI Mapper", then every device's name in id order: the device dialog's list.
    // Position p opens device id p - 1.
    std::vector<std::string> deviceChoices() const;

    // Chooses position p of a list of deviceChoices() shown to the user, where it read `name`:
    // closes the port, opens device id p - 1 (p = -1, nothing chosen, asks for id -2, which the
    // service refuses) and marks a device as chosen whether or not the open succeeded. A device
    // list that has changed since is read anew: a device that has moved opens where it is now,
    // one that has gone is refused (MidiResult::BadDeviceId, the service's text names it) and
    // no other opens in its place. Returns the result of the open.
    MidiResult choosePosition(int position, std::string_view name);

    // Opens device id deviceId (kMidiMapperId for the mapper) if it still has the name
    // expectedName. On success hMidiOut gets a new non-zero handle; on failure it is 0. The
    // result is also kept in rcMidiOut.
    MidiResult midiOutOpen(int deviceId, std::string_view expectedName);
    // Always asks the service, also when nothing is open (the service then refuses with
    // MidiResult::NotOpen). hMidiOut is 0 afterwards; the result is also kept in rcMidiOut.
    MidiResult midiOutClose();
    // Closes the port when a device has been chosen. Every way of quitting calls it; only the
    // first call reaches the service.
    void closeForExit();

    const MidiPortState& state() const { return m_state; }
    // The service's text about its last failure, such as why an open was refused.
    std::string serviceError() const { return m_service.lastError(); }

    bool isOpen() const { return m_state.hMidiOut != 0; }
    // Hands a whole dump to the open port's service (MidiOutService::sendDump), which calls
    // done on a thread of its own once the dump has ended.
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) {
        m_service.sendDump(std::move(packets), std::move(done));
    }

  private:
    MidiOutService& m_service;
    MidiPortState m_state;
    int m_nextHandle = 1;
    bool m_closedForExit = false;
};

}  // namespace corvane
