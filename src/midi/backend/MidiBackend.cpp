#include "midi/backend/MidiBackend.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "midi/backend/DumpSchedule.h"

namespace corvane {

namespace {

constexpr const char* kApiVariable = "CORVANE_MIDI_API";
constexpr const char* kNotOpenText = "No MIDI output port is open.";

class MidiService final : public MidiOutService {
  public:
    explicit MidiService(std::vector<MidiApi> apis) : m_apis(std::move(apis)) {}
    // The dump thread, declared last, ends first, once a dump on its way is given up.
    ~MidiService() override {
        if (m_library) {
            m_library->stop();
        }
    }

    bool isAvailable() override { return library() != nullptr; }
    std::vector<std::string> deviceNames() override {
        MidiLibrary* library = this->library();
        return library != nullptr ? library->devices() : std::vector<std::string>{};
    }

    MidiResult open(int id, std::string_view expectedName) override {
        if (m_open) {
            close();
        }
        MidiLibrary* library = this->library();
        if (library == nullptr) {
            return MidiResult::NoService;
        }
        // The list the caller showed may be out of date: the id must still name that device.
        if (id != kMidiMapperId) {
            const std::vector<std::string> names = library->devices();
            if (id < 0 || id >= static_cast<int>(names.size()) ||
                names[static_cast<std::size_t>(id)] != expectedName) {
                m_error.set(expectedName.empty()
                                ? "There is no MIDI output device with id " + std::to_string(id) +
                                      "."
                                : "The MIDI output device \"" + std::string(expectedName) +
                                      "\" no longer exists.");
                return MidiResult::BadDeviceId;
            }
        }
        m_openName = id == kMidiMapperId ? std::string() : std::string(expectedName);
        const MidiResult result = library->openPort(id, m_openName);
        m_open = m_portLive = result == MidiResult::Ok;
        return result;
    }

    MidiResult close() override {
        if (!m_open) {
            m_error.set(kNotOpenText);
            return MidiResult::NotOpen;
        }
        m_open = false;
        return std::exchange(m_portLive, false) ? m_library->closePort() : MidiResult::Ok;
    }

    bool isOpen() const override { return m_open; }

    // A port whose server went is opened again first, on the server that runs now.
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override {
        if (m_open) {
            library();
        }
        std::shared_ptr<MidiLibrary> library = m_portLive ? m_library : nullptr;
        const MidiResult refusal = m_open ? MidiResult::BackendError : MidiResult::NotOpen;
        std::string reason = m_open ? m_lostReason : kNotOpenText;
        m_dumps.post([library = std::move(library), packets = std::move(packets),
                      done = std::move(done), refusal, reason = std::move(reason)]() mutable {
            const int count = static_cast<int>(packets.size());
            done(library ? library->carry(std::move(packets))
                         : DumpOutcome{count, 0, count, refusal, reason});
        });
    }

    std::string lastError() const override { return m_error.get(); }

  private:
    // The library that runs; while none does, each use tries them again in order. A port open
    // on a library whose client stopped (its JACK server went) is opened again by its name on
    // the new one; until that succeeds, dumps are refused with the reason.
    MidiLibrary* library() {
        if (!m_library || !m_library->running()) {
            if (m_library && m_portLive) {
                m_portLive = false;
                m_lostReason = kJackServerGone;
            }
            m_library.reset();
            startLibrary();
        }
        if (m_library && m_open && !m_portLive) {
            reopen();
        }
        return m_library.get();
    }

    void startLibrary() {
        const char* forced = std::getenv(kApiVariable);
        const bool choose = forced != nullptr && *forced != '\0';
        std::string reasons;
        std::string known;
        for (const MidiApi& api : m_apis) {
            known += (known.empty() ? "" : ", ") + std::string(api.name);
            if (choose && std::string_view(forced) != api.name) {
                continue;
            }
            if (std::unique_ptr<MidiLibrary> started = api.start(m_worker, m_error)) {
                m_library = std::move(started);
                return;
            }
            reasons +=
                (reasons.empty() ? "" : "; ") + std::string(api.displayName) + ": " + m_error.get();
        }
        m_error.set(reasons.empty() ? std::string(kApiVariable) + "=" + forced +
                                          " names no MIDI back end of this build (" + known + ")."
                                    : "No MIDI service could be started (" + reasons + ").");
    }

    // The open device, found by its name in the new library's list; the mapper has none.
    void reopen() {
        int id = kMidiMapperId;
        if (!m_openName.empty()) {
            const std::vector<std::string> names = m_library->devices();
            const auto found = std::find(names.begin(), names.end(), m_openName);
            if (found == names.end()) {
                m_lostReason = "The MIDI output device " + m_openName + " is not there.";
                return;
            }
            id = static_cast<int>(found - names.begin());
        }
        m_portLive = m_library->openPort(id, m_openName) == MidiResult::Ok;
        if (!m_portLive) {
            m_lostReason = m_error.get();
        }
    }

    const std::vector<MidiApi> m_apis;
    MidiWorker m_worker;  // outlives the library, whose calls it runs
    LastError m_error;
    std::shared_ptr<MidiLibrary> m_library;  // a dump on its way holds it too
    bool m_open = false;       // a port was opened and not closed: the user's choice stands
    bool m_portLive = false;   // and it is open on m_library
    std::string m_openName;    // the device's name; empty for the mapper
    std::string m_lostReason;  // why an open port is not live
    MidiWorker m_dumps;        // carries each dump
};

}  // namespace

std::unique_ptr<MidiOutService> createMidiOutService(std::vector<MidiApi> apis) {
    return std::make_unique<MidiService>(std::move(apis));
}

std::unique_ptr<MidiOutService> createMidiOutService() {
    return createMidiOutService({{"alsa", "ALSA", startAlsa}, {"jack", "JACK", startJack}});
}

}  // namespace corvane
