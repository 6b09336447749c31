#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "midi/MidiOutService.h"
#include "settings/FilterSettings.h"

namespace corvane {

class MidiOutPort;

// An Update's outcome: the dump's, and the reason (DumpOutcome::reason) also when nothing was
// sent.
struct TransferReport : DumpOutcome {
    enum class Status {
        Sent,        // every packet of the dump was delivered
        NoPort,      // no port open: nothing sent
        Unsendable,  // a setting has no encoding: nothing sent
        SendFailed,  // the dump ended with at least one packet not delivered
    };
    Status status = Status::Sent;
    int packetsInDump = 0;  // the dump's packets (10); 0 when nothing was handed to the port

    bool ok() const { return status == Status::Sent; }
};

// The count of a dump's report, without a trailing period: "7 of 10 delivered", or where the
// server gives no word of carriage "7 of 10 sent on time".
std::string countText(const DumpOutcome& outcome, int packetsInDump);

// The Update command's transfers through one port, one dump at a time. The dump is the
// settings as they were at the request; the port's service sends it paced and calls `done`
// on a thread of its own when it has ended. The owner hands that outcome to finish() on its
// own thread, so that every call here runs on that one thread; the next dump may go at once,
// as the service keeps the pause after the closing packet.
class UpdateTransfer {
  public:
    UpdateTransfer(MidiOutPort& port, DumpDone done);

    // An Update. With no dump on its way: settings without an encoding, or no port open, are
    // reported at once, without sending; otherwise the dump of `settings` goes to the port and
    // the report comes from finish(). During a dump: one more dump becomes due for when it has
    // ended, however many requests come meanwhile. Once the program is ending, only the
    // follow-up that finish() asked for is taken; other requests are ignored.
    std::optional<TransferReport> request(const FilterSettings& settings);

    struct Ended {
        TransferReport report;
        // Requests came during the dump: the owner requests once more, at once, with the
        // settings as they stand now; what waits for the transfer waits for that dump too.
        bool followUpDue = false;
        // Requests came during the dump, but the program is ending and nothing of this dump is
        // known to have arrived (a frozen or stopped server would hold the end for a whole
        // second dump): the settings of those requests are not sent, and the owner says so.
        bool followUpDropped = false;
    };
    // The dump in progress has ended with `outcome`. Unless a follow-up is due, runs what
    // waited for it (whenIdle, endWhenIdle) before it returns.
    Ended finish(const DumpOutcome& outcome);

    // Runs `action` now with no dump on its way, else once the dump in progress and its
    // follow-up have ended, in the order given: a device chosen or a port closed during a dump
    // takes effect between dumps, so the unit never receives half a dump, and after the last
    // edit has reached the device it was made for.
    void whenIdle(std::function<void()> action);
    // The program ends: `end` runs now or once the dump in progress and its follow-up have
    // ended, so the unit is left with the settings on screen; no other waiting action runs any
    // more, and later requests are ignored.
    void endWhenIdle(std::function<void()> end);

    bool busy() const { return m_busy; }
    bool ending() const { return m_ending; }
    // Requests came during the dump in progress.

  private:
    void runWaiting();

    MidiOutPort& m_port;
    DumpDone m_done;
    bool m_busy = false;
    bool m_followUp = false;
    bool m_followUpOwed = false;  // finish() asked the owner for the follow-up
    bool m_ending = false;
    std::deque<std::function<void()>> m_waiting;
};

}  // namespace corvane
