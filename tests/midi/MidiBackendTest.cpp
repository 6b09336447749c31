#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "midi/MidiOutService.h"
#include "midi/backend/MidiBackend.h"

namespace corvane {
namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Every operation of a service without a back end fails with its code and never throws; a
// dump is refused whole, reported on a thread of the service's.
void expectNoService(MidiOutService& service, const std::string& reasonPart) {
    EXPECT_FALSE(service.isAvailable());
    EXPECT_TRUE(service.deviceNames().empty());
    EXPECT_EQ(service.open(kMidiMapperId, kMidiMapperName), MidiResult::NoService);
    EXPECT_EQ(service.open(0, "A"), MidiResult::NoService);
    EXPECT_NE(service.lastError().find(reasonPart), std::string::npos) << service.lastError();
    EXPECT_FALSE(service.isOpen());
    EXPECT_EQ(service.close(), MidiResult::NotOpen);

    std::promise<std::pair<DumpOutcome, std::thread::id>> reported;
    service.sendDump({{0xF0, 0xF7}, {0xF0, 0xF7}}, [&](const DumpOutcome& outcome) {
        reported.set_value({outcome, std::this_thread::get_id()});
    });
    const auto [outcome, thread] = reported.get_future().get();
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(outcome.packetsSent, 2);
    EXPECT_EQ(outcome.packetsDelivered, 0);
    EXPECT_EQ(outcome.failedSends, 2);
    EXPECT_EQ(outcome.firstError, MidiResult::NotOpen);
}

TEST(MidiBackend, JackWithoutAServerIsNoService) {
    ScopedEnv api("CORVANE_MIDI_API", "jack");
    ScopedEnv server("JACK_DEFAULT_SERVER", "corvane-absent-" + std::to_string(getpid()));
    expectNoService(*createMidiOutService(), "JACK server not running");
}

TEST(MidiBackend, AnUnknownApiNameIsNoService) {
    ScopedEnv api("CORVANE_MIDI_API", "carrier-pigeon");
    expectNoService(*createMidiOutService(),
                    "CORVANE_MIDI_API=carrier-pigeon names no MIDI back end of this build");
}

}  // namespace
}  // namespace corvane
