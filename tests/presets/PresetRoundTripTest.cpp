#include <gtest/gtest.h>

#include <random>

#include "RandomSettings.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"
#include "settings/SysExPatternText.h"

namespace corvane {
namespace {

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
        FilterSettings original = testing::randomValidSettings(random);
        // A load recounts the pattern, so a saved count is always the shown count.
        original.SysEx_Count = countShownEntries(original.SysEx_Pattern);
        const PresetReadResult loaded = readPresetText(writePresetText(original));
        ASSERT_TRUE(loaded.ok()) << "round " << round << ": " << loaded.reason;
        ASSERT_EQ(*loaded.settings, asLoaded(original)) << "round " << round;
        ASSERT_EQ(BuildSettingsDump(*loaded.settings), BuildSettingsDump(original))
            << "round " << round;
    }
}

}  // namespace
}  // namespace corvane
