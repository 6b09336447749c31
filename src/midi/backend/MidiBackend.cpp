#include "midi/backend/MidiBackend.h"

#include <jack/jack.h>

#include <cstdlib>
#include <string_view>

namespace corvane {

namespace {

constexpr const char* kApiVariable = "CORVANE_MIDI_API";
constexpr const char* kNotOpenText = "No MIDI output port is open.";

struct Api {
    const char* name;         // as CORVANE_MIDI_API names it
    const char* displayName;  // in messages
    std::unique_ptr<MidiLibrary> (*start)(MidiWorker&, LastError&);
};

constexpr Api kApis[] = {{"alsa", "ALSA", &startAlsa}, {"jack", "JACK", &startJack}};

void ignoreJackText(const char*) {}

class MidiService final : public MidiOutService {
  public:
    MidiService() {
        // The libraries' own diagnostics would go to stderr; lastError() tells instead.
        jack_set_error_function(ignoreJackText);
        jack_set_info_function(ignoreJackText);
    }
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
        const MidiResult result =
            library->openPort(id, id == kMidiMapperId ? std::string() : std::string(expectedName));
        m_open = result == MidiResult::Ok;
        return result;
    }

    MidiResult close() override {
        if (!m_open) {
            m_error.set(kNotOpenText);
            return MidiResult::NotOpen;
        }
        m_open = false;
        return m_library->closePort();
    }

    bool isOpen() const override { return m_open; }

    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override {
        m_dumps.post([library = m_open ? m_library : nullptr, packets = std::move(packets),
                      done = std::move(done)]() mutable {
            const int count = static_cast<int>(packets.size());
            done(library ? library->carry(std::move(packets))
                         : DumpOutcome{count, 0, count, MidiResult::NotOpen, kNotOpenText});
        });
    }

    std::string lastError() const override { return m_error.get(); }

  private:
    // The library that runs; while none does, each use tries them again in order.
    MidiLibrary* library() {
        if (m_library && (m_open || m_library->running())) {
            return m_library.get();
        }
        m_library.reset();
        const char* forced = std::getenv(kApiVariable);
        const bool choose = forced != nullptr && *forced != '\0';
        std::string reasons;
        for (const Api& api : kApis) {
            if (choose && std::string_view(forced) != api.name) {
                continue;
            }
            if (std::unique_ptr<MidiLibrary> started = api.start(m_worker, m_error)) {
                m_library = std::move(started);
                return m_library.get();
            }
            reasons +=
                (reasons.empty() ? "" : "; ") + std::string(api.displayName) + ": " + m_error.get();
        }
        m_error.set(reasons.empty() ? std::string(kApiVariable) + "=" + forced +
                                          " names no MIDI back end of this build (alsa, jack)."
                                    : "No MIDI service could be started (" + reasons + ").");
        return nullptr;
    }

    MidiWorker m_worker;  // outlives the library, whose calls it runs
    LastError m_error;
    std::shared_ptr<MidiLibrary> m_library;  // a dump on its way holds it too
    bool m_open = false;
    MidiWorker m_dumps;  // carries each dump
};

}  // namespace

std::unique_ptr<MidiOutService> createMidiOutService() {
    return std::make_unique<MidiService>();
}

}  // namespace corvane
