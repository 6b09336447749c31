#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "midi/MidiOutService.h"

namespace corvane {

// A time on the ALSA sequencer queue's real-time clock, in nanoseconds.
using QueueTime = std::int64_t;

// What the sequencer tells of a dump on its way, each with the queue time it was stamped with.
struct QueueFact {
    enum class Kind {
        Echo,            // our echo, queued after the last packet, came back
        ReceiverGone,    // the destination's port or client left
        ConnectionLost,  // our port's connection to the destination (mapper: its last one) went
        Failed,          // the sequencer reported an error; text says which
        NoAnswer,        // nothing by the deadline, or the service is ending
    };
    Kind kind = Kind::NoAnswer;
    QueueTime at = 0;
    std::string text;
};

// Where our port's packets go when a dump starts.
enum class QueueRoute {
    Connected,  // to the chosen device, or (mapper) to at least one port
    Unrouted,   // the mapper's port is connected to nothing
    Gone,       // the chosen device is not there, under its name or any other address
};

// Our client's sequencer queue, as a dump uses it: the real one on alsa-lib, the tests' one a
// fake. Calls come from the dump's thread, one at a time.
class SequencerQueue {
  public:
    using TimesFrom = std::function<std::vector<QueueTime>(QueueTime now)>;
    // Stops the queue, so that nothing goes out before all is queued; reads its time `now`;
    // queues each packet at `times` = timesFrom(now) and an echo to our own port after the
    // last; lets the queue run on. The error's text, empty when everything was queued; `times`
    // stays empty when the queue's time was not read.
    virtual std::string queueDump(const std::vector<std::vector<std::uint8_t>>& packets,
                                  const TimesFrom& timesFrom, std::vector<QueueTime>& times) = 0;
    // The next fact about the dump; NoAnswer at the deadline.
    virtual QueueFact next(std::chrono::steady_clock::time_point deadline) = 0;
    // Stops the queue and removes whatever of ours is still on it.
    virtual void clear() = 0;

  protected:
    ~SequencerQueue() = default;
};

// Dumps on the kernel's clock: the first packet kFirstPacketLead after the queue's time, but
// no sooner than kPacketPause after the previous dump's last packet, each later one exactly
// kPacketPause after the one before. The kernel dispatches them; the outcome is known when the
// echo comes back, since the sequencer dispatches in time order.
//
// A packet counts as delivered when the echo came back and no loss of the destination (its
// port or client leaving, our connection to it going) was stamped at or before the packet's
// time. An error, or no echo by the deadline, clears the queue; then nothing counts as
// delivered.
class QueueSchedule {
  public:
    // The sequencer dispatches an event due when its queue starts running on the timer's next
    // tick, late; one that lies a little ahead goes out on time.
    static constexpr std::chrono::milliseconds kFirstPacketLead{5};

    // `destination` names the device's port, empty for the mapper.
    DumpOutcome carry(SequencerQueue& queue, std::vector<std::vector<std::uint8_t>> packets,
                      const std::string& destination, QueueRoute route,
                      std::chrono::steady_clock::time_point deadline);

  private:
    std::optional<QueueTime> m_lastPacket;  // of the previous dump
};

}  // namespace corvane
