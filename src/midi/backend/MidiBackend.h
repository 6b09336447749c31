#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/MidiOutService.h"
#include "midi/backend/MidiWorker.h"

namespace corvane {

// The program's MIDI output service, on the first library whose client starts: ALSA (alsa-lib's
// sequencer), then JACK (libjack); the environment variable CORVANE_MIDI_API ("alsa" or "jack")
// restricts it to one. Never throws; while no library runs it has no devices, every open fails
// with MidiResult::NoService, and its next use tries again. A library whose client stopped
// running (its JACK server went) is started anew at the next use (device list, open, dump), and
// a port open on it is opened again, the device found by its name; until then every dump is
// refused with the reason. One worker thread makes every library call, each with a deadline;
// each dump is carried on a thread of its own.
// One service a process, destroyed as the program ends: it then takes a running JACK client out
// of the server's cycles and leaves the rest to the server, which lets go of the clients of an
// ended process, where a close would wait for two more of its cycles.
std::unique_ptr<MidiOutService> createMidiOutService();

// How long a library call that talks to the server may take before the service gives up on
// it: a running server answers within a few of its cycles, and the program still ends well
// within its 3 s after one call was given up.
constexpr std::chrono::milliseconds kCallLimit{1000};

// The text of the service's last failure, written by the service and its library.
class LastError {
  public:
    void set(std::string text) {
        std::lock_guard lock(m_mutex);
        m_text = std::move(text);
    }
    std::string get() const {
        std::lock_guard lock(m_mutex);
        return m_text;
    }

  private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

// One MIDI library's client behind the service. Every call into the library runs on the
// worker; the service calls open, close and the device list from one thread and carry from its
// dump thread, never two dumps at once. A failed call says why in the LastError it was given.
class MidiLibrary {
  public:
    virtual ~MidiLibrary() = default;
    // False once the client no longer works (its JACK server went): a new one is started.
    virtual bool running() { return true; }
    virtual std::vector<std::string> devices() = 0;  // the devices' names, in id order
    // For a valid id, or kMidiMapperId; `name` is the device's name, empty for the mapper.
    virtual MidiResult openPort(int id, const std::string& name) = 0;
    virtual MidiResult closePort() = 0;
    // Carries one dump on the open port to its outcome.
    virtual DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) = 0;
    // The service is ending: a dump on its way is given up at once.
    virtual void stop() {}
};

// A started client of the library, or null (error says why).
std::unique_ptr<MidiLibrary> startJack(MidiWorker& worker, LastError& error);
std::unique_ptr<MidiLibrary> startAlsa(MidiWorker& worker, LastError& error);

// One MIDI library the service may run.
struct MidiApi {
    const char* name;         // as CORVANE_MIDI_API names it
    const char* displayName;  // in messages
    std::function<std::unique_ptr<MidiLibrary>(MidiWorker&, LastError&)> start;
};

// The service of createMidiOutService() on other libraries, tried in the order given.
std::unique_ptr<MidiOutService> createMidiOutService(std::vector<MidiApi> apis);

}  // namespace corvane
