#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A JACK client of our own beside RtMidi's, which only queues each message for the server
// and says nothing about what becomes of it. The watch notices when the server goes away,
// counts the server's process cycles, remembers the cycles in which it ran late (an xrun),
// skipped our clients or stalled, and can tell whether a port is still connected to another.
// The constructor and destructor talk to the server and may block while it is frozen; the
// other functions only read the library's shared state.
class JackServerWatch {
  public:
    // Connects to the current server (JACK_DEFAULT_SERVER) without starting one. Without a
    // server the watch reports it gone at once.
    JackServerWatch();
    ~JackServerWatch();
    JackServerWatch(const JackServerWatch&) = delete;
    JackServerWatch& operator=(const JackServerWatch&) = delete;

    bool serverGone() const { return m_gone.load(); }
    // Process cycles that began since the watch started.
    std::uint64_t cycles() const { return m_cycles.load(); }
    // Why a message queued while cycle `first` was the latest may have been lost, judged up
    // to cycle `last`: the server ran late or stalled in between, or told of an xrun up to
    // kXrunNewsLate before cycle `first` began. Nothing when it ran well.
    std::optional<std::string> trouble(std::uint64_t first, std::uint64_t last) const;
    // How late the news of an xrun may come. The server tells its clients one after another
    // and waits for each; a client that is stuck holds the news up for about 0.5 s, and the
    // xruns in the meantime are not told at all. So a message is judged until this long after
    // it was queued, and an xrun told up to this long before it counts against it too.
    static constexpr std::chrono::milliseconds kXrunNewsLate{700};
    // Full names of the ports connected to `port`; empty for an unknown port.
    std::vector<std::string> connectionsOf(const std::string& port) const;
    bool connected(const std::string& from, const std::string& to) const;

  private:
    // The library's shared state of a server that has gone may be unmapped: not read then.
    bool live() const { return m_client != nullptr && !serverGone(); }
    static int onProcess(jack_nframes_t frames, void* self);
    static int onXrun(void* self);
    static void onShutdown(void* self);

    // A pause between two cycles longer than this is a stall.
    static constexpr std::chrono::milliseconds kStallGap{250};
    static constexpr std::size_t kCycleHistory = 4096;  // cycles whose start time is kept

    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_gone{false};
    std::atomic<std::uint64_t> m_cycles{0};
    std::array<std::atomic<std::int64_t>, kCycleHistory> m_cycleStartNs{};  // steady clock
    // Frames the server moved on by, beyond the previous cycle's own, before each cycle: more
    // than 0 when the server ran a period without us. Its xrun notice may come much later.
    std::array<std::atomic<std::uint32_t>, kCycleHistory> m_cycleSkippedFrames{};
    jack_nframes_t m_nextFrame = 0;  // where the next cycle starts if none is skipped
    struct XrunNews {
        std::uint64_t cycle;  // the latest cycle when it was told
        std::int64_t toldNs;  // steady clock
    };
    mutable std::mutex m_xrunMutex;
    std::vector<XrunNews> m_xruns;
};

}  // namespace corvane
