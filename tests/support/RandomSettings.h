#pragma once

#include <cstdint>
#include <random>

#include "settings/FilterSettings.h"

namespace corvane::testing {

// Settings with every field in its range. Pattern entries are mostly below 128, so that the
// count of shown entries takes every length, with entries of 128..255 among them.
inline FilterSettings randomValidSettings(std::mt19937& random) {
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
    s.SysEx_Count = pick(0, 16);
    for (auto& entry : s.SysEx_Pattern) {
        entry = pick(0, 3) == 0 ? pick(128, 255) : pick(0, 127);
    }
    return s;
}

}  // namespace corvane::testing
