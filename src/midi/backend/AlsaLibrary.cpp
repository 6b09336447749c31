#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "midi/backend/MidiBackend.h"
#include "midi/backend/QueueSchedule.h"

namespace corvane {

namespace {

// A dump's pauses take 0.9 s; a sequencer that has not dispatched it by this time will not.
// Done, the close's limit and the end of the program still come within 3 s.
constexpr std::chrono::milliseconds kDumpLimit{1800};
// One wait for the sequencer's news on the worker, well inside kCallLimit.
constexpr std::chrono::milliseconds kNewsSlice{200};
constexpr const char* kNoAnswer = "The ALSA sequencer did not answer within 1 s.";

std::string failure(const std::string& what, int error) {
    return "The ALSA sequencer " + what + ": " + snd_strerror(error) + ".";
}

snd_seq_real_time_t realTime(QueueTime at) {
    return {static_cast<unsigned int>(at / 1'000'000'000),
            static_cast<unsigned int>(at % 1'000'000'000)};
}

QueueTime queueTime(const snd_seq_real_time_t& time) {
    return static_cast<QueueTime>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// A port of another client that a device entry stands for.
struct SequencerPort {
    snd_seq_addr_t address{};
    std::string client;  // the client's name
    std::string port;    // the port's name

    // "client:port c:p", as the device list shows it.
    std::string shownName() const {
        return client + ":" + port + " " + std::to_string(address.client) + ":" +
               std::to_string(address.port);
    }
};

// The sequencer client, its queue and its port; used on the worker only.
struct AlsaClient {
    snd_seq_t* seq = nullptr;
    int id = -1;
    int queue = -1;
    int port = -1;                             // ours, while one is open
    std::optional<SequencerPort> destination;  // the chosen device; none for the mapper
    int subscribers = 0;                       // of the mapper's port, during a dump
    std::vector<SequencerPort> listed;         // by the last device list
    // The queue runs only while a dump is on its way: a running queue wakes its timer every
    // millisecond. Its time is set on by the time it stood still.
    bool running = false;
    std::optional<std::chrono::steady_clock::time_point> stoppedAt;
    std::string openError;  // why the client did not start

    ~AlsaClient() {
        if (seq != nullptr) {
            snd_seq_close(seq);
        }
    }

    // Every other client's port that takes MIDI and can be subscribed to, in the sequencer's
    // order; the System client's ports are not devices.
    std::vector<SequencerPort> devicePorts() const {
        std::vector<SequencerPort> ports;
        snd_seq_client_info_t* client = nullptr;
        snd_seq_port_info_t* port = nullptr;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_alloca(&port);
        constexpr unsigned int kTypes = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH |
                                        SND_SEQ_PORT_TYPE_APPLICATION;
        constexpr unsigned int kCaps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq, client) >= 0) {
            const int number = snd_seq_client_info_get_client(client);
            if (number == SND_SEQ_CLIENT_SYSTEM || number == id) {
                continue;
            }
            snd_seq_port_info_set_client(port, number);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq, port) >= 0) {
                if ((snd_seq_port_info_get_type(port) & kTypes) == 0 ||
                    (snd_seq_port_info_get_capability(port) & kCaps) != kCaps) {
                    continue;
                }
                ports.push_back({*snd_seq_port_info_get_addr(port),
                                 snd_seq_client_info_get_name(client),
                                 snd_seq_port_info_get_name(port)});
            }
        }
        return ports;
    }

    // Our port, stamping what it receives (the System client's announcements, our echo) with
    // the queue's real time; the error's text, empty when it is there.
    std::string createPort() {
        snd_seq_port_info_t* info = nullptr;
        snd_seq_port_info_alloca(&info);
        snd_seq_port_info_set_name(info, std::string(kVirtualPortName).c_str());
        // Writable only for the echo and the announcements; other clients cannot subscribe to
        // send to it, so no device list shows it as an output.
        snd_seq_port_info_set_capability(
            info, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE);
        snd_seq_port_info_set_type(info,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_seq_port_info_set_timestamping(info, 1);
        snd_seq_port_info_set_timestamp_real(info, 1);
        snd_seq_port_info_set_timestamp_queue(info, queue);
        if (const int error = snd_seq_create_port(seq, info); error < 0) {
            return failure("did not create the port " + std::string(kVirtualPortName), error);
        }
        port = snd_seq_port_info_get_port(info);
        if (const int error = snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM,
                                                   SND_SEQ_PORT_SYSTEM_ANNOUNCE);
            error < 0) {
            deletePort();
            return failure("did not announce its clients to this program", error);
        }
        return {};
    }

    void deletePort() {
        if (port >= 0) {
            snd_seq_delete_port(seq, port);
            port = -1;
        }
        destination.reset();
    }

    bool connectedTo(const snd_seq_addr_t& address) const {
        snd_seq_port_subscribe_t* subscription = nullptr;
        snd_seq_port_subscribe_alloca(&subscription);
        const snd_seq_addr_t ours{static_cast<unsigned char>(id), static_cast<unsigned char>(port)};
        snd_seq_port_subscribe_set_sender(subscription, &ours);
        snd_seq_port_subscribe_set_dest(subscription, &address);
        return snd_seq_get_port_subscription(seq, subscription) == 0;
    }

    int subscriberCount() const {
        snd_seq_query_subscribe_t* query = nullptr;
        snd_seq_query_subscribe_alloca(&query);
        const snd_seq_addr_t ours{static_cast<unsigned char>(id), static_cast<unsigned char>(port)};
        snd_seq_query_subscribe_set_root(query, &ours);
        snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
        snd_seq_query_subscribe_set_index(query, 0);
        return snd_seq_query_port_subscribers(seq, query) == 0
                   ? snd_seq_query_subscribe_get_num_subs(query)
                   : 0;
    }

    // Where the dump goes. Forgets what was told before. A device whose port went and is back
    // under the same client and port names (a USB interface plugged in again) is connected
    // again.
    QueueRoute route() {
        snd_seq_drop_input(seq);
        if (!destination) {
            subscribers = subscriberCount();
            return subscribers > 0 ? QueueRoute::Connected : QueueRoute::Unrouted;
        }
        if (connectedTo(destination->address)) {
            return QueueRoute::Connected;
        }
        for (const SequencerPort& candidate : devicePorts()) {
            if (candidate.client == destination->client && candidate.port == destination->port &&
                snd_seq_connect_to(seq, port, candidate.address.client, candidate.address.port) ==
                    0) {
                destination->address = candidate.address;
                return QueueRoute::Connected;
            }
        }
        return QueueRoute::Gone;
    }

    std::string queueDump(const std::vector<std::vector<std::uint8_t>>& packets,
                          const SequencerQueue::TimesFrom& timesFrom,
                          std::vector<QueueTime>& times) {
        snd_seq_queue_status_t* status = nullptr;
        snd_seq_queue_status_alloca(&status);
        int error = stopQueue();
        if (error >= 0) {
            error = snd_seq_get_queue_status(seq, queue, status);
        }
        if (error < 0) {
            return failure("did not hold the queue", error);
        }
        QueueTime now = queueTime(*snd_seq_queue_status_get_real_time(status));
        if (stoppedAt) {
            now += std::chrono::nanoseconds(std::chrono::steady_clock::now() - *stoppedAt).count();
            snd_seq_event_t position;
            snd_seq_ev_clear(&position);
            const snd_seq_real_time_t at = realTime(now);
            snd_seq_ev_set_queue_pos_real(&position, queue, &at);
            snd_seq_ev_set_direct(&position);
            if ((error = snd_seq_event_output(seq, &position)) < 0) {
                return failure("did not set the queue's time", error);
            }
        }
        times = timesFrom(now);
        for (std::size_t i = 0; i < packets.size(); ++i) {
            snd_seq_event_t event;
            snd_seq_ev_clear(&event);
            snd_seq_ev_set_source(&event, port);
            snd_seq_ev_set_subs(&event);
            snd_seq_ev_set_sysex(&event, packets[i].size(),
                                 const_cast<std::uint8_t*>(packets[i].data()));
            snd_seq_real_time_t at = realTime(times[i]);
            snd_seq_ev_schedule_real(&event, queue, 0, &at);
            if ((error = snd_seq_event_output(seq, &event)) < 0) {
                return failure("refused packet " + std::to_string(i + 1), error);
            }
        }
        snd_seq_event_t echo;
        snd_seq_ev_clear(&echo);
        echo.type = SND_SEQ_EVENT_ECHO;
        snd_seq_ev_set_source(&echo, port);
        snd_seq_ev_set_dest(&echo, id, port);
        snd_seq_real_time_t at = realTime(times.back());
        snd_seq_ev_schedule_real(&echo, queue, 0, &at);
        error = snd_seq_event_output(seq, &echo);
        if (error >= 0) {
            error = snd_seq_continue_queue(seq, queue, nullptr);
            running = true;
        }
        if (error >= 0) {
            error = snd_seq_drain_output(seq);
        }
        if (error > 0) {
            return "The ALSA sequencer did not take the whole dump.";
        }
        return error < 0 ? failure("did not take the dump", error) : std::string();
    }

    // The next fact about the dump within `wait`; NoAnswer when none came.
    QueueFact next(std::chrono::milliseconds wait) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int read = snd_seq_event_input(seq, &event);
            if (read == -EAGAIN) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) {
                    return {};
                }
                pollfd descriptor{};
                snd_seq_poll_descriptors(seq, &descriptor, 1, POLLIN);
                poll(&descriptor, 1, static_cast<int>(left.count()));
                continue;
            }
            if (read < 0) {
                return {QueueFact::Kind::Failed, 0,
                        failure("lost what it told this program", read)};
            }
            if (auto fact = factOf(*event)) {
                return *fact;
            }
        }
    }

    std::optional<QueueFact> factOf(const snd_seq_event_t& event) {
        // Stamped on arrival at our port, on our queue's clock. An unstamped announcement counts
        // as older than every packet.
        const QueueTime at =
            snd_seq_ev_is_real(&event) && event.queue == queue ? queueTime(event.time.time) : 0;
        const auto isOurs = [&](const snd_seq_addr_t& address) {
            return address.client == id && address.port == port;
        };
        const auto isDestination = [&](const snd_seq_addr_t& address) {
            return destination && address.client == destination->address.client &&
                   address.port == destination->address.port;
        };
        switch (event.type) {
            case SND_SEQ_EVENT_ECHO:
                if (isOurs(event.source)) {
                    stopQueue();
                    return QueueFact{QueueFact::Kind::Echo, at, {}};
                }
                break;
            case SND_SEQ_EVENT_PORT_EXIT:
                if (isDestination(event.data.addr)) {
                    return QueueFact{QueueFact::Kind::ReceiverGone, at, {}};
                }
                break;
            case SND_SEQ_EVENT_CLIENT_EXIT:
                if (destination && event.data.addr.client == destination->address.client) {
                    return QueueFact{QueueFact::Kind::ReceiverGone, at, {}};
                }
                break;
            case SND_SEQ_EVENT_PORT_SUBSCRIBED:
                subscribers += isOurs(event.data.connect.sender) ? 1 : 0;
                break;
            case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
                if (isOurs(event.data.connect.sender) &&
                    (destination ? isDestination(event.data.connect.dest) : --subscribers == 0)) {
                    return QueueFact{QueueFact::Kind::ConnectionLost, at, {}};
                }
                break;
            default:
                break;
        }
        return std::nullopt;
    }

    int stopQueue() {
        if (!running) {
            return 0;
        }
        int error = snd_seq_stop_queue(seq, queue, nullptr);
        if (error >= 0) {
            error = snd_seq_drain_output(seq);
        }
        running = false;
        stoppedAt = std::chrono::steady_clock::now();
        return error;
    }

    void clear() {
        snd_seq_drop_output(seq);
        stopQueue();
        snd_seq_remove_events_t* remove = nullptr;
        snd_seq_remove_events_alloca(&remove);
        snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT);
        snd_seq_remove_events_set_queue(remove, queue);
        snd_seq_remove_events(seq, remove);
    }
};

