#include <gtest/gtest.h>

#include <random>

#include "PresetFile.h"
#include "SettingsDump.h"
#include "SysExPatternText.h"

namespace corvane {
namespace {

FilterSettings randomValidSettings(std::mt19937& random) {
    auto pick = [&random](int low, int high) {
        return static_cast<std::int16_t>(std::uniform_int_distribution<int>(low, high)(random));
    };
    FilterSettings s;
    s.Channel = pick(0, 15);
    s.Transpose = pick(0, 22);
    s.Velocity = pick(1, 127);
    s.CC_Mode = pick(0, 1) == 0 ? CcMode::All : CcMode::One;
    for (auto& flag : s.CC_Enable) {
        flag = pick(0, 1);
    }
    s.CC_Slot = pick(0, 17);
    for (auto& controller : s.CC_Preset) {
        controller = pick(0, 127);
    }
    s.PitchBend = pick(0, 1);
    s.AfterTouch = pick(0, 1);
    s.SysEx_Mode = pick(0, 1) == 0 ? SysExMode::All : SysExMode::Specify;
    // Mostly short patterns so that the recount meets every length.
    for (auto& entry : s.SysEx_Pattern) {
        entry = pick(0, 3) == 0 ? pick(128, 255) : pick(0, 127);
    }
    s.SysEx_Count = countShownEntries(s.SysEx_Pattern);
    return s;
}

// What a load gives back: the slot chosen in mode All is not stored, and Specify with an
// empty pattern is stored as All.
FilterSettings asLoaded(FilterSettings s) {
    if (s.CC_Mode == CcMode::All) {
        s.CC_Slot = 0;
    }
    if (s.SysEx_Count == 0) {
        s.SysEx_Mode = SysExMode::All;
    }
    return s;
}

TEST(PresetRoundTrip, WriteReadDumpKeepsRandomSettings) {
    std::mt19937 random(77031);
    for (int round = 0; round < 1000; ++round) {
        const FilterSettings original = randomValidSettings(random);
        const PresetReadResult loaded = readPresetText(writePresetText(original));
        ASSERT_TRUE(loaded.ok()) << "round " << round << ": " << loaded.reason;
        ASSERT_EQ(*loaded.settings, asLoaded(original)) << "round " << round;
        ASSERT_EQ(BuildSettingsDump(*loaded.settings), BuildSettingsDump(original))
            << "round " << round;
    }
}

}  // namespace
}  // namespace corvane
