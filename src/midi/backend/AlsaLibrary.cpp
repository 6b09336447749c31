#include <RtMidi.h>

#include <exception>
#include <iostream>
#include <optional>
#include <thread>

#include "midi/backend/MidiBackend.h"

namespace corvane {

namespace {

// The RtMidi client and what its dumps share; used on the worker only.
struct AlsaClient {
    std::unique_ptr<RtMidiOut> out;
    std::optional<std::string> reported;  // by RtMidi during the current call

    static void onError(RtMidiError::Type type, const std::string& text, void* self) {
        if (type != RtMidiError::DEBUG_WARNING) {
            static_cast<AlsaClient*>(self)->reported = text;
        }
    }

    // Runs one RtMidi call; the error's text, empty when it went well.
    template <typename Call>
    std::string attempt(Call call) {
        reported.reset();
        try {
            call();
        } catch (const std::exception& error) {  // RtMidiError among them
            return error.what();
        }
        return reported.value_or("");
    }
};

class AlsaLibrary final : public MidiLibrary {
  public:
    AlsaLibrary(MidiWorker& worker, LastError& error) : m_worker(worker), m_error(error) {}
    ~AlsaLibrary() override {
        m_worker.run([c = std::move(m_client)]() mutable { c.reset(); }, kCallLimit);
    }

    // A new client: the last one's virtual port, if any, goes with it.
    bool start() {
        auto fresh = std::make_shared<AlsaClient>();
        if (!call(fresh, [c = fresh.get()] {
                // RtMidi writes a failed start's text on std::cerr before it throws; the
                // error has it.
                std::streambuf* const saved = std::cerr.rdbuf(nullptr);
                try {
                    c->out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA,
                                                         std::string(kVirtualPortName));
                } catch (...) {
                    std::cerr.rdbuf(saved);
                    throw;
                }
                std::cerr.rdbuf(saved);
                c->out->setErrorCallback(&AlsaClient::onError, c);
                c->out->getPortCount();
            })) {
            return false;
        }
        m_client = fresh;
        return true;
    }

    std::vector<std::string> devices() override {
        auto names = std::make_shared<std::vector<std::string>>();
        call(m_client, [c = m_client.get(), names] {
            for (unsigned int port = 0; port < c->out->getPortCount(); ++port) {
                names->push_back(c->out->getPortName(port));
            }
        });
        return *names;
    }

    MidiResult openPort(int id, const std::string&) override {
        const bool opened = call(m_client, [c = m_client.get(), id] {
            if (id == kMidiMapperId) {
                c->out->openVirtualPort(std::string(kVirtualPortName));
            } else {
                c->out->openPort(static_cast<unsigned int>(id), std::string(kVirtualPortName));
            }
        });
        m_virtual = id == kMidiMapperId;
        return opened ? MidiResult::Ok : MidiResult::BackendError;
    }

    MidiResult closePort() override {
        const bool closed = call(m_client, [c = m_client.get()] { c->out->closePort(); });
        // A virtual port may stay until its client goes: a new client drops it.
        if (closed && m_virtual) {
            start();
        }
        return closed ? MidiResult::Ok : MidiResult::BackendError;
    }

    // Each packet kPacketPause after the one before, the last one's pause kept for the next dump.
    DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) override {
        DumpOutcome outcome{static_cast<int>(packets.size()), 0, 0, MidiResult::Ok, {}};
        for (auto& packet : packets) {
            std::this_thread::sleep_until(m_nextPacket);
            const bool sent = call(m_client, [c = m_client.get(), bytes = std::move(packet)] {
                c->out->sendMessage(bytes.data(), bytes.size());
            });
            m_nextPacket = std::chrono::steady_clock::now() + kPacketPause;
            if (sent) {
                ++outcome.packetsDelivered;
            } else if (outcome.failedSends++ == 0) {
                outcome.firstError = MidiResult::BackendError;
                outcome.reason = m_error.get();
            }
        }
        return outcome;
    }

  private:
    // Runs one RtMidi call on the worker within kCallLimit; false (the error says why) when
    // it failed or overran.
    template <typename Call>
    bool call(const std::shared_ptr<AlsaClient>& client, Call body) {
        if (!client) {
            return false;
        }
        const auto error = m_worker.get<std::string>(
            [client, body = std::move(body)]() mutable { return client->attempt(body); },
            kCallLimit);
        if (!error || !error->empty()) {
            m_error.set(error ? *error : "The ALSA sequencer did not answer within 1 s.");
            return false;
        }
        return true;
    }

    MidiWorker& m_worker;
    LastError& m_error;
    std::shared_ptr<AlsaClient> m_client;
    bool m_virtual = false;
    std::chrono::steady_clock::time_point
        m_nextPacket{};  // the last packet's pause runs until then
};

}  // namespace

std::unique_ptr<MidiLibrary> startAlsa(MidiWorker& worker, LastError& error) {
    auto library = std::make_unique<AlsaLibrary>(worker, error);
    return library->start() ? std::move(library) : nullptr;
}

}  // namespace corvane