// A client of the sequencer, or none, and openError says why. On the worker.
std::shared_ptr<AlsaClient> openClient() {
    auto c = std::make_shared<AlsaClient>();
    int error = snd_seq_open(&c->seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (error < 0) {
        c->seq = nullptr;
        c->openError = failure("could not be opened", error);
        return c;
    }
    snd_seq_set_client_name(c->seq, std::string(kVirtualPortName).c_str());
    c->id = snd_seq_client_id(c->seq);
    c->queue = snd_seq_alloc_named_queue(c->seq, std::string(kVirtualPortName).c_str());
    if (c->queue < 0) {
        c->openError = failure("gave this program no queue", c->queue);
    }
    return c;
}

// The sequencer queue on the worker, each call within its limit, for one dump.
class WorkerQueue final : public SequencerQueue {
  public:
    WorkerQueue(MidiWorker& worker, std::shared_ptr<AlsaClient> client,
                const std::atomic<bool>& stopped)
        : m_worker(worker), m_client(std::move(client)), m_stopped(stopped) {}

    std::string queueDump(const std::vector<std::vector<std::uint8_t>>& packets,
                          const TimesFrom& timesFrom, std::vector<QueueTime>& times) override {
        // The call owns copies: one that overruns outlives this frame.
        using Queued = std::pair<std::string, std::vector<QueueTime>>;
        const auto queued = m_worker.get<Queued>(
            [c = m_client, packets, timesFrom] {
                Queued result;
                result.first = c->queueDump(packets, timesFrom, result.second);
                return result;
            },
            kCallLimit);
        if (!queued) {
            return kNoAnswer;
        }
        times = queued->second;
        return queued->first;
    }

    QueueFact next(std::chrono::steady_clock::time_point deadline) override {
        while (!m_stopped) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            const auto wait = std::min(left, kNewsSlice);
            const auto fact =
                m_worker.get<QueueFact>([c = m_client, wait] { return c->next(wait); }, kCallLimit);
            if (!fact) {
                return {QueueFact::Kind::Failed, 0, kNoAnswer};
            }
            if (fact->kind != QueueFact::Kind::NoAnswer) {
                return *fact;
            }
        }
        return {};
    }

    void clear() override {
        m_worker.run([c = m_client] { c->clear(); }, kCallLimit);
    }

  private:
    MidiWorker& m_worker;
    std::shared_ptr<AlsaClient> m_client;
    const std::atomic<bool>& m_stopped;
};

