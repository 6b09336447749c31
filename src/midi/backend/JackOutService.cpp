#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>

#include "midi/backend/DumpSchedule.h"
#include "midi/backend/MidiBackend.h"

namespace corvane {

namespace {

// A dump's pauses take 0.9 s and a running server ends it within three periods (0.6 s at the
// largest, 8192 frames); one that has not by this time has stopped running. Done, the close's
// limit and the end of the program still come within 3 s.
constexpr std::chrono::milliseconds kDumpLimit{1800};
constexpr const char* kNoAnswer = "The JACK server did not answer within 1 s (is it frozen?).";

// What the client's callbacks share with the service. It lives as long as the libjack client;
// its last owner closes the client, on the worker.
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
    std::counting_semaphore<> news{0};         // a dump was judged or the server went
    std::uint32_t rate = 0;
    std::string openError;                   // why the client did not start
    std::optional<std::uint32_t> lastFrame;  // of the last dump's last packet; dump thread only

    ~JackClient() {
        if (client != nullptr) {
            jack_client_close(client);
        }
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
    c.inProcess = true;
    if (jack_port_t* port = c.port.load()) {
        c.buffer = jack_port_get_buffer(port, frames);
        jack_midi_clear_buffer(c.buffer);
        DumpSchedule* dump = c.dump.load();
        if (dump != nullptr && !c.judged.load(std::memory_order_relaxed)) {
            const CycleFacts facts{jack_last_frame_time(c.client), frames, c.connected.load(),
                                   c.receiverGone.load(), c.xruns.load()};
            if (dump->cycle(facts, c)) {
                c.judged.store(true, std::memory_order_release);
                c.news.release();
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
    c.news.release();
}

void onConnect(jack_port_id_t, jack_port_id_t, int, void* arg) {
    static_cast<JackClient*>(arg)->refreshConnection();
}

// A client of the running server, or one whose openError says why there is none. On the worker.
std::shared_ptr<JackClient> openClient() {
    auto c = std::make_shared<JackClient>();
    jack_status_t status{};
    c->client = jack_client_open(std::string(kVirtualPortName).c_str(), JackNoStartServer, &status);
    if (c->client == nullptr) {
        c->openError = "JACK server not running, or it refused this client (status " +
                       std::to_string(status) + ").";
        return c;
    }
    jack_set_process_callback(c->client, onProcess, c.get());
    jack_set_xrun_callback(c->client, onXrun, c.get());
    jack_on_info_shutdown(c->client, onShutdown, c.get());
    jack_set_port_connect_callback(c->client, onConnect, c.get());
    if (jack_activate(c->client) != 0) {
        c->openError = "The JACK server did not let this client run.";
        return c;
    }
    c->rate = jack_get_sample_rate(c->client);
    return c;
}

std::vector<std::string> portsOf(jack_client_t* client) {
    std::vector<std::string> names;
    if (const char** ports =
            jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** name = ports; *name != nullptr; ++name) {
            names.emplace_back(*name);
        }
        jack_free(ports);
    }
    return names;
}

class JackOutService final : public MidiBackend {
  public:
    explicit JackOutService(MidiWorker& worker) : m_worker(worker) {}
    ~JackOutService() override {
        m_ending = true;
        if (m_client) {
            m_client->news.release();
        }
        endDumps();
        dropClient();
    }

    bool isAvailable() override { return ensureClient(); }

  private:
    MidiResult openPort(int id) override {
        const std::string destination = id == kMidiMapperId ? std::string() : deviceName(id);
        const auto error = m_worker.get<std::string>(
            [c = m_client, destination] { return registerPort(*c, destination); }, kCallLimit);
        if (!error || !error->empty()) {
            setError(error ? *error : kNoAnswer);
            return MidiResult::BackendError;
        }
        m_destination = destination;
        return MidiResult::Ok;
    }

    MidiResult closePort() override {
        if (m_client->gone) {
            dropClient();
            return MidiResult::Ok;
        }
        if (!m_worker.run([c = m_client] { unregisterPort(*c); }, kCallLimit)) {
            setError(kNoAnswer);
            return MidiResult::BackendError;
        }
        return MidiResult::Ok;
    }

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
        if (!destination.empty()) {
            const int result = jack_connect(c.client, jack_port_name(port), destination.c_str());
            if (result != 0 && result != EEXIST) {
                jack_port_unregister(c.client, port);
                return "JACK did not connect to " + destination + ".";
            }
        }
        c.port = port;
        c.refreshConnection();
        return {};
    }

    // A device whose port went (its client ended, the interface was unplugged) and is back
    // under the same name is connected again before the dump goes. On the worker.
    static void reconnectPort(JackClient& c) {
        jack_port_t* port = c.port.load();
        std::string destination;
        {
            std::lock_guard lock(c.destinationMutex);
            destination = c.destination;
        }
        if (port == nullptr || destination.empty() ||
            jack_port_connected_to(port, destination.c_str()) != 0 ||
            jack_port_by_name(c.client, destination.c_str()) == nullptr) {
            return;
        }
        const int result = jack_connect(c.client, jack_port_name(port), destination.c_str());
        if (result == 0 || result == EEXIST) {
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

    std::vector<std::string> devices() override {
        if (!ensureClient()) {
            return {};
        }
        auto names = m_worker.get<std::vector<std::string>>(
            [c = m_client] { return portsOf(c->client); }, kCallLimit);
        if (!names) {
            setError(kNoAnswer);
        }
        return names.value_or(std::vector<std::string>{});
    }

    // A client of the running server; a client whose server went is replaced.
    bool ensureClient() {
        if (m_client && !m_client->gone) {
            return true;
        }
        if (m_open) {
            // The port went with its server; close() lets the client go.
            setError(kJackServerGone);
            return false;
        }
        dropClient();
        const auto opened = m_worker.get<std::shared_ptr<JackClient>>(openClient, kCallLimit);
        if (!opened || !(*opened)->openError.empty()) {
            setError(opened ? (*opened)->openError : kNoAnswer);
            if (opened) {
                // A client that opened but did not start is closed on the worker too.
                m_worker.run([c = std::move(*opened)]() mutable { c.reset(); }, kCallLimit);
            }
            return false;
        }
        m_client = *opened;
        return true;
    }

    // The client is closed on the worker; one that does not close in time is left to it.
    void dropClient() {
        m_open = false;
        if (m_client) {
            m_worker.run([c = std::move(m_client)]() mutable { c.reset(); }, kCallLimit);
        }
    }

    DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) override {
        const std::shared_ptr<JackClient> client = m_client;
        JackClient& c = *client;
        if (!m_destination.empty() && !c.connected) {
            m_worker.run([client] { reconnectPort(*client); }, kCallLimit);
        }
        DumpSchedule schedule(std::move(packets), c.rate, c.lastFrame);
        const auto deadline = Clock::now() + kDumpLimit;
        c.judged = false;
        c.dump = &schedule;
        while (!c.judged.load(std::memory_order_acquire) && !c.gone && !m_ending &&
               c.news.try_acquire_until(deadline)) {
        }
        c.dump = nullptr;
        c.quiesce();
        c.lastFrame = schedule.lastFrame();
        return c.judged.load(std::memory_order_acquire) ? schedule.outcome(m_destination)
                                                        : schedule.givenUp(c.gone);
    }

    MidiWorker& m_worker;
    std::shared_ptr<JackClient> m_client;
    std::string m_destination;  // of the open port; empty for the mapper
    std::atomic<bool> m_ending{false};
};

}  // namespace

std::unique_ptr<MidiBackend> createJackBackend(MidiWorker& worker) {
    return std::make_unique<JackOutService>(worker);
}

}  // namespace corvane
