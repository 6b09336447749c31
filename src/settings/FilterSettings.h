#pragma once

#include <array>
#include <cstdint>

namespace corvane {

constexpr int kChannelCount = 16;        // list positions 0..15 = MIDI channels 1..16
constexpr int kTransposePositions = 23;  // list positions 0..22 = transpose -11..+11
constexpr int kTransposeZero = 11;       // list position of transpose 0
constexpr int kVelocityMin = 1;
constexpr int kVelocityMax = 127;
constexpr int kControllerCount = 128;  // controller numbers 0..127
constexpr int kPresetSlotCount = 18;   // slot positions 0..17 = slots 1..18
constexpr int kPatternSize = 16;       // pattern entries 1..16, stored at indexes 0..15

// An inclusive range of values a field may hold.
struct FieldRange {
    int low;
    int high;
    constexpr bool contains(int value) const { return value >= low && value <= high; }
};

constexpr FieldRange kChannelValues{0, kChannelCount - 1};
constexpr FieldRange kTransposeValues{0, kTransposePositions - 1};
constexpr FieldRange kVelocityValues{kVelocityMin, kVelocityMax};
constexpr FieldRange kSlotValues{0, kPresetSlotCount - 1};
constexpr FieldRange kControllerValues{0, kControllerCount - 1};
constexpr FieldRange kCheckValues{0, 1};  // PitchBend, AfterTouch
constexpr FieldRange kCountValues{0, kPatternSize};
constexpr FieldRange kPatternByteValues{0, 255};
constexpr FieldRange kCcModeByteValues{0, kPresetSlotCount};  // 0 = mode All, n = slot n

enum class CcMode { All, One };
enum class SysExMode { All, Specify };

// Per controller: 1 = enabled; any other value is clear.
using CcEnableFlags = std::array<std::int16_t, kControllerCount>;
// Per slot: controller number 0..127.
using CcPresetTable = std::array<std::int16_t, kPresetSlotCount>;
using SysExPatternEntries = std::array<std::int16_t, kPatternSize>;  // byte values 0..255

// The one set of settings the editor holds and the unit receives.
struct FilterSettings {
    std::int16_t Channel = 0;                 // 0..15, MIDI channel minus 1
    std::int16_t Transpose = kTransposeZero;  // 0..22, transpose value plus 11
    std::int16_t Velocity = 100;              // 1..127
    CcMode CC_Mode = CcMode::All;
    CcEnableFlags CC_Enable{};
    std::int16_t CC_Slot = 0;  // 0..17, slot number minus 1; used in mode One
    CcPresetTable CC_Preset{};
    std::int16_t PitchBend = 1;   // 0 or 1
    std::int16_t AfterTouch = 1;  // 0 or 1
    SysExMode SysEx_Mode = SysExMode::All;
    std::int16_t SysEx_Count = 5;         // 0..16, valid entries at the start of SysEx_Pattern
    SysExPatternEntries SysEx_Pattern{};  // index 0 holds entry 1

    bool operator==(const FilterSettings&) const = default;
};

constexpr CcPresetTable kDefaultCcPresets = {0,  1,  2,  5,  7,  10, 11,  64,  65,
                                             66, 67, 80, 81, 91, 93, 120, 121, 123};

constexpr SysExPatternEntries kDefaultSysExPattern = {65,  0,   66,  18,  64,  255, 255, 255,
                                                      255, 255, 255, 255, 255, 255, 255, 255};

// The settings the editor starts with.
FilterSettings defaultSettings();

// The CC mode byte of the dump and the preset file: 0 in mode All, CC_Slot + 1 in mode One.
int ccModeByte(const FilterSettings& settings);
// Sets CC_Mode and CC_Slot from a CC mode byte of 0..18; mode All takes slot 0.
void applyCcModeByte(int byte, FilterSettings& settings);

// The SysEx mode byte of the dump and the preset file: 1 when SysEx_Mode is All or the
// pattern is empty, otherwise 0.
std::uint8_t sysExModeByte(const FilterSettings& settings);
// 1 reads as All, every other value as Specify.
SysExMode sysExModeFromByte(int byte);

}  // namespace corvane
