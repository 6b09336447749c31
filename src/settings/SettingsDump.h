#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "settings/FilterSettings.h"

namespace corvane {

constexpr std::size_t kPacketSize = 16;
constexpr std::size_t kPacketCount = 10;
constexpr std::size_t kDumpSize = kPacketSize * kPacketCount;  // 160 bytes
constexpr std::uint8_t kClosingPacketIndex = 0x7F;

// Bytes 0..5 of every packet; byte 15 is kSysExEnd.
constexpr std::array<std::uint8_t, 6> kPacketHeader = {0xF0, 0x7D, 0x12, 0x34, 0x31, 0x04};
constexpr std::uint8_t kSysExEnd = 0xF7;

// One system-exclusive packet:
//   0..5  F0 7D 12 34 31 04
//   6     packet index, 00..08, 7F for the closing packet
//   7     high-bit byte: bit 6 = bit 7 of byte 8 ... bit 0 = bit 7 of byte 14
//   8..14 seven data bytes, 00..7F
//   15    F7
using DumpPacket = std::array<std::uint8_t, kPacketSize>;

// The ten packets in sending order: indexes 00..08, then 7F.
using SettingsDump = std::array<DumpPacket, kPacketCount>;

// 128 Enable flags as 16 bytes: byte i covers controllers 8i..8i+7, bit 7 = lowest controller.
using CC_Map = std::array<std::uint8_t, 16>;

CC_Map buildCcMap(const CcEnableFlags& flags);
// Sets the flags of controllers 8 * group .. 8 * group + 7 that one map byte marks: the
// weights 128, 64 ... 1 are taken in turn, so a value above 255 sets all eight flags and a
// negative value none. Flags it does not set keep their value.
void applyCcMapByte(int value, std::size_t group, CcEnableFlags& flags);

// Encodes the settings. Pure. Every field must lie in its documented range (see
// findUnsendableValue); a value outside it is clamped so that no packet carries an illegal byte.
SettingsDump BuildSettingsDump(const FilterSettings& settings);

// Describes the first field that has no encoding in the dump, or nothing when all can be sent.
std::optional<std::string> findUnsendableValue(const FilterSettings& settings);

// The dump as one 160-byte block, as in a raw .syx file.
std::array<std::uint8_t, kDumpSize> flattenDump(const SettingsDump& dump);

struct DumpDecodeResult {
    std::optional<FilterSettings> settings;  // set exactly when the dump is valid
    std::string error;                       // why it was rejected
};

// Reads a 160-byte dump back into settings. What the dump does not carry comes back as:
// CC_Slot 0 in mode All, and SysEx_Mode All when the count is 0.
DumpDecodeResult decodeSettingsDump(std::span<const std::uint8_t> bytes);

}  // namespace corvane
