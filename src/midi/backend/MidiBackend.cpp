#include "midi/backend/MidiBackend.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdlib>
#include <future>

namespace corvane {

const char* const kNotOpenText = "No MIDI output port is open.";

MidiResult MidiBackend::open(int id) {
    if (!isAvailable()) {
        return MidiResult::NoService;
    }
    if (m_open) {
        close();
    }
    if (id != kMidiMapperId && (id < 0 || id >= deviceCount())) {
        setError("There is no MIDI output device with id " + std::to_string(id) + ".");
        return MidiResult::BadDeviceId;
    }
    const MidiResult result = openPort(id);
    m_open = result == MidiResult::Ok;
    return result;
}

std::string MidiBackend::deviceName(int id) {
    const std::vector<std::string> names = devices();
    return id >= 0 && id < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(id)]
                                                          : std::string();
}

MidiResult MidiBackend::close() {
    if (!m_open) {
        setError(kNotOpenText);
        return MidiResult::NotOpen;
    }
    m_open = false;
    return closePort();
}

void MidiBackend::sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) {
    std::lock_guard lock(m_mutex);
    if (!m_dumpThread.joinable()) {
        m_dumpThread = std::thread([this] { carryDumps(); });
    }
    m_dump = Dump{std::move(packets), std::move(done), m_open};
    m_changed.notify_all();
}

void MidiBackend::carryDumps() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [&] { return m_ending || m_dump; });
        if (!m_dump) {
            return;
        }
        Dump dump = std::move(*m_dump);
        m_dump.reset();
        lock.unlock();
        const int count = static_cast<int>(dump.packets.size());
        const DumpOutcome outcome =
            dump.open ? carry(std::move(dump.packets))
                      : DumpOutcome{count, 0, count, MidiResult::NotOpen, kNotOpenText};
        dump.done(outcome);
        lock.lock();
    }
}

void MidiBackend::endDumps() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    if (m_dumpThread.joinable()) {
        m_dumpThread.join();
    }
}

MidiResult MidiBackend::send(std::span<const std::uint8_t> message) {
    std::promise<DumpOutcome> done;
    std::future<DumpOutcome> outcome = done.get_future();
    sendDump({{message.begin(), message.end()}},
             [&done](const DumpOutcome& o) { done.set_value(o); });
    const DumpOutcome o = outcome.get();
    if (o.packetsDelivered == 1) {
        return MidiResult::Ok;
    }
    setError(o.reason);
    return o.firstError;
}

std::string MidiBackend::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void MidiBackend::setError(std::string text) {
    std::lock_guard lock(m_mutex);
    m_lastError = std::move(text);
}

namespace {

constexpr const char* kApiVariable = "CORVANE_MIDI_API";

struct Api {
    const char* name;         // as CORVANE_MIDI_API names it
    const char* displayName;  // in messages
    std::unique_ptr<MidiBackend> (*create)(MidiWorker&);
};

constexpr Api kApis[] = {{"alsa", "ALSA", &createAlsaBackend},
                         {"jack", "JACK", &createJackBackend}};

void ignoreJackText(const char*) {}
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Stands in while no back end runs: no devices, no port.
class NoBackend final : public MidiBackend {
  public:
    explicit NoBackend(std::string why) { setError(std::move(why)); }
    ~NoBackend() override { endDumps(); }
    bool isAvailable() override { return false; }

  private:
    std::vector<std::string> devices() override { return {}; }
    MidiResult openPort(int) override { return MidiResult::NoService; }
    MidiResult closePort() override { return MidiResult::NotOpen; }
    DumpOutcome carry(std::vector<std::vector<std::uint8_t>>) override { return {}; }
};

// The first back end that starts; until one does, every use tries them again.
class ChosenMidiOutService final : public MidiOutService {
  public:
    ChosenMidiOutService() {
        // The libraries' own diagnostics would go to stderr; lastError() tells instead.
        jack_set_error_function(ignoreJackText);
        jack_set_info_function(ignoreJackText);
        snd_lib_error_set_handler(ignoreAlsaError);
    }

    bool isAvailable() override { return started().isAvailable(); }
    int deviceCount() override { return started().deviceCount(); }
    std::string deviceName(int id) override { return started().deviceName(id); }
    MidiResult open(int id) override { return started().open(id); }
    MidiResult close() override { return m_backend->close(); }
    bool isOpen() const override { return m_backend->isOpen(); }
    MidiResult send(std::span<const std::uint8_t> message) override {
        return m_backend->send(message);
    }
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override {
        m_backend->sendDump(std::move(packets), std::move(done));
    }
    std::string lastError() const override { return m_backend->lastError(); }

  private:
    MidiBackend& started() {
        if (m_backend->isOpen() || m_backend->isAvailable()) {
            return *m_backend;
        }
        const char* forced = std::getenv(kApiVariable);
        const bool choose = forced != nullptr && *forced != '\0';
        std::string reasons;
        for (const Api& api : kApis) {
            if (choose && std::string_view(forced) != api.name) {
                continue;
            }
            auto backend = api.create(m_worker);
            if (backend->start()) {
                m_backend = std::move(backend);
                return *m_backend;
            }
            reasons += (reasons.empty() ? "" : "; ") + std::string(api.displayName) + ": " +
                       backend->lastError();
        }
        m_backend = std::make_unique<NoBackend>(
            reasons.empty() ? std::string(kApiVariable) + "=" + forced +
                                  " names no MIDI back end of this build (alsa, jack)."
                            : "No MIDI service could be started (" + reasons + ").");
        return *m_backend;
    }

    MidiWorker m_worker;  // outlives the back end, whose calls it runs
    std::unique_ptr<MidiBackend> m_backend = std::make_unique<NoBackend>("");
};

}  // namespace

std::unique_ptr<MidiOutService> createMidiOutService() {
    return std::make_unique<ChosenMidiOutService>();
}

}  // namespace corvane