class AlsaLibrary final : public MidiLibrary {
  public:
    AlsaLibrary(MidiWorker& worker, LastError& error, std::shared_ptr<AlsaClient> client)
        : m_worker(worker), m_error(error), m_client(std::move(client)) {}
    ~AlsaLibrary() override {
        m_worker.run([c = std::move(m_client)]() mutable { c.reset(); }, kCallLimit);
    }

    std::vector<std::string> devices() override {
        const auto names = m_worker.get<std::vector<std::string>>(
            [c = m_client] {
                c->listed = c->devicePorts();
                std::vector<std::string> shown;
                for (const SequencerPort& port : c->listed) {
                    shown.push_back(port.shownName());
                }
                return shown;
            },
            kCallLimit);
        if (!names) {
            m_error.set(kNoAnswer);
        }
        return names.value_or(std::vector<std::string>{});
    }

    // The mapper is our port alone, for the user to connect; a device gets our connection.
    MidiResult openPort(int id, const std::string& name) override {
        const auto error = m_worker.get<std::string>(
            [c = m_client, id, name]() -> std::string {
                std::string refused = c->createPort();
                if (!refused.empty() || id == kMidiMapperId) {
                    return refused;
                }
                const auto listed = static_cast<std::size_t>(id);
                if (listed >= c->listed.size() || c->listed[listed].shownName() != name) {
                    refused = "The MIDI output device " + name + " is no longer there.";
                } else if (const int error =
                               snd_seq_connect_to(c->seq, c->port, c->listed[listed].address.client,
                                                  c->listed[listed].address.port);
                           error < 0) {
                    refused = failure("did not connect to " + name, error);
                } else {
                    c->destination = c->listed[listed];
                    return {};
                }
                c->deletePort();
                return refused;
            },
            kCallLimit);
        if (!error || !error->empty()) {
            m_error.set(error.value_or(kNoAnswer));
            return MidiResult::BackendError;
        }
        return MidiResult::Ok;
    }

