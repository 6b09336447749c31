#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "midi/MidiOutService.h"
#include "midi/backend/MidiWorker.h"

namespace corvane {

// The program's MIDI output service: the first back end that starts, ALSA (through RtMidi)
// then JACK (libjack); the environment variable CORVANE_MIDI_API ("alsa" or "jack") restricts
// it to one. Never throws; with no back end running it has no devices and every open fails
// with MidiResult::NoService, and it tries again on its next use. One worker thread of the
// service makes every library call, each with a deadline.
std::unique_ptr<MidiOutService> createMidiOutService();

extern const char* const kNotOpenText;

// How long a library call that talks to the server may take before the service gives up on
// it: a running server answers within a few of its cycles, and the program still ends well
// within its 3 s after one call was given up.
constexpr std::chrono::milliseconds kCallLimit{1000};

// One MIDI library's output service. Every library call runs on the worker, which outlives
// it; each dump is carried on the service's dump thread, which calls its done.
class MidiBackend : public MidiOutService {
  public:
    // Starts a client of the library; false (and lastError() says why) when it cannot.
    virtual bool start() { return isAvailable(); }
    // Closes the open port first; checks the id against the device list.
    MidiResult open(int id) final;
    MidiResult close() final;
    bool isOpen() const final { return m_open; }
    int deviceCount() final { return static_cast<int>(devices().size()); }
    std::string deviceName(int id) final;
    // One message as a dump of one, waited for.
    MidiResult send(std::span<const std::uint8_t> message) final;
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) final;
    std::string lastError() const final;

  protected:
    using Clock = std::chrono::steady_clock;

    // The devices' names, in id order.
    virtual std::vector<std::string> devices() = 0;
    // The library's side of open and close, for a valid id.
    virtual MidiResult openPort(int id) = 0;
    virtual MidiResult closePort() = 0;
    // Carries one dump on the open port to its outcome, on the dump thread.
    virtual DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) = 0;
    // Ends the dump thread; the back end's destructor calls it before anything else.
    void endDumps();
    void setError(std::string text);

    bool m_open = false;

  private:
    struct Dump {
        std::vector<std::vector<std::uint8_t>> packets;
        DumpDone done;
        bool open;
    };
    void carryDumps();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Dump> m_dump;
    bool m_ending = false;
    std::thread m_dumpThread;
    std::string m_lastError;
};

std::unique_ptr<MidiBackend> createJackBackend(MidiWorker& worker);
std::unique_ptr<MidiBackend> createAlsaBackend(MidiWorker& worker);

}  // namespace corvane
