#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "DefaultDumpListing.h"
#include "FakeMidiOutService.h"
#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::vector<Bytes> kDefaultDump = testing::defaultDumpPackets();

// A transfer on the mapper of a fake service; the dump's end is kept for the test to pass on,
// as a window does on its own thread.
struct OpenTransfer {
    FakeMidiOutService service;
    MidiOutPort port{service};
    std::optional<DumpOutcome> ended;
    UpdateTransfer transfer{port, [this](const DumpOutcome& outcome) { ended = outcome; }};
    std::vector<std::string> events;

    OpenTransfer() { port.midiOutOpen(kMidiMapperId, kMidiMapperName); }

    // The service ends the dump on its way; its outcome goes to the transfer.
    UpdateTransfer::Ended endDump() {
        service.endDump();
        EXPECT_TRUE(ended.has_value());
        const DumpOutcome outcome = ended.value_or(DumpOutcome{});
        ended.reset();
        return transfer.finish(outcome);
    }
};

TEST(UpdateTransfer, SendsTheSettingsAsTheyWereAtTheRequestAndReportsAtTheEnd) {
    OpenTransfer fixture;
    FilterSettings settings = defaultSettings();
    EXPECT_FALSE(fixture.transfer.request(settings).has_value());
    settings.Channel = 3;

    EXPECT_TRUE(fixture.transfer.busy());
    EXPECT_EQ(fixture.service.sentMessages(), kDefaultDump);
    EXPECT_FALSE(fixture.ended.has_value()) << "the report waits for the dump's end";

    const UpdateTransfer::Ended ended = fixture.endDump();
    EXPECT_TRUE(ended.report.ok());
    EXPECT_EQ(ended.report.packetsDelivered, 10);
    EXPECT_FALSE(ended.followUpDue);
    EXPECT_FALSE(fixture.transfer.busy());
    EXPECT_EQ(fixture.service.dumpCount(), 1);
}

struct FailedDumpCase {
    const char* name;
    std::vector<int> failingSends;  // 1-based
    int firstCode;
    int lostOnTheWay;  // accepted, then lost
    int expectedCode;
};