    // Our port goes, and our connection with it.
    MidiResult closePort() override {
        if (m_worker.run([c = m_client] { c->deletePort(); }, kCallLimit)) {
            return MidiResult::Ok;
        }
        m_error.set(kNoAnswer);
        return MidiResult::BackendError;
    }

    DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) override {
        const auto deadline = std::chrono::steady_clock::now() + kDumpLimit;
        const auto route = m_worker.get<std::pair<QueueRoute, std::string>>(
            [c = m_client] {
                return std::pair(c->route(), c->destination ? c->destination->shownName() : "");
            },
            kCallLimit);
        if (!route) {
            const int count = static_cast<int>(packets.size());
            return {count, 0, 0, MidiResult::BackendError, kNoAnswer};
        }
        WorkerQueue queue(m_worker, m_client, m_stopped);
        return m_schedule.carry(queue, std::move(packets), route->second, route->first, deadline);
    }

    void stop() override { m_stopped = true; }

  private:
    MidiWorker& m_worker;
    LastError& m_error;
    std::shared_ptr<AlsaClient> m_client;
    QueueSchedule m_schedule;  // on the dump thread
    std::atomic<bool> m_stopped{false};
};

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::unique_ptr<MidiLibrary> startAlsa(MidiWorker& worker, LastError& error) {
    // alsa-lib's own diagnostics would go to stderr; lastError() tells instead.
    snd_lib_error_set_handler(ignoreAlsaError);
    const auto opened = worker.get<std::shared_ptr<AlsaClient>>(openClient, kCallLimit);
    if (opened && (*opened)->openError.empty()) {
        return std::make_unique<AlsaLibrary>(worker, error, *opened);
    }
    error.set(opened ? (*opened)->openError : kNoAnswer);
    return nullptr;
}

}  // namespace corvane
