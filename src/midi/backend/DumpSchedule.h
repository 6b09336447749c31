#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "midi/MidiOutService.h"

namespace corvane {

extern const char* const kJackServerGone;

// What the JACK client knows at the start of one of its process cycles.
struct CycleFacts {
    std::uint32_t start = 0;    // the server's frame time of the cycle's first frame
    std::uint32_t frames = 0;   // frames in this cycle
    bool connected = false;     // our port is connected to the chosen destination
    bool receiverGone = false;  // the destination port no longer exists
    std::uint64_t xruns = 0;    // xruns the server has told us of so far
    // Our callback began when the cycle's time was already up (jack_frames_since_cycle_start()
    // at or past its frames): the server may have gone on without what we write.
    bool late = false;
};

// Where a cycle's packets go: the port's buffer of that cycle.
class PacketSink {
  public:
    // False when the buffer has no room for the packet.
    virtual bool write(std::uint32_t offset, std::span<const std::uint8_t> packet) = 0;

  protected:
    ~PacketSink() = default;
};

// One dump on the server's clock. The process callback hands it each cycle's facts; it writes
// each packet at its frame: the first in the first cycle in which the connection to the
// destination is a fact (at once for the mapper, whose routing is the user's), but no sooner
// than rate/10 frames after the previous dump's last packet (previousFrame), each later one
// exactly rate/10 frames after the one before. One whose frame lay in a cycle we did not run
// goes first in the next. A connection still not made kConnectLimit after the first cycle ends
// the dump unsent.
//
// A packet counts as delivered when the cycle it was written in began on time for us, was
// followed by our next cycle without a gap (so the server ran the cycle with us), the port was
// connected to the destination in both, and no xrun was told from its cycle until the cycle
// after the last packet's, which is when the outcome is known. A dump given up (the server
// stopped or froze) delivered nothing known.
//
// cycle() runs on the server's real-time thread: it neither allocates nor blocks.
class DumpSchedule {
  public:
    // The connection is awaited at most this long (it is made within a few ms); the dump then
    // still ends well within its limit.
    static constexpr std::chrono::milliseconds kConnectLimit{200};

    // awaitConnection: the first packet waits for CycleFacts::connected (a device's port).
    DumpSchedule(std::vector<std::vector<std::uint8_t>> packets, std::uint32_t rate,
                 std::optional<std::uint32_t> previousFrame = std::nullopt,
                 bool awaitConnection = false);

    // Returns true once the outcome is known; from then on it writes nothing.
    bool cycle(const CycleFacts& facts, PacketSink& sink);
    // The frame the last written packet went at.
    std::optional<std::uint32_t> lastFrame() const;
    // The outcome once judged. `destination` names the device's port; empty for the mapper.
    DumpOutcome outcome(const std::string& destination) const;
    // The outcome of a dump given up before it was judged: the server stopped (serverGone) or
    // did not run it through in time.
    DumpOutcome givenUp(bool serverGone) const;

  private:
    struct Record {
        std::uint32_t frame = 0;
        std::uint64_t xruns = 0;  // told when its cycle began
        bool refused = false;     // the buffer had no room
        bool connected = false;   // in its cycle and in the next
        bool receiverGone = false;
        bool followed = false;  // our next cycle came without a gap
        bool late = false;      // its cycle began late for us
    };

    std::vector<std::vector<std::uint8_t>> m_packets;
    std::vector<Record> m_records;
    std::uint32_t m_pause;
    std::optional<std::uint32_t> m_firstStart;  // of the first cycle handed over
    bool m_neverConnected = false;              // ended unsent, the connection not made
    bool m_receiverMissing = false;             // and the destination port not there
    std::optional<std::uint32_t> m_previousFrame;
    std::uint32_t m_connectLimit;  // in frames
    bool m_awaitConnection;
    std::size_t m_next = 0;          // the next packet to write
    std::size_t m_firstOfCycle = 0;  // the first packet written in the last cycle
    bool m_hadCycle = false;
    std::uint32_t m_lastStart = 0;
    std::uint32_t m_lastFrames = 0;
    std::uint64_t m_finalXruns = 0;
    bool m_judged = false;
};

}  // namespace corvane
