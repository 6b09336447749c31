#include <jack/jack.h>
#include <jack/midiport.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "midi/backend/DumpSchedule.h"
#include "midi/backend/MidiBackend.h"

namespace corvane {

namespace {

// A dump's pauses take 0.9 s, its connection is awaited at most 0.2 s, and a running server ends
// it within three periods (0.6 s at the largest, 8192 frames); one that has not by this time has
// stopped running. Done, the close's limit and the end of the program still come within 3 s.
constexpr std::chrono::milliseconds kDumpLimit{1800};
constexpr const char* kNoAnswer = "The JACK server did not answer within 1 s (is it frozen?).";

// What the client's callbacks share with the service. The server holds its address as the
// callbacks' argument for as long as the libjack client lives; its last owner lets it go on the
// worker (letGo).
struct JackClient final : PacketSink {
    jack_client_t* client = nullptr;
    void* buffer = nullptr;                   // our port's, in the process callback
    std::atomic<jack_port_t*> port{nullptr};  // ours, while a port is open
    std::mutex destinationMutex;
    std::string destination;  // the device's port; empty for the mapper
    std::atomic<bool> gone{false};
    std::atomic<bool> connected{false};
    std::atomic<bool> receiverGone{false};
    std::atomic<std::uint64_t> xruns{0};
    std::atomic<DumpSchedule*> dump{nullptr};  // the dump on its way
    std::atomic<bool> judged{false};           // its outcome is known
    std::atomic<bool> inProcess{false};        // the process callback runs
    // Posted from the server's real-time thread (sem_post neither blocks nor allocates): a dump
    // was judged or the server went. GCC 12's std::counting_semaphore can wake tens of ms late.
    sem_t news{};
    std::uint32_t rate = 0;
    // False on PipeWire's JACK interface: its drivers do not report xruns and it never calls
    // the xrun callback, so a packet sent on time may still not have been carried.
    bool carriageKnown = true;
    std::string openError;                   // why the client did not start
    std::optional<std::uint32_t> lastFrame;  // of the last dump's last packet; dump thread only

    JackClient() { sem_init(&news, 0, 0); }
    ~JackClient() { sem_destroy(&news); }

    // False at the deadline (on the steady clock, which is CLOCK_MONOTONIC).
    bool waitForNews(std::chrono::steady_clock::time_point deadline) {
        const auto ns = std::chrono::nanoseconds(deadline.time_since_epoch()).count();
        const timespec at{ns / 1'000'000'000, ns % 1'000'000'000};
        int result = 0;
        while ((result = sem_clockwait(&news, CLOCK_MONOTONIC, &at)) != 0 && errno == EINTR) {
        }
        return result == 0;
    }

    // Returns once the process callback no longer uses what was taken from it.
    void quiesce() const {
        while (inProcess.load()) {
            std::this_thread::yield();
        }
    }

    bool write(std::uint32_t offset, std::span<const std::uint8_t> packet) override {
        return jack_midi_event_write(buffer, offset, packet.data(), packet.size()) == 0;
    }

    std::string destinationName() {
        std::lock_guard lock(destinationMutex);
        return destination;
    }

