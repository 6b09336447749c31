#include <RtMidi.h>

#include <climits>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <vector>

#include "JackServerWatch.h"
#include "MidiLibraryQuiet.h"
#include "midi/MidiOutService.h"

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

class RtMidiOutService final : public MidiOutService {
  public:
    // The back end starts on first use, so the editor starts without a MIDI client.
    RtMidiOutService() { quietMidiLibraries(); }
    // RtMidi holds a pointer to the service for its error reports.
    RtMidiOutService(const RtMidiOutService&) = delete;
    RtMidiOutService& operator=(const RtMidiOutService&) = delete;

    bool isAvailable() override { return ensureStarted(); }

    int deviceCount() override {
        unsigned int count = 0;
        if (!ensureStarted() || !attempt([&] { count = m_out->getPortCount(); })) {
            return 0;
        }
        return count > INT_MAX ? INT_MAX : static_cast<int>(count);
    }

    std::string deviceName(int id) override {
        std::string name;
        if (id >= 0 && ensureStarted()) {
            attempt([&] { name = m_out->getPortName(static_cast<unsigned int>(id)); });
        }
        return name;
    }

    MidiResult open(int id) override {
        if (!ensureStarted()) {
            return MidiResult::NoService;
        }
        if (m_open) {
            close();
        }
        if (id == kMidiMapperId) {
            return openMapper();
        }
        if (id < 0 || id >= deviceCount()) {
            m_lastError = "There is no MIDI output device with id " + std::to_string(id) + ".";
            return MidiResult::BadDeviceId;
        }
        return openDevice(id);
    }

    MidiResult close() override {
        if (!m_open) {
            m_lastError = "No MIDI output port is open.";
            return MidiResult::NotOpen;
        }
        const bool closed = attempt([&] { m_out->closePort(); });
        m_open = false;
        const bool serverGone = m_jackWatch && m_jackWatch->serverGone();
        m_jackWatch.reset();
        if (serverGone) {
            // The client died with its server; the next use starts a new one.
            m_out.reset();
        } else if (m_virtual) {
            // Some back ends keep a virtual port until the client goes; a new client drops it.
            startApi(m_api);
        }
        return closed ? MidiResult::Ok : MidiResult::BackendError;
    }

    bool isOpen() const override { return m_open; }

    MidiResult send(std::span<const std::uint8_t> message) override {
        if (!m_open) {
            m_lastError = "No MIDI output port is open.";
            return MidiResult::NotOpen;
        }
        if (!attempt([&] { m_out->sendMessage(message.data(), message.size()); })) {
            return MidiResult::BackendError;
        }
        if (m_jackWatch && m_jackWatch->serverGone()) {
            m_lastError = "The JACK server has stopped; the message was not delivered.";
            return MidiResult::BackendError;
        }
        return MidiResult::Ok;
    }

    std::string lastError() const override { return m_lastError; }

  private:
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

    bool ensureStarted() { return m_out != nullptr || startFirstWorkingApi(); }

    bool startApi(RtMidi::Api api) {
        m_jackWatch.reset();
        m_out.reset();
        m_open = false;
        m_virtual = false;
        try {
            SilencedCerr quiet;
            m_out = std::make_unique<RtMidiOut>(api, std::string(kVirtualPortName));
        } catch (const std::exception& error) {
            m_lastError = error.what();
            return false;
        }
        m_out->setErrorCallback(&RtMidiOutService::onError, this);
        // JACK's client starts even without a server and fails only on use: probe it.
        if (!attempt([&] { m_out->getPortCount(); })) {
            m_out.reset();
            return false;
        }
        m_api = api;
        return true;
    }

    MidiResult openMapper() {
        if (hasVirtualPorts(m_api)) {
            if (!attempt([&] { m_out->openVirtualPort(std::string(kVirtualPortName)); })) {
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
        bool opened = false;
        if (!attempt([&] {
                m_out->openPort(static_cast<unsigned int>(id), std::string(kVirtualPortName));
                opened = m_out->isPortOpen();
            })) {
            return MidiResult::BackendError;
        }
        if (!opened) {
            m_lastError = "The MIDI back end did not open device " + std::to_string(id) + ".";
            return MidiResult::BackendError;
        }
        markOpen(false);
        return MidiResult::Ok;
    }

    void markOpen(bool isVirtual) {
        m_open = true;
        m_virtual = isVirtual;
        if (m_api == RtMidi::UNIX_JACK) {
            m_jackWatch = std::make_unique<JackServerWatch>();
        }
    }

    // Runs one RtMidi call. False when it threw or reported an error; the text is then in
    // m_lastError. Nothing RtMidi throws leaves this function.
    template <typename Call>
    bool attempt(Call&& call) {
        m_reported.reset();
        try {
            call();
        } catch (const RtMidiError& error) {
            m_lastError = error.getMessage();
            return false;
        } catch (const std::exception& error) {
            m_lastError = error.what();
            return false;
        }
        if (m_reported) {
            m_lastError = *m_reported;
            return false;
        }
        return true;
    }

    static void onError(RtMidiError::Type type, const std::string& text, void* self) {
        if (type != RtMidiError::DEBUG_WARNING) {
            static_cast<RtMidiOutService*>(self)->m_reported = text;
        }
    }

    std::unique_ptr<RtMidiOut> m_out;
    std::unique_ptr<JackServerWatch> m_jackWatch;  // while a JACK port is open
    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
    bool m_open = false;
    bool m_virtual = false;
    std::optional<std::string> m_reported;  // reported by RtMidi during the current call
    std::string m_lastError;
};

}  // namespace

std::unique_ptr<MidiOutService> createRtMidiOutService() {
    return std::make_unique<RtMidiOutService>();
}

}  // namespace corvane
