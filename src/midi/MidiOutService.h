#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// MIDI result codes. They are shown to the user ("Couldn't open midi out, rc = N"), so
// their values never change. A service may return other values; they are shown as they are.
enum class MidiResult : int {
    Ok = 0,
    BackendError = 1,  // the back end reported an error; lastError() has its message
    BadDeviceId = 2,   // no device with that id
    NotOpen = 5,       // no port is open (send or close without an open port)
    NoService = 6,     // no MIDI back end could be started (no ALSA sequencer, no JACK server)
    NoDevice = 68,     // the mapper was asked for; the back end has no virtual ports, no ports
};

// The number shown to the user.
constexpr int resultCode(MidiResult result) {
    return static_cast<int>(result);
}

// Device id of the mapper: a virtual output port the user routes in the system's patchbay.
constexpr int kMidiMapperId = -1;
constexpr std::string_view kMidiMapperName = "MIDI Mapper";
constexpr std::string_view kVirtualPortName = "Corvane";

// The operating system's MIDI output service: one output port at a time.
class MidiOutService {
  public:
    virtual ~MidiOutService() = default;
    // True when a MIDI back end runs; a service without one has no devices and refuses every
    // open with MidiResult::NoService (lastError() says why).
    virtual bool isAvailable() = 0;
    virtual int deviceCount() = 0;               // devices are ids 0..count-1
    virtual std::string deviceName(int id) = 0;  // product name; empty for an unknown id
    virtual MidiResult open(int id) = 0;         // id -1 is the mapper
    virtual MidiResult close() = 0;              // MidiResult::NotOpen when nothing is open
    virtual bool isOpen() const = 0;
    virtual MidiResult send(std::span<const std::uint8_t> message) = 0;  // one complete message
    // Waits, at most about a second, until the MIDI server has taken every message that send
    // accepted since the last call, and returns how many of them it did not take; lastError()
    // then says why. A back end that hands each message on within send loses none here.
    virtual int finishSends() { return 0; }
    virtual std::string lastError() const = 0;  // text of the last failure, empty if none
};

}  // namespace corvane
