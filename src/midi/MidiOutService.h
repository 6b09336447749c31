#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The pause after each packet of a dump, on the back end's own clock.
constexpr std::chrono::milliseconds kPacketPause{100};

// What became of a dump handed to MidiOutService::sendDump.
struct DumpOutcome {
    int packetsSent = 0;  // packets the service tried to send
    // Packets known to have left on the chosen connection; where the server gives no word of
    // carriage (carriageKnown false), packets that went on time on it.
    int packetsDelivered = 0;
    int failedSends = 0;  // packets refused at once
    // The first refused send's result; BackendError for a loss on the way.
    MidiResult firstError = MidiResult::Ok;
    std::string reason;  // why not every packet was delivered; empty when all were
    // True where the server tells whether packets were carried (jackd, ALSA); false where it
    // gives no word of it (PipeWire's JACK interface never reports an xrun), so that a count
    // says only what is known.
    bool carriageKnown = true;
};
using DumpDone = std::function<void(const DumpOutcome&)>;

// The operating system's MIDI output service: one output port at a time.
class MidiOutService {
  public:
    virtual ~MidiOutService() = default;
    // True when a MIDI back end runs; a service without one has no devices and refuses every
    // open with MidiResult::NoService (lastError() says why).
    virtual bool isAvailable() = 0;
    // The devices' product names, read at once: device id i is names[i].
    virtual std::vector<std::string> deviceNames() = 0;
    // Opens device id (kMidiMapperId, -1, for the mapper) if it still has the name the caller
    // showed the user; a device list read earlier may have changed since. A device whose name
    // differs, or no device at id, is refused with MidiResult::BadDeviceId and a lastError()
    // that names the device. The mapper's name is not checked.
    virtual MidiResult open(int id, std::string_view expectedName) = 0;
    virtual MidiResult close() = 0;  // MidiResult::NotOpen when nothing is open
    virtual bool isOpen() const = 0;
    // Sends one dump on the open port, in order: the first packet at once (the next cycle of the
    // server), but never sooner than kPacketPause after the previous dump's last packet, and each
    // later one kPacketPause after the one before, all on the service's own clock; so a caller
    // may send the next dump as soon as done has run.
    // Returns without waiting for the series. Calls done exactly once, never from inside
    // sendDump itself, on a thread of the service's: for a dump whose packets all went, at most
    // one server period after the last packet's time; in every case (frozen or vanished server
    // included) within 3 s of the call. Only one dump at a time: the caller calls neither
    // sendDump, open nor close again before done has run.
    virtual void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) = 0;
    virtual std::string lastError() const = 0;  // text of the last failure, empty if none
};

}  // namespace corvane
