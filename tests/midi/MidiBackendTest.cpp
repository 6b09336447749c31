#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
                    "CORVANE_MIDI_API=carrier-pigeon names no MIDI back end of this build "
                    "(alsa, jack).");
}

// A fake server the service's library runs on; the test stops it and starts it again.
struct FakeServer {
    std::vector<std::string> devices;
    std::vector<std::pair<int, std::string>> opened;  // every openPort, in order
};

class FakeLibrary final : public MidiLibrary {
  public:
    explicit FakeLibrary(std::shared_ptr<FakeServer> server) : m_server(std::move(server)) {}
    bool running() override { return m_server == current(); }
    std::vector<std::string> devices() override { return m_server->devices; }
    MidiResult openPort(int id, const std::string& name) override {
        m_server->opened.emplace_back(id, name);
        return MidiResult::Ok;
    }
    MidiResult closePort() override { return MidiResult::Ok; }
    DumpOutcome carry(std::vector<std::vector<std::uint8_t>> packets) override {
        const int count = static_cast<int>(packets.size());
        return {count, count, 0, MidiResult::Ok, {}};
    }
    std::function<std::shared_ptr<FakeServer>()> current;  // the server that runs, if any

  private:
    std::shared_ptr<FakeServer> m_server;
};

DumpOutcome dumpOf(MidiOutService& service) {
    std::promise<DumpOutcome> reported;
    service.sendDump(std::vector<std::vector<std::uint8_t>>(10, {0xF0, 0xF7}),
                     [&](const DumpOutcome& outcome) { reported.set_value(outcome); });
    return reported.get_future().get();
}

// The server stops: every dump says so. It starts again: the next use opens the port again on
// it, the device found by its name (now at another id), and dumps go. A device not there after
// the restart is named in the report; the mapper needs none.
TEST(MidiBackend, APortOpenWhenTheServerStoppedIsOpenedAgainByName) {
    struct Case {
        const char* name;
        int id;  // opened before the restart, in {alpha, bravo}
        std::vector<std::string> devicesAfter;
        std::pair<int, std::string> reopened;
        std::string reason;  // after the restart; empty: delivered
    };
    const Case cases[] = {
        {"a device", 1, {"bravo", "charlie"}, {0, "bravo"}, ""},
        {"the mapper", kMidiMapperId, {}, {kMidiMapperId, ""}, ""},
        {"a device gone", 1, {"charlie"}, {}, "The MIDI output device bravo is not there."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv api("CORVANE_MIDI_API", "fake");
        auto current =
            std::make_shared<std::shared_ptr<FakeServer>>(std::make_shared<FakeServer>());
        (*current)->devices = {"alpha", "bravo"};
        auto service = createMidiOutService(
            {{"fake", "Fake",
              [current](MidiWorker&, LastError& error) -> std::unique_ptr<MidiLibrary> {
                  if (!*current) {
                      error.set("no server");
                      return nullptr;
                  }
                  auto library = std::make_unique<FakeLibrary>(*current);
                  library->current = [current] { return *current; };
                  return library;
              }}});
        ASSERT_EQ(service->open(c.id, c.id == kMidiMapperId ? "" : "bravo"), MidiResult::Ok);
        EXPECT_EQ(dumpOf(*service).packetsDelivered, 10);

        current->reset();  // the server stopped
        EXPECT_TRUE(service->deviceNames().empty());
        const DumpOutcome stopped = dumpOf(*service);
        EXPECT_EQ(stopped.packetsDelivered, 0);
        EXPECT_EQ(stopped.reason, "The JACK server has stopped.");
        EXPECT_TRUE(service->isOpen());

        *current = std::make_shared<FakeServer>();  // and started again
        (*current)->devices = c.devicesAfter;
        const DumpOutcome after = dumpOf(*service);
        EXPECT_EQ(after.reason, c.reason);
        EXPECT_EQ(after.packetsDelivered, c.reason.empty() ? 10 : 0);
        using Opened = std::vector<std::pair<int, std::string>>;
        EXPECT_EQ((*current)->opened, c.reason.empty() ? Opened{c.reopened} : Opened{});
        EXPECT_EQ(service->close(), MidiResult::Ok);
    }
}

}  // namespace
}  // namespace corvane