    void refreshConnection() {
        jack_port_t* ours = port.load();
        if (ours == nullptr) {
            return;
        }
        std::lock_guard lock(destinationMutex);
        if (destination.empty()) {
            connected = jack_port_connected(ours) > 0;
            return;
        }
        connected = jack_port_connected_to(ours, destination.c_str()) != 0;
        if (!connected && jack_port_by_name(client, destination.c_str()) == nullptr) {
            receiverGone = true;
        }
    }
};

int onProcess(jack_nframes_t frames, void* arg) {
    auto& c = *static_cast<JackClient*>(arg);
    const bool late = jack_frames_since_cycle_start(c.client) >= frames;
    c.inProcess = true;
    if (jack_port_t* port = c.port.load()) {
        c.buffer = jack_port_get_buffer(port, frames);
        jack_midi_clear_buffer(c.buffer);
        DumpSchedule* dump = c.dump.load();
        if (dump != nullptr && !c.judged.load(std::memory_order_relaxed)) {
            const CycleFacts facts{.start = jack_last_frame_time(c.client),
                                   .frames = frames,
                                   .connected = c.connected.load(),
                                   .receiverGone = c.receiverGone.load(),
                                   .xruns = c.xruns.load(),
                                   .late = late};
            if (dump->cycle(facts, c)) {
                c.judged.store(true, std::memory_order_release);
                sem_post(&c.news);
            }
        }
    }
    c.inProcess = false;
    return 0;
}

int onXrun(void* arg) {
    ++static_cast<JackClient*>(arg)->xruns;
    return 0;
}

void onShutdown(jack_status_t, const char*, void* arg) {
    auto& c = *static_cast<JackClient*>(arg);
    c.gone = true;
    sem_post(&c.news);
}

void onPlainShutdown(void* arg) {
    onShutdown(JackFailure, "", arg);
}

void onConnect(jack_port_id_t, jack_port_id_t, int, void* arg) {
    static_cast<JackClient*>(arg)->refreshConnection();
}

// Clients let go while they ran, with their structs: the server may still call them (a shutdown
// told after the deactivation), so they stay until the process ends. Reachable, so not a leak.
std::mutex g_keptMutex;
std::vector<JackClient*>* g_kept = new std::vector<JackClient*>;

// The deleter of a JackClient, on the worker. A client that never ran or whose server went is
// closed, and no callback can come once jack_client_close has returned. A running one is taken
// out of the server's cycles and left, struct and all, to the end of the process, which the
// server lets go of: a close would cost two more of its cycles (42-49 ms at period 1024), and
// a client left in the cycles makes jackd log "client was not finished" xruns.
void letGo(JackClient* c) {
    // Off a worker's thread (the worker refused the call: it is stuck on a frozen server) no
    // library call is made.
    if (c->client != nullptr && (!c->gone || !MidiWorker::onWorkerThread())) {
        if (MidiWorker::onWorkerThread()) {
            jack_deactivate(c->client);
        }
        std::lock_guard lock(g_keptMutex);
        g_kept->push_back(c);
        return;
    }
    if (c->client != nullptr) {
        jack_client_close(c->client);
    }
    delete c;
}

// PipeWire's libjack names itself in its version ("3.0.0.0 (using PipeWire 0.3.65)"); jackd's
// is a bare number ("1.9.21").
bool isPipeWire() {
    return std::string_view(jack_get_version_string()).find("PipeWire") != std::string_view::npos;
}

// A running client of the server, or none, and openError says why. On the worker.
std::shared_ptr<JackClient> openClient() {
    std::shared_ptr<JackClient> c(new JackClient, letGo);
    jack_status_t status{};
    c->client = jack_client_open(std::string(kVirtualPortName).c_str(), JackNoStartServer, &status);
    if (c->client == nullptr) {
        c->openError = "JACK server not running, or it refused this client (status " +
                       std::to_string(status) + ").";
        return c;
    }
    jack_set_process_callback(c->client, onProcess, c.get());
    jack_set_xrun_callback(c->client, onXrun, c.get());
    // jackd calls the first of these, PipeWire's libjack (0.3.65) only the second.
    jack_on_info_shutdown(c->client, onShutdown, c.get());
    jack_on_shutdown(c->client, onPlainShutdown, c.get());
    jack_set_port_connect_callback(c->client, onConnect, c.get());
    if (jack_activate(c->client) != 0) {
        c->openError = "The JACK server did not let this client run.";
        jack_client_close(std::exchange(c->client, nullptr));
        return c;
    }
    c->rate = jack_get_sample_rate(c->client);
    c->carriageKnown = !isPipeWire();
    return c;
}

// Every MIDI input port's name. On the worker.
std::vector<std::string> inputPorts(jack_client_t* client) {
    std::vector<std::string> names;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    for (const char** name = ports; name != nullptr && *name != nullptr; ++name) {
        names.emplace_back(*name);
    }
    jack_free(ports);
    return names;
}

class JackLibrary final : public MidiLibrary {
  public:
    JackLibrary(MidiWorker& worker, LastError& error, std::shared_ptr<JackClient> client)
        : m_worker(worker), m_error(error), m_client(std::move(client)) {}
    // The client goes on the worker; one that does not go in time is left to it, and one the
    // worker refuses (stuck in a call) is left to the end of the process (letGo).
    ~JackLibrary() override {
        m_worker.run([c = std::move(m_client)]() mutable { c.reset(); }, kCallLimit);
    }

    bool running() override { return !m_client->gone; }

