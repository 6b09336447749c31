#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "midi/MidiOutService.h"

namespace corvane {

// A MIDI output service for tests: records every call in order and can be told which
// devices exist, to refuse an open, or to fail a chosen send. A dump's packets are recorded
// as sends; the dump then stays on its way until the test ends it with endDump(), or, after
// endDumpsAtOnce(), ends at once on a thread of the fake's, as a real service ends it.
class FakeMidiOutService final : public MidiOutService {
  public:
    enum class CallKind { Open, Close, Send };

    struct Call {
        CallKind kind;
        int deviceId = 0;                    // Open: the id asked for
        std::vector<std::uint8_t> bytes;     // Send: the message
        MidiResult result = MidiResult::Ok;  // what the call returned
    };

    explicit FakeMidiOutService(std::vector<std::string> deviceNames = {});
    ~FakeMidiOutService() override;
    FakeMidiOutService(const FakeMidiOutService&) = delete;
    FakeMidiOutService& operator=(const FakeMidiOutService&) = delete;

    // Set-up.
    void setDeviceNames(std::vector<std::string> names) { m_deviceNames = std::move(names); }
    // An unavailable service has no devices, refuses every open and says so in lastError().
    void setAvailable(bool available);
    // Codes are any number a service may return, shown as they are.
    void refuseOpen(int resultCode) { m_openRefusal = static_cast<MidiResult>(resultCode); }
    // The send with this 1-based number, counted over the service's life, returns resultCode.
    // May be called for several sends.
    void failSend(int sendNumber, int resultCode) {
        m_failingSends[sendNumber] = static_cast<MidiResult>(resultCode);
    }
    // The next dump reports this many of its accepted packets as lost on the way.
    void loseOnTheWay(int count) { m_loseOnTheWay = count; }
    // Dumps report that the server gives no word of carriage (DumpOutcome::carriageKnown).
    void tellNoCarriage() { m_carriageKnown = false; }
    // Every later dump calls its done at once, from a thread of the fake's.
    void endDumpsAtOnce() { m_endAtOnce = true; }
    // Ends the dump on its way: its done runs here, on the caller's thread.
    void endDump();
    bool dumpOnItsWay() const { return m_dumpDone != nullptr; }
    int dumpCount() const { return m_dumpCount; }
    // Calls that the service contract forbids while a dump is on its way (sendDump, open,
    // close); they are carried out all the same.
    int callsDuringADump() const { return m_callsDuringADump; }

    // What happened.
    const std::vector<Call>& calls() const { return m_calls; }
    std::vector<int> openedIds() const;
    std::vector<std::vector<std::uint8_t>> sentMessages() const;
    int closeCount() const;

    bool isAvailable() override { return m_available; }
    std::vector<std::string> deviceNames() override;
    MidiResult open(int id, std::string_view expectedName) override;
    MidiResult close() override;
    bool isOpen() const override { return m_open; }
    void sendDump(std::vector<std::vector<std::uint8_t>> packets, DumpDone done) override;
    std::string lastError() const override { return m_lastError; }

  private:
    // One packet of a dump, recorded as a send.
    MidiResult sendPacket(std::span<const std::uint8_t> message);
    MidiResult record(Call call, std::string error);

    std::vector<std::string> m_deviceNames;
    bool m_available = true;
    std::optional<MidiResult> m_openRefusal;
    std::map<int, MidiResult> m_failingSends;  // send number -> result code
    int m_sendCount = 0;
    int m_loseOnTheWay = 0;
    bool m_carriageKnown = true;
    bool m_endAtOnce = false;
    DumpOutcome m_dumpOutcome;
    DumpDone m_dumpDone;
    int m_dumpCount = 0;
    int m_callsDuringADump = 0;
    std::thread m_doneThread;
    bool m_open = false;
    std::string m_lastError;
    std::vector<Call> m_calls;
};

}  // namespace corvane
