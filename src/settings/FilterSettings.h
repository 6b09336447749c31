#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

constexpr int kChannelCount = 16;        // list positions 0..15 = MIDI channels 1..16
constexpr int kTransposePositions = 23;  // list positions 0..22 = transpose -11..+11
constexpr int kTransposeZero = 11;       // list position of transpose 0
constexpr int kVelocityMin = 1;
constexpr int kVelocityMax = 127;
constexpr int kControllerCount = 128;  // controller numbers 0..127
constexpr int kPresetSlotCount = 18;   // slot positions 0..17 = slots 1..18
constexpr int kPatternSize = 16;       // pattern entries 1..16, stored at indexes 0..15

// The values a field may hold: an inclusive range, with the field's name for messages. A
// scalar that a preset file may hold out of range has the value a load puts in its place.
struct FieldRange {
    std::string_view name;
    int low;
    int high;
    std::optional<std::int16_t> loadFallback = std::nullopt;

    constexpr bool contains(int value) const { return value >= low && value <= high; }
};

// Every field's range: the one table that the dump check, the dump decoder, the editor and
// the preset reader read.
constexpr FieldRange kChannelValues{"Channel", 0, kChannelCount - 1, 0};
constexpr FieldRange kTransposeValues{"Transpose", 0, kTransposePositions - 1, 0};  // "-11"
constexpr FieldRange kVelocityValues{"Velocity", kVelocityMin, kVelocityMax, 101};
constexpr FieldRange kSlotValues{"CC_Slot", 0, kPresetSlotCount - 1};
constexpr FieldRange kControllerValues{"CC_Preset", 0, kControllerCount - 1};
constexpr FieldRange kPitchBendValues{"PitchBend", 0, 1, 1};
constexpr FieldRange kAfterTouchValues{"AfterTouch", 0, 1, 1};
constexpr FieldRange kCountValues{"SysEx_Count", 0, kPatternSize};
constexpr FieldRange kPatternByteValues{"SysEx_Pattern", 0, 255};
// The bytes that carry the modes: CC 0 = mode All, n = mode One with slot n; SysEx 1 = All.
constexpr FieldRange kCcModeByteValues{"CC slot byte", 0, kPresetSlotCount};
constexpr FieldRange kSysExModeByteValues{"SysEx mode byte", 0, 1};

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
