#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "midi/MidiModule.h"

namespace corvane {
namespace {

// The test program has no MIDI module beside it or in its library folder: the service must
// then act as one without a back end and say why, not crash or claim a port.
TEST(MidiModule, WithoutTheModuleTheServiceHasNoBackEnd) {
    const auto service = createModuleMidiOutService();
    EXPECT_FALSE(service->isOpen());
    EXPECT_FALSE(service->isAvailable());
    EXPECT_EQ(service->deviceCount(), 0);
    EXPECT_EQ(service->deviceName(0), "");
    EXPECT_EQ(service->open(0), MidiResult::NoService);
    EXPECT_NE(service->lastError().find("corvane-midi-rtmidi.so"), std::string::npos)
        << service->lastError();
    const std::array<std::uint8_t, 2> message{0xF0, 0xF7};
    EXPECT_EQ(service->send(message), MidiResult::NotOpen);
    EXPECT_EQ(service->close(), MidiResult::NotOpen);
    EXPECT_FALSE(service->isOpen());
}

}  // namespace
}  // namespace corvane
