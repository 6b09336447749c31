#include "midi/UpdateTransfer.h"

#include <algorithm>
#include <thread>

#include "midi/MidiOutPort.h"
#include "settings/SettingsDump.h"

namespace corvane {

void SleepPacer::pause(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    // sleep_until keeps the full pause even when a sleep wakes early.
    std::this_thread::sleep_until(until);
}

TransferReport runUpdateTransfer(const FilterSettings& settings, MidiOutPort& port, Pacer& pacer) {
    TransferReport report;
    if (auto unsendable = findUnsendableValue(settings)) {
        report.status = TransferReport::Status::Unsendable;
        report.message = *unsendable;
        return report;
    }
    if (!port.isOpen()) {
        report.status = TransferReport::Status::NoPort;
        report.message = "No MIDI output device is open.";
        return report;
    }
    for (const DumpPacket& packet : BuildSettingsDump(settings)) {
        const MidiResult result = port.Send_SysEx(packet);
        ++report.packetsSent;
        if (result != MidiResult::Ok) {
            if (report.failedSends == 0) {
                report.firstError = result;
                report.message = port.serviceError();
            }
            ++report.failedSends;
        }
        pacer.pause(kPacketPause);
    }
    const int lost = port.finishSends();
    if (lost > 0 && report.failedSends == 0) {
        report.message = port.serviceError();
    }
    report.packetsDelivered = std::max(0, report.packetsSent - report.failedSends - lost);
    if (report.packetsDelivered < report.packetsSent) {
        report.status = TransferReport::Status::SendFailed;
    }
    return report;
}

}  // namespace corvane
