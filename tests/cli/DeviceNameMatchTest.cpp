#include "DeviceNameMatch.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Kind = DeviceNameMatch::Kind;

struct MatchCase {
    std::string name;
    std::string text;
    Kind kind;
    std::vector<std::size_t> positions;
};

void PrintTo(const MatchCase& c, std::ostream* out) {
    *out << c.name;
}

const std::vector<std::string> kChoices = {"MIDI Mapper",  "UM-ONE", "UM-ONE 2",
                                           "Midi Through", "Twin",   "Twin"};

class DeviceNameMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(DeviceNameMatching, FindsTheOneDeviceTheTextNames) {
    const DeviceNameMatch match = matchDeviceName(kChoices, GetParam().text);
    EXPECT_EQ(match.kind, GetParam().kind);
    EXPECT_EQ(match.positions, GetParam().positions);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceNameMatching,
    ::testing::Values(MatchCase{"ExactNameWinsOverLongerNames", "UM-ONE", Kind::One, {1}},
                      MatchCase{"SubstringInOtherCase", "one 2", Kind::One, {2}},
                      MatchCase{"SubstringOfSeveral", "um-one", Kind::Several, {1, 2}},
                      MatchCase{"ExactInOtherCaseIsOnlyASubstring", "um-one 2", Kind::One, {2}},
                      MatchCase{"SameNameTwice", "Twin", Kind::Several, {4, 5}},
                      MatchCase{"MapperIsNoDevice", "Mapper", Kind::None, {}},
                      MatchCase{"Nothing", "Synth", Kind::None, {}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
