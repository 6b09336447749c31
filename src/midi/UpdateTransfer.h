#pragma once

#include <chrono>
#include <string>

#include "midi/MidiOutService.h"
#include "settings/FilterSettings.h"

namespace corvane {

class MidiOutPort;

// The pause after each packet. Tests substitute one that only records.
class Pacer {
  public:
    virtual ~Pacer() = default;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

// Blocks the calling thread for the full duration, measured from the call.
class SleepPacer final : public Pacer {
  public:
    void pause(std::chrono::milliseconds duration) override;
};

struct TransferReport {
    enum class Status {
        Sent,        // all ten packets were accepted
        NoPort,      // no port open: nothing sent, no pauses
        Unsendable,  // a setting has no encoding: nothing sent
        SendFailed,  // the series completed but at least one packet was not delivered
    };
    Status status = Status::Sent;
    int packetsSent = 0;       // sends attempted
    int packetsDelivered = 0;  // accepted by the send and not lost afterwards
    int failedSends = 0;
    MidiResult firstError = MidiResult::Ok;  // result of the first failed send
    std::string message;                     // the first error's text, or why nothing was sent

    bool ok() const { return status == Status::Sent; }
};

// Sends the settings as the ten-packet dump, each packet followed by a pause of 100 ms,
// the closing packet too. A failed send does not stop the series. After the last pause the
// port is drained, so a packet lost on the way also counts as not delivered.
TransferReport runUpdateTransfer(const FilterSettings& settings, MidiOutPort& port, Pacer& pacer);

}  // namespace corvane
