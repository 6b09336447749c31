#include <RtMidi.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <deque>
#include <exception>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "JackServerWatch.h"
#include "MidiLibraryQuiet.h"
#include "midi/rtmidi/BoundedCall.h"
#include "midi/rtmidi/RtMidiOutService.h"

namespace corvane {

namespace {

constexpr const char* kApiVariable = "CORVANE_MIDI_API";

// RtMidi writes an error's text to std::cerr before it throws; the service keeps the text in
// lastError() instead. Holds std::cerr silent for one scope.
class SilencedCerr {
  public:
    SilencedCerr() : m_saved(std::cerr.rdbuf(nullptr)) {}
    ~SilencedCerr() { std::cerr.rdbuf(m_saved); }
    SilencedCerr(const SilencedCerr&) = delete;
    SilencedCerr& operator=(const SilencedCerr&) = delete;

  private:
    std::streambuf* m_saved;
};

bool hasVirtualPorts(RtMidi::Api api) {
    return api == RtMidi::LINUX_ALSA || api == RtMidi::UNIX_JACK || api == RtMidi::MACOSX_CORE;
}

std::string apiNames(const std::vector<RtMidi::Api>& apis) {
    std::string names;
    for (RtMidi::Api api : apis) {
        names += (names.empty() ? "" : ", ") + RtMidi::getApiName(api);
    }
    return names;
}

// How long one library call may take before the service gives up on it: opening, listing
// and sending; closing and ending a client (RtMidi's JACK close waits up to 1 s itself for
// its queue to drain); and the wait for the server to take the messages sent.
constexpr std::chrono::milliseconds kCallLimit{2000};
constexpr std::chrono::milliseconds kCloseLimit{1500};
constexpr std::chrono::milliseconds kDrainLimit{1000};
// A message counts as taken by the JACK server once this many of its cycles began after it
// was queued, and the news of an xrun in them has had time to come (250 ms proved too short
// while a receiving program was stopped, 60 ms under full CPU load).
constexpr std::uint64_t kTakenAfterCycles = 3;
constexpr std::chrono::milliseconds kTakenAfter = JackServerWatch::kXrunNewsLate;
// A message whose cycles have not begun after this long is lost: the server has stalled.
constexpr std::chrono::milliseconds kStalledAfter{500};

std::string seconds(std::chrono::milliseconds limit) {
    const auto tenths = limit.count() / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

// One RtMidi client and what belongs to it. Shared with the worker that runs its calls, so
// that an abandoned call keeps it alive for as long as the call runs.
struct Backend {
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<JackServerWatch> watch;  // while a JACK port is open
    std::string destination;                 // JACK: the device port sent to
    std::string source;                      // JACK: our port connected to it
    std::optional<std::string> reported;     // reported by RtMidi during the current call

    static void onError(RtMidiError::Type type, const std::string& text, void* self) {
        if (type != RtMidiError::DEBUG_WARNING) {
            static_cast<Backend*>(self)->reported = text;
        }
    }
};

// Our port: the one that the open connected to the device, once the library's view of the
// connections shows it (polled for up to 0.1 s). Empty when it does not show; the connection
// is then not watched.
std::string newConnection(const JackServerWatch& watch, const std::string& destination,
                          const std::vector<std::string>& before) {
    constexpr int kPolls = 50;
    for (int poll = 0; poll < kPolls; ++poll) {
        for (const std::string& name : watch.connectionsOf(destination)) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                return name;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {};
}

// What a call on the worker gives back.
struct CallOutcome {
    bool ok = true;
    std::string error;
    unsigned int number = 0;
    std::string text;
    std::uint64_t cycle = 0;  // JACK send: the watch's latest cycle before the message was queued
    bool serverGone = false;  // JACK: the server has shut down
};

// A message queued for the JACK server, until it is known whether the server took it.
struct QueuedMessage {
    std::uint64_t cycle;  // the watch's latest cycle when it was queued
    std::chrono::steady_clock::time_point queued;
};

class RtMidiOutService final : public MidiOutService {
  public:
    // The back end starts on first use, so the editor starts without a MIDI client.
    RtMidiOutService() { quietMidiLibraries(); }
    ~RtMidiOutService() override {
        joinDump();
        endBackend();
    }
    RtMidiOutService(const RtMidiOutService&) = delete;
    RtMidiOutService& operator=(const RtMidiOutService&) = delete;

    bool isAvailable() override {
        const std::lock_guard lock(m_mutex);
        return ensureStarted();
    }

    int deviceCount() override {
        const std::lock_guard lock(m_mutex);
        CallOutcome outcome;
        if (!ensureStarted() ||
            !attempt([](Backend& b, CallOutcome& o) { o.number = b.out->getPortCount(); },
                     outcome)) {
            return 0;
        }
        return outcome.number > INT_MAX ? INT_MAX : static_cast<int>(outcome.number);
    }

    std::string deviceName(int id) override {
        const std::lock_guard lock(m_mutex);
        CallOutcome outcome;
        if (id >= 0 && ensureStarted()) {
            const auto port = static_cast<unsigned int>(id);
            attempt([port](Backend& b, CallOutcome& o) { o.text = b.out->getPortName(port); },
                    outcome);
        }
        return outcome.text;
    }

    MidiResult open(int id) override {
        const std::lock_guard lock(m_mutex);
        if (!ensureStarted()) {
            return MidiResult::NoService;
        }
        if (m_open) {
            close();
        }
        if (id == kMidiMapperId) {
            return openMapper();
        }
        const int count = deviceCount();
        if (!m_backend) {
            return MidiResult::BackendError;
        }
        if (id < 0 || id >= count) {
            m_lastError = "There is no MIDI output device with id " + std::to_string(id) + ".";
            return MidiResult::BadDeviceId;
        }
        return openDevice(id);
    }

    MidiResult close() override {
        const std::lock_guard lock(m_mutex);
        if (!m_open) {
            m_lastError = "No MIDI output port is open.";
            return MidiResult::NotOpen;
        }
        CallOutcome outcome;
        const bool closed = attempt(
            [](Backend& b, CallOutcome&) {
                b.out->closePort();
                b.watch.reset();
            },
            outcome, kCloseLimit);
        m_open = false;
        m_queued.clear();
        if (!m_backend) {
            return MidiResult::BackendError;
        }
        if (m_serverGone) {
            // The client died with its server; the next use starts a new one.
            endBackend();
        } else if (m_virtual) {
            // Some back ends keep a virtual port until the client goes; a new client drops it.
            startApi(m_api);
        }
        return closed ? MidiResult::Ok : MidiResult::BackendError;
    }

    bool isOpen() const override {
        const std::lock_guard lock(m_mutex);
        return m_open;
    }

    MidiResult send(std::span<const std::uint8_t> message) override {
        const std::lock_guard lock(m_mutex);
        if (!m_open) {
            m_lastError = "No MIDI output port is open.";
            return MidiResult::NotOpen;
        }
        settleQueued(false);
        CallOutcome outcome;
        std::vector<std::uint8_t> bytes(message.begin(), message.end());
        const bool sent = attempt(
            [bytes = std::move(bytes)](Backend& b, CallOutcome& o) {
                if (b.watch && !b.watch->serverGone() && !b.source.empty() &&
                    !b.watch->connected(b.source, b.destination)) {
                    o.ok = false;
                    o.error = "The connection to " + b.destination +
                              " was lost; the message was not delivered.";
                    return;
                }
                o.cycle = b.watch ? b.watch->cycles() : 0;
                b.out->sendMessage(bytes.data(), bytes.size());
            },
            outcome);
        if (m_serverGone) {
            m_lastError = "The JACK server has stopped; the message was not delivered.";
            return MidiResult::BackendError;
        }
        if (!sent) {
            return MidiResult::BackendError;
        }
        if (m_api == RtMidi::UNIX_JACK) {
            m_queued.push_back({outcome.cycle, std::chrono::steady_clock::now()});
        }
        return MidiResult::Ok;
    }

    // Holds the lock one poll at a time, so that the device list stays at hand meanwhile.
    int finishSends() override {
        const auto until = std::chrono::steady_clock::now() + kDrainLimit;
        while (std::chrono::steady_clock::now() < until) {
            {
                const std::lock_guard lock(m_mutex);
                if (!m_open || m_queued.empty()) {
                    break;
                }
                settleQueued(false);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const std::lock_guard lock(m_mutex);
        settleQueued(true);
        const int lost = m_lost;
        m_lost = 0;
        if (lost > 0) {
            m_lastError = m_lostReason;
        }
        return lost;
    }

    std::string lastError() const override {
        const std::lock_guard lock(m_mutex);
        return m_lastError;
    }

    // A thread of its own per dump: each packet sent, then a pause that the thread sleeps
    // through; then the wait for the server to take what was sent.
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override {
        joinDump();
        m_dump = std::thread([this, packets = std::move(packets), done = std::move(done)] {
            DumpOutcome outcome;
            for (const std::vector<std::uint8_t>& packet : packets) {
                const MidiResult result = send(packet);
                ++outcome.packetsSent;
                if (result != MidiResult::Ok) {
                    if (outcome.failedSends == 0) {
                        outcome.firstError = result;
                        outcome.reason = lastError();
                    }
                    ++outcome.failedSends;
                }
                // A port given up on (a call that overran) takes nothing more: no pause for it.
                if (isOpen()) {
                    std::this_thread::sleep_until(std::chrono::steady_clock::now() + kPacketPause);
                }
            }
            const int lost = finishSends();
            if (lost > 0 && outcome.failedSends == 0) {
                outcome.firstError = MidiResult::BackendError;
                outcome.reason = lastError();
            }
            outcome.packetsDelivered =
                std::max(0, outcome.packetsSent - outcome.failedSends - lost);
            done(outcome);
        });
    }

  private:
    void joinDump() {
        if (m_dump.joinable()) {
            m_dump.join();
        }
    }

    // Decides for each queued message, oldest first, whether the JACK server took it. With
    // `final`, a message not yet known to be taken is lost.
    void settleQueued(bool final) {
        if (m_queued.empty()) {
            return;
        }
        struct Progress {
            std::uint64_t cycles = 0;
            bool gone = false;
            bool connected = true;
            std::vector<std::optional<std::string>> trouble;
        };
        std::vector<std::uint64_t> firsts;
        for (const QueuedMessage& message : m_queued) {
            firsts.push_back(message.cycle);
        }
        auto backend = m_backend;
        auto progress = m_runner->get<Progress>(
            [backend, firsts] {
                Progress p;
                if (!backend || !backend->watch) {
                    p.gone = true;
                    return p;
                }
                const JackServerWatch& watch = *backend->watch;
                p.cycles = watch.cycles();
                p.gone = watch.serverGone();
                p.connected = backend->source.empty() ||
                              watch.connected(backend->source, backend->destination);
                for (std::uint64_t first : firsts) {
                    p.trouble.push_back(watch.trouble(first, p.cycles));
                }
                return p;
            },
            kCallLimit);
        if (!progress) {
            abandonBackend(kCallLimit);
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        std::size_t index = 0;
        while (!m_queued.empty()) {
            const QueuedMessage& message = m_queued.front();
            const bool run = progress->cycles >= message.cycle + kTakenAfterCycles;
            const bool taken = run && now - message.queued >= kTakenAfter;
            const bool stalled = !run && now - message.queued >= kStalledAfter;
            std::optional<std::string> why;
            if (progress->gone) {
                why = "The JACK server has stopped; a message was not delivered.";
            } else if (!taken && (stalled || final)) {
                why = "The JACK server stopped taking messages (it did not run for " +
                      seconds(std::chrono::duration_cast<std::chrono::milliseconds>(
                          now - message.queued)) +
                      ").";
            } else if (!taken) {
                return;
            } else if (progress->trouble[index]) {
                why = progress->trouble[index];
            } else if (!progress->connected) {
                why = "The connection to " + m_backend->destination + " was lost.";
            }
            if (why) {
                noteLost(1, *why);
            }
            m_queued.pop_front();
            ++index;
        }
    }

    void noteLost(int count, const std::string& why) {
        if (m_lost == 0 && count > 0) {
            m_lostReason = why;
        }
        m_lost += count;
    }

    // The APIs to try, in RtMidi's order, or the one named by CORVANE_MIDI_API.
    std::vector<RtMidi::Api> candidateApis() {
        std::vector<RtMidi::Api> compiled;
        RtMidi::getCompiledApi(compiled);
        std::erase(compiled, RtMidi::RTMIDI_DUMMY);
        const char* forced = std::getenv(kApiVariable);
        if (forced == nullptr || *forced == '\0') {
            return compiled;
        }
        const RtMidi::Api api = RtMidi::getCompiledApiByName(forced);
        if (api == RtMidi::UNSPECIFIED || api == RtMidi::RTMIDI_DUMMY) {
            m_lastError = std::string(kApiVariable) + "=" + forced +
                          " names no MIDI back end of this build (" + apiNames(compiled) + ").";
            return {};
        }
        return {api};
    }

    bool startFirstWorkingApi() {
        std::string reasons;
        for (RtMidi::Api api : candidateApis()) {
            if (startApi(api)) {
                return true;
            }
            reasons +=
                (reasons.empty() ? "" : "; ") + RtMidi::getApiDisplayName(api) + ": " + m_lastError;
        }
        if (!reasons.empty()) {
            m_lastError = "No MIDI service could be started (" + reasons + ").";
        }
        return false;
    }

    bool ensureStarted() { return m_backend != nullptr || startFirstWorkingApi(); }

    bool startApi(RtMidi::Api api) {
        endBackend();
        m_backend = std::make_shared<Backend>();
        CallOutcome outcome;
        // JACK's client may start without a server and fail only on use: probe it.
        if (!attempt(
                [api](Backend& b, CallOutcome&) {
                    {
                        SilencedCerr quiet;
                        b.out = std::make_unique<RtMidiOut>(api, std::string(kVirtualPortName));
                    }
                    b.out->setErrorCallback(&Backend::onError, &b);
                    b.out->getPortCount();
                },
                outcome)) {
            endBackend();
            return false;
        }
        m_api = api;
        return true;
    }

    MidiResult openMapper() {
        if (hasVirtualPorts(m_api)) {
            CallOutcome outcome;
            const bool jack = m_api == RtMidi::UNIX_JACK;
            if (!attempt(
                    [jack](Backend& b, CallOutcome&) {
                        b.out->openVirtualPort(std::string(kVirtualPortName));
                        if (jack) {
                            b.watch = std::make_unique<JackServerWatch>();
                        }
                    },
                    outcome)) {
                return MidiResult::BackendError;
            }
            markOpen(true);
            return MidiResult::Ok;
        }
        if (deviceCount() == 0) {
            m_lastError = "This MIDI back end has no virtual ports and no output devices.";
            return MidiResult::NoDevice;
        }
        return openDevice(0);
    }

    MidiResult openDevice(int id) {
        CallOutcome outcome;
        const auto port = static_cast<unsigned int>(id);
        const bool jack = m_api == RtMidi::UNIX_JACK;
        if (!attempt(
                [port, jack](Backend& b, CallOutcome& o) {
                    if (jack) {
                        b.watch = std::make_unique<JackServerWatch>();
                        b.destination = b.out->getPortName(port);
                    }
                    const auto before =
                        jack ? b.watch->connectionsOf(b.destination) : std::vector<std::string>{};
                    b.out->openPort(port, std::string(kVirtualPortName));
                    o.number = b.out->isPortOpen() ? 1 : 0;
                    if (jack) {
                        b.source = newConnection(*b.watch, b.destination, before);
                    }
                },
                outcome)) {
            return MidiResult::BackendError;
        }
        if (outcome.number == 0) {
            m_lastError = "The MIDI back end did not open device " + std::to_string(id) + ".";
            return MidiResult::BackendError;
        }
        markOpen(false);
        return MidiResult::Ok;
    }

    void markOpen(bool isVirtual) {
        m_open = true;
        m_virtual = isVirtual;
        m_serverGone = false;
        m_queued.clear();
        m_lost = 0;
    }

    // Runs one RtMidi call on the worker, bounded by limit. False when it threw, reported an
    // error or overran; the text is then in m_lastError. Nothing RtMidi throws leaves here.
    template <typename Call>
    bool attempt(Call call, CallOutcome& outcome, std::chrono::milliseconds limit = kCallLimit) {
        if (!m_backend) {
            return false;
        }
        auto result = m_runner->get<CallOutcome>(
            [backend = m_backend, call = std::move(call)]() mutable {
                CallOutcome o;
                backend->reported.reset();
                try {
                    call(*backend, o);
                } catch (const RtMidiError& error) {
                    o.ok = false;
                    o.error = error.getMessage();
                } catch (const std::exception& error) {
                    o.ok = false;
                    o.error = error.what();
                }
                if (o.ok && backend->reported) {
                    o.ok = false;
                    o.error = *backend->reported;
                }
                o.serverGone = backend->watch && backend->watch->serverGone();
                return o;
            },
            limit);
        if (!result) {
            abandonBackend(limit);
            return false;
        }
        outcome = std::move(*result);
        m_serverGone = m_serverGone || outcome.serverGone;
        if (!outcome.ok) {
            m_lastError = outcome.error;
        }
        return outcome.ok;
    }

    // A call overran: the client it was stuck in is left to it, the port counts as closed and
    // the next use starts a new client on a new worker.
    void abandonBackend(std::chrono::milliseconds limit) {
        m_backend.reset();
        m_runner = std::make_unique<BoundedCallRunner>();
        m_open = false;
        m_lastError = "The MIDI server did not answer within " + seconds(limit) +
                      " (is the JACK server frozen?).";
        noteLost(static_cast<int>(m_queued.size()), m_lastError);
        m_queued.clear();
    }

    // Ends the client on the worker, within kCloseLimit; one that hangs is abandoned.
    void endBackend() {
        m_open = false;
        m_queued.clear();
        if (!m_backend) {
            return;
        }
        if (!m_runner->run([doomed = std::move(m_backend)]() mutable { doomed.reset(); },
                           kCloseLimit)) {
            abandonBackend(kCloseLimit);
        }
        m_backend.reset();
    }

    // Serialises the calls of the caller's thread and of the dump's thread.
    mutable std::recursive_mutex m_mutex;
    std::thread m_dump;
    std::unique_ptr<BoundedCallRunner> m_runner = std::make_unique<BoundedCallRunner>();
    std::shared_ptr<Backend> m_backend;
    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
    bool m_open = false;
    bool m_virtual = false;
    bool m_serverGone = false;
    std::deque<QueuedMessage> m_queued;  // JACK: sent, not yet known to be taken
    int m_lost = 0;                      // since the last finishSends
    std::string m_lostReason;
    std::string m_lastError;
};

}  // namespace

std::unique_ptr<MidiOutService> createRtMidiOutService() {
    return std::make_unique<RtMidiOutService>();
}

}  // namespace corvane