    std::vector<std::string> devices() override {
        std::optional<std::vector<std::string>> names;
        if (!m_client->gone) {
            names = m_worker.get<std::vector<std::string>>(
                [c = m_client] { return inputPorts(c->client); }, kCallLimit);
        }
        if (!names) {
            m_error.set(m_client->gone ? kJackServerGone : kNoAnswer);
        }
        return names.value_or(std::vector<std::string>{});
    }

    MidiResult openPort(int, const std::string& name) override {
        const auto error = m_worker.get<std::string>(
            [c = m_client, name] { return registerPort(*c, name); }, kCallLimit);
        if (!error || !error->empty()) {
            m_error.set(error ? *error : kNoAnswer);
            return MidiResult::BackendError;
        }
        return MidiResult::Ok;
    }

    // The port of a server that went has gone with it.
    MidiResult closePort() override {
        if (m_client->gone || m_worker.run([c = m_client] { unregisterPort(*c); }, kCallLimit)) {
            return MidiResult::Ok;
        }
        m_error.set(kNoAnswer);
        return MidiResult::BackendError;
    }

    DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) override {
        JackClient& c = *m_client;
        const std::string destination = c.destinationName();
        if (!destination.empty() && !c.connected) {
            m_worker.run([c = m_client, d = destination] { reconnectPort(*c, d); }, kCallLimit);
        }
        DumpSchedule schedule(std::move(packets), c.rate, c.lastFrame, !destination.empty());
        const auto deadline = std::chrono::steady_clock::now() + kDumpLimit;
        c.judged = false;
        c.dump = &schedule;
        while (!c.judged.load(std::memory_order_acquire) && !c.gone && !m_stopped &&
               c.waitForNews(deadline)) {
        }
        c.dump = nullptr;
        c.quiesce();
        c.lastFrame = schedule.lastFrame();
        DumpOutcome outcome = c.judged.load(std::memory_order_acquire)
                                  ? schedule.outcome(destination)
                                  : schedule.givenUp(c.gone);
        outcome.carriageKnown = c.carriageKnown;
        return outcome;
    }

    void stop() override {
        m_stopped = true;
        sem_post(&m_client->news);
    }

  private:
    // Our port, connected to the destination unless that is empty (the mapper). On the worker.
    static std::string registerPort(JackClient& c, const std::string& destination) {
        jack_port_t* port = jack_port_register(c.client, std::string(kVirtualPortName).c_str(),
                                               JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (port == nullptr) {
            return "JACK did not register the port " + std::string(kVirtualPortName) + ".";
        }
        {
            std::lock_guard lock(c.destinationMutex);
            c.destination = destination;
        }
        c.receiverGone = false;
        if (!destination.empty() && !connect(c, port, destination)) {
            jack_port_unregister(c.client, port);
            return "JACK did not connect to " + destination + ".";
        }
        c.port = port;
        c.refreshConnection();
        return {};
    }

    static bool connect(JackClient& c, jack_port_t* port, const std::string& destination) {
        const int result = jack_connect(c.client, jack_port_name(port), destination.c_str());
        return result == 0 || result == EEXIST;
    }

    // A device whose port went (its client ended, the interface was unplugged) and is back
    // under the same name is connected again before the dump goes. On the worker.
    static void reconnectPort(JackClient& c, const std::string& destination) {
        jack_port_t* port = c.port.load();
        if (port != nullptr && jack_port_by_name(c.client, destination.c_str()) != nullptr &&
            connect(c, port, destination)) {
            c.receiverGone = false;
            c.refreshConnection();
        }
    }

    static void unregisterPort(JackClient& c) {
        jack_port_t* port = c.port.exchange(nullptr);
        c.quiesce();
        if (port != nullptr) {
            jack_port_unregister(c.client, port);
        }
    }

    MidiWorker& m_worker;
    LastError& m_error;
    std::shared_ptr<JackClient> m_client;
    std::atomic<bool> m_stopped{false};
};

void ignoreJackText(const char*) {}

}  // namespace

std::unique_ptr<MidiLibrary> startJack(MidiWorker& worker, LastError& error) {
    // libjack's own diagnostics would go to stderr; lastError() tells instead.
    jack_set_error_function(ignoreJackText);
    jack_set_info_function(ignoreJackText);
    const auto opened = worker.get<std::shared_ptr<JackClient>>(openClient, kCallLimit);
    if (opened && (*opened)->openError.empty()) {
        return std::make_unique<JackLibrary>(worker, error, *opened);
    }
    error.set(opened ? (*opened)->openError : kNoAnswer);
    return nullptr;
}

}  // namespace corvane
