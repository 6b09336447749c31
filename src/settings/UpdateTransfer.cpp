#include "UpdateTransfer.h"

#include <thread>

#include "SettingsDump.h"

namespace corvane {

void SleepPacer::pause(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    // sleep_until keeps the full pause even when a sleep wakes early.
    std::this_thread::sleep_until(until);
}

TransferReport runUpdateTransfer(const FilterSettings& settings, SysExSink& sink, Pacer& pacer) {
    TransferReport report;
    if (auto unsendable = findUnsendableValue(settings)) {
        report.status = TransferReport::Status::Unsendable;
        report.message = *unsendable;
        return report;
    }
    if (!sink.isOpen()) {
        report.status = TransferReport::Status::NoPort;
        report.message = "No MIDI output device is open.";
        return report;
    }
    for (const DumpPacket& packet : BuildSettingsDump(settings)) {
        const int rc = sink.Send_SysEx(packet);
        ++report.packetsSent;
        if (rc != 0) {
            if (report.failedSends == 0) {
                report.firstErrorCode = rc;
                report.message = sink.errorText();
            }
            ++report.failedSends;
        }
        pacer.pause(kPacketPause);
    }
    if (report.failedSends > 0) {
        report.status = TransferReport::Status::SendFailed;
    }
    return report;
}

}  // namespace corvane
