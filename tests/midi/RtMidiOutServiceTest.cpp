#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "midi/MidiOutService.h"
#include "midi/rtmidi/RtMidiOutService.h"

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

// A JACK server name that no server of this machine uses.
std::string absentJackServer() {
    return "corvane-absent-" + std::to_string(getpid());
}

constexpr std::array<std::uint8_t, 3> kMessage = {0xF0, 0x01, 0xF7};

// Every operation of a service without a back end fails with its code and never throws.
void expectNoService(MidiOutService& service, const std::string& reasonPart) {
    EXPECT_FALSE(service.isAvailable());
    EXPECT_EQ(service.deviceCount(), 0);
    EXPECT_EQ(service.deviceName(0), "");
    EXPECT_EQ(service.open(kMidiMapperId), MidiResult::NoService);
    EXPECT_EQ(service.open(0), MidiResult::NoService);
    EXPECT_NE(service.lastError().find(reasonPart), std::string::npos) << service.lastError();
    EXPECT_FALSE(service.isOpen());
    EXPECT_EQ(service.send(kMessage), MidiResult::NotOpen);
    EXPECT_EQ(service.close(), MidiResult::NotOpen);
}

TEST(RtMidiOutService, JackWithoutAServerIsNoServiceAndNothingThrows) {
    ScopedEnv api("CORVANE_MIDI_API", "jack");
    ScopedEnv server("JACK_DEFAULT_SERVER", absentJackServer());
    auto service = createRtMidiOutService();
    ASSERT_NE(service, nullptr);
    expectNoService(*service, "JACK server not running");
}

TEST(RtMidiOutService, AnUnknownApiNameIsNoService) {
    ScopedEnv api("CORVANE_MIDI_API", "carrier-pigeon");
    auto service = createRtMidiOutService();
    expectNoService(*service, "CORVANE_MIDI_API=carrier-pigeon");
}

TEST(RtMidiOutService, UsesTheFirstWorkingApiOrRefusesCleanly) {
    ScopedEnv server("JACK_DEFAULT_SERVER", absentJackServer());
    auto service = createRtMidiOutService();
    if (!service->isAvailable()) {
        expectNoService(*service, "No MIDI service could be started");
        return;
    }
    // A running back end (an ALSA sequencer here): the mapper is a virtual port.
    EXPECT_EQ(service->open(kMidiMapperId), MidiResult::Ok) << service->lastError();
    EXPECT_TRUE(service->isOpen());
    EXPECT_EQ(service->send(kMessage), MidiResult::Ok) << service->lastError();
    EXPECT_EQ(service->close(), MidiResult::Ok);
    EXPECT_FALSE(service->isOpen());
    EXPECT_EQ(service->open(service->deviceCount()), MidiResult::BadDeviceId);
}

}  // namespace
}  // namespace corvane
