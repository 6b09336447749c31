#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <vector>

#include "DefaultDumpListing.h"
#include "FakeMidiOutService.h"
#include "RecordingPacer.h"
#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

const std::vector<Bytes> kDefaultDump = testing::defaultDumpPackets();

// A port opened on the mapper of a fake service, with a pacer that watches the service.
struct OpenPort {
    FakeMidiOutService service;
    MidiOutPort port{service};
    RecordingPacer pacer{&service};

    OpenPort() { port.midiOutOpen(kMidiMapperId); }
};

TEST(UpdateTransfer, SendsTheDefaultDumpInOrderByteForByte) {
    OpenPort fixture;
    const TransferReport report = runUpdateTransfer(defaultSettings(), fixture.port, fixture.pacer);

    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.packetsSent, 10);
    EXPECT_EQ(report.packetsDelivered, 10);
    EXPECT_EQ(report.failedSends, 0);
    EXPECT_EQ(fixture.service.sentMessages(), kDefaultDump);
}

TEST(UpdateTransfer, PausesOneHundredMillisecondsAfterEveryPacketIncludingTheLast) {
    OpenPort fixture;
    runUpdateTransfer(defaultSettings(), fixture.port, fixture.pacer);

    const auto& pauses = fixture.pacer.pauses();
    ASSERT_EQ(pauses.size(), 10u);
    for (std::size_t i = 0; i < pauses.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pauses[i].duration, milliseconds(100));
        // One open, then send i + 1 immediately before pause i: never two sends back to back.
        EXPECT_EQ(pauses[i].callsBefore, i + 2);
    }
}

TEST(UpdateTransfer, SendsWhatTheSettingsHoldAtTheTimeOfTheCall) {
    OpenPort fixture;
    FilterSettings settings = defaultSettings();
    settings.Channel = 9;
    settings.Velocity = 127;
    runUpdateTransfer(settings, fixture.port, fixture.pacer);
    settings.Channel = 3;

    const auto sent = fixture.service.sentMessages();
    ASSERT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent[0][8], 9);
    EXPECT_EQ(sent[0][10], 127);
}

struct FailedSendCase {
    const char* name;
    std::vector<int> failingSends;  // 1-based
    int firstCode;
    int lostAfterSends;  // accepted, then lost on the way (the drain after the last pause)
};

void PrintTo(const FailedSendCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateTransferFailedSend : public ::testing::TestWithParam<FailedSendCase> {};

TEST_P(UpdateTransferFailedSend, CompletesTheSeriesAndReportsTheFirstFailure) {
    const FailedSendCase& c = GetParam();
    OpenPort fixture;
    int code = c.firstCode;
    for (int number : c.failingSends) {
        fixture.service.failSend(number, code++);
    }
    fixture.service.loseInFinish(c.lostAfterSends);
    const auto failed = static_cast<int>(c.failingSends.size());

    const TransferReport report = runUpdateTransfer(defaultSettings(), fixture.port, fixture.pacer);

    EXPECT_EQ(report.status, TransferReport::Status::SendFailed);
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.packetsSent, 10);
    EXPECT_EQ(report.failedSends, failed);
    EXPECT_EQ(report.packetsDelivered, 10 - failed - c.lostAfterSends);
    EXPECT_EQ(resultCode(report.firstError), c.firstCode);
    EXPECT_EQ(report.message,
              failed > 0 ? "fake: send " + std::to_string(c.failingSends.front()) + " failed"
                         : "fake: " + std::to_string(c.lostAfterSends) + " lost on the way");
    // The drain comes after the last pause: it waits for the closing packet too.
    EXPECT_EQ(fixture.service.calls().back().kind, FakeMidiOutService::CallKind::Finish);
    EXPECT_EQ(fixture.pacer.pauses().back().callsBefore, fixture.service.calls().size() - 1);
    // Neither skipped nor repeated: the full dump went out once, in order, still paced.
    EXPECT_EQ(fixture.service.sentMessages(), kDefaultDump);
    EXPECT_EQ(fixture.pacer.pauses().size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateTransferFailedSend,
                         ::testing::Values(FailedSendCase{"first", {1}, 7, 0},
                                           FailedSendCase{"middle", {5}, 1, 0},
                                           FailedSendCase{"closing", {10}, 3, 0},
                                           FailedSendCase{"two", {3, 8}, 11, 0},
                                           FailedSendCase{"lost_on_the_way", {}, 0, 3},
                                           FailedSendCase{"failed_and_lost", {2}, 5, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct NoPortCase {
    const char* name;
    void (*prepare)(MidiOutPort& port, FakeMidiOutService& service);
};

void PrintTo(const NoPortCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateTransferNoPort : public ::testing::TestWithParam<NoPortCase> {};

TEST_P(UpdateTransferNoPort, SendsNothingAndDoesNotWait) {
    FakeMidiOutService service({"Synth"});
    MidiOutPort port(service);
    RecordingPacer pacer(&service);
    GetParam().prepare(port, service);

    const TransferReport report = runUpdateTransfer(defaultSettings(), port, pacer);

    EXPECT_EQ(report.status, TransferReport::Status::NoPort);
    EXPECT_EQ(report.packetsSent, 0);
    EXPECT_FALSE(report.message.empty());
    EXPECT_TRUE(service.sentMessages().empty());
    EXPECT_TRUE(pacer.pauses().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateTransferNoPort,
    ::testing::Values(NoPortCase{"never_opened", [](MidiOutPort&, FakeMidiOutService&) {}},
                      NoPortCase{"open_refused",
                                 [](MidiOutPort& port, FakeMidiOutService& service) {
                                     service.refuseOpen(4);
                                     port.choosePosition(1);
                                 }},
                      NoPortCase{
                          "bad_device_id",
                          [](MidiOutPort& port, FakeMidiOutService&) { port.midiOutOpen(-2); }},
                      NoPortCase{"closed_again",
                                 [](MidiOutPort& port, FakeMidiOutService&) {
                                     port.midiOutOpen(0);
                                     port.midiOutClose();
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateTransfer, RefusesSettingsWithoutAnEncodingBeforeSending) {
    OpenPort fixture;
    FilterSettings settings = defaultSettings();
    settings.SysEx_Pattern[3] = 256;

    const TransferReport report = runUpdateTransfer(settings, fixture.port, fixture.pacer);

    EXPECT_EQ(report.status, TransferReport::Status::Unsendable);
    EXPECT_TRUE(fixture.service.sentMessages().empty());
    EXPECT_TRUE(fixture.pacer.pauses().empty());
}

TEST(SleepPacer, BlocksForAtLeastTheWholePause) {
    SleepPacer pacer;
    const auto start = std::chrono::steady_clock::now();
    pacer.pause(milliseconds(30));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(30));
}

}  // namespace
}  // namespace corvane