void PrintTo(const FailedDumpCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateTransferFailedDump : public ::testing::TestWithParam<FailedDumpCase> {};

TEST_P(UpdateTransferFailedDump, ReportsWhatTheServiceKnows) {
    const FailedDumpCase& c = GetParam();
    OpenTransfer fixture;
    int code = c.firstCode;
    for (int number : c.failingSends) {
        fixture.service.failSend(number, code++);
    }
    fixture.service.loseOnTheWay(c.lostOnTheWay);
    const auto failed = static_cast<int>(c.failingSends.size());

    fixture.transfer.request(defaultSettings());
    const TransferReport report = fixture.endDump().report;

    EXPECT_EQ(report.status, TransferReport::Status::SendFailed);
    EXPECT_EQ(report.packetsInDump, 10);
    EXPECT_EQ(report.packetsSent, 10);
    EXPECT_EQ(report.failedSends, failed);
    EXPECT_EQ(report.packetsDelivered, 10 - failed - c.lostOnTheWay);
    EXPECT_EQ(resultCode(report.firstError), c.expectedCode);
    EXPECT_EQ(report.reason,
              failed > 0 ? "fake: send " + std::to_string(c.failingSends.front()) + " failed"
                         : "fake: " + std::to_string(c.lostOnTheWay) + " lost on the way");
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateTransferFailedDump,
                         ::testing::Values(FailedDumpCase{"first", {1}, 7, 0, 7},
                                           FailedDumpCase{"closing", {10}, 3, 0, 3},
                                           FailedDumpCase{"two", {3, 8}, 11, 0, 11},
                                           FailedDumpCase{"lost_on_the_way", {}, 0, 3, 1},
                                           FailedDumpCase{"failed_and_lost", {2}, 5, 1, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateTransfer, AServiceThatStopsEarlyHasNotDeliveredTheDump) {
    OpenTransfer fixture;
    fixture.transfer.request(defaultSettings());
    fixture.service.endDump();
    const UpdateTransfer::Ended ended = fixture.transfer.finish(
        {.packetsSent = 4, .packetsDelivered = 4, .failedSends = 0, .reason = "server gone"});
    EXPECT_EQ(ended.report.status, TransferReport::Status::SendFailed);
    EXPECT_EQ(ended.report.packetsDelivered, 4);
    EXPECT_EQ(ended.report.packetsInDump, 10);
}

struct RefusedCase {
    const char* name;
    void (*prepare)(MidiOutPort& port, FakeMidiOutService& service, FilterSettings& settings);
    TransferReport::Status status;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateTransferRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(UpdateTransferRefused, ReportsAtOnceAndSendsNothing) {
    FakeMidiOutService service({"Synth"});
    MidiOutPort port(service);
    FilterSettings settings = defaultSettings();
    port.midiOutOpen(0, "Synth");
    GetParam().prepare(port, service, settings);
    bool doneRan = false;
    UpdateTransfer transfer(port, [&](const DumpOutcome&) { doneRan = true; });

    const std::optional<TransferReport> report = transfer.request(settings);

    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->status, GetParam().status);
    EXPECT_EQ(report->packetsSent, 0);
    EXPECT_FALSE(report->reason.empty());
    EXPECT_FALSE(transfer.busy());
    EXPECT_FALSE(doneRan);
    EXPECT_EQ(service.dumpCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateTransferRefused,
    ::testing::Values(RefusedCase{"closed",
                                  [](MidiOutPort& port, FakeMidiOutService&, FilterSettings&) {
                                      port.midiOutClose();
                                  },
                                  TransferReport::Status::NoPort},
                      RefusedCase{
                          "open_refused",
                          [](MidiOutPort& port, FakeMidiOutService& service, FilterSettings&) {
                              service.refuseOpen(4);
                              port.choosePosition(1, "Synth");
                          },
                          TransferReport::Status::NoPort},
                      RefusedCase{"pattern_without_a_byte",
                                  [](MidiOutPort&, FakeMidiOutService&, FilterSettings& settings) {
                                      settings.SysEx_Pattern[3] = 256;
                                  },
                                  TransferReport::Status::Unsendable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateTransfer, RequestsDuringADumpGiveOneFollowUpOfTheSettingsAtItsEnd) {
    for (const int during : {0, 1, 3}) {
        SCOPED_TRACE(during);
        OpenTransfer fixture;
        FilterSettings settings = defaultSettings();
        fixture.transfer.request(settings);
        for (int i = 0; i < during; ++i) {
            settings.Channel = i + 1;
            EXPECT_FALSE(fixture.transfer.request(settings).has_value());
        }
        EXPECT_EQ(fixture.service.dumpCount(), 1) << "never two dumps at once";

        const UpdateTransfer::Ended ended = fixture.endDump();
        EXPECT_EQ(ended.followUpDue, during > 0);
        if (ended.followUpDue) {
            settings.Channel = 9;  // as the window stands when the first dump ends
            fixture.transfer.request(settings);
            EXPECT_FALSE(fixture.endDump().followUpDue);
        }
        EXPECT_EQ(fixture.service.dumpCount(), during > 0 ? 2 : 1);
        EXPECT_EQ(fixture.service.sentMessages().back().size(), 16u);
        if (during > 0) {
            EXPECT_EQ(fixture.service.sentMessages()[10][8], 9);
        }
        EXPECT_EQ(fixture.service.callsDuringADump(), 0);
    }
}

// A device chosen or the end asked for during a dump waits for its follow-up too, so that the
// last edit reaches the device it was made for; at the end a dump of which nothing arrived is
// not followed up, so a frozen server does not hold the end for a second dump's whole wait.
TEST(UpdateTransfer, WhatWaitsForTheTransferWaitsForTheFollowUp) {
    struct Case {
        const char* name;
        bool ending;
        int lostInFirst;      // packets of the first dump lost on the way
        bool refuseFollowUp;  // the port is closed when the follow-up is asked for
        bool followUpSent;
        bool followUpDropped;
        std::vector<std::string> events;  // what ran, with "follow-up" when it was asked for
    };
    const Case cases[] = {
        {"device chosen", false, 0, false, true, false, {"follow-up", "waited"}},
        {"device chosen after a failed dump",
         false,
         3,
         false,
         true,
         false,
         {"follow-up", "waited"}},
        {"end", true, 0, false, true, false, {"follow-up", "waited"}},
        {"end after a dump with losses", true, 3, false, true, false, {"follow-up", "waited"}},
        {"end after a dump of which nothing arrived", true, 10, false, false, true, {"waited"}},
        {"end, the follow-up refused", true, 0, true, false, false, {"follow-up", "waited"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenTransfer fixture;
        fixture.service.loseOnTheWay(c.lostInFirst);
        fixture.transfer.request(defaultSettings());
        FilterSettings onScreen = defaultSettings();
        onScreen.Channel = 6;
        fixture.transfer.request(onScreen);
        const auto waited = [&] { fixture.events.push_back("waited"); };
        if (c.ending) {
            fixture.transfer.endWhenIdle(waited);
        } else {
            fixture.transfer.whenIdle(waited);
        }

        const UpdateTransfer::Ended first = fixture.endDump();
        EXPECT_EQ(first.followUpDropped, c.followUpDropped);
        if (first.followUpDue) {
            fixture.events.push_back("follow-up");
            if (c.refuseFollowUp) {
                fixture.port.midiOutClose();
            }
            const auto refused = fixture.transfer.request(onScreen);
            EXPECT_EQ(refused.has_value(), c.refuseFollowUp);
        }
        if (fixture.transfer.busy()) {
            EXPECT_EQ(fixture.events, std::vector<std::string>{"follow-up"});
            EXPECT_FALSE(fixture.endDump().followUpDue);
        }
        EXPECT_EQ(fixture.events, c.events);
        EXPECT_EQ(fixture.service.dumpCount(), c.followUpSent ? 2 : 1);
        if (c.followUpSent) {
            EXPECT_EQ(fixture.service.sentMessages()[10][8], 6) << "the settings on screen";
        }
        EXPECT_EQ(fixture.service.callsDuringADump(), 0);
    }
}

TEST(UpdateTransfer, TheEndCancelsTheOtherWaitingActionsAndLaterRequests) {
    OpenTransfer fixture;
    fixture.transfer.request(defaultSettings());
    fixture.transfer.whenIdle([&] { fixture.events.push_back("device chosen"); });
    fixture.transfer.endWhenIdle([&] { fixture.events.push_back("end"); });
    EXPECT_TRUE(fixture.events.empty());
    EXPECT_FALSE(fixture.transfer.request(defaultSettings()).has_value());

    const UpdateTransfer::Ended ended = fixture.endDump();
    EXPECT_EQ(fixture.events, std::vector<std::string>{"end"});
    EXPECT_FALSE(ended.followUpDue);
    EXPECT_TRUE(fixture.transfer.ending());
    EXPECT_EQ(fixture.service.dumpCount(), 1);
}

}  // namespace
}  // namespace corvane
