#include "settings/SettingsDump.h"

#include <algorithm>
#include <string_view>

namespace corvane {

namespace {

constexpr std::size_t kHighBitByte = 7;
constexpr std::size_t kIndexByte = 6;
constexpr std::size_t kFirstDataByte = 8;
constexpr std::size_t kDataBytesPerPacket = 7;
constexpr std::size_t kDataPacketCount = 9;        // indexes 00..08
constexpr std::size_t kPatternTailPacket = 8;      // carries entries 15 and 16
constexpr std::size_t kKeptBytesInTailPacket = 5;  // bytes 10..14 stay from packet 07
constexpr std::uint8_t kSevenBits = 0x7F;
constexpr std::uint8_t kTopBit = 0x80;

// Every range of the table lies within 0..255.
std::uint8_t clampToByte(const FieldRange& range, int value) {
    return static_cast<std::uint8_t>(std::clamp(value, range.low, range.high));
}

std::string rangeMessage(const FieldRange& range, std::string_view which, int value) {
    std::string text(range.name);
    if (!which.empty()) {
        text += ' ';
        text += which;
    }
    return text + " is " + std::to_string(value) + "; it must be " + std::to_string(range.low) +
           " to " + std::to_string(range.high) + ".";
}

// The seven data values of each data packet (00..07 fully, 08 only bytes 8 and 9), before
// packing: 9 packets of 7 bytes laid end to end.
using DataStream = std::array<std::uint8_t, kDataPacketCount * kDataBytesPerPacket>;

constexpr std::size_t kCcMapStart = 4;
constexpr std::size_t kPresetStart = kCcMapStart + 16;
constexpr std::size_t kPitchBendPos = kPresetStart + kPresetSlotCount;
constexpr std::size_t kAfterTouchPos = kPitchBendPos + 1;
constexpr std::size_t kSysExModePos = kAfterTouchPos + 1;
constexpr std::size_t kCountPos = kSysExModePos + 1;
constexpr std::size_t kPatternStart = kCountPos + 1;
static_assert(kPatternStart == 6 * kDataBytesPerPacket);
static_assert(kPatternStart + kPatternSize == kPatternTailPacket * kDataBytesPerPacket + 2);

// The fields that travel as one data byte each, as they are.
struct ScalarField {
    const FieldRange* range;
    std::size_t position;  // in the data stream
    std::int16_t FilterSettings::*member;
};
constexpr ScalarField kScalarFields[] = {
    {&kChannelValues, 0, &FilterSettings::Channel},
    {&kTransposeValues, 1, &FilterSettings::Transpose},
    {&kVelocityValues, 2, &FilterSettings::Velocity},
    {&kPitchBendValues, kPitchBendPos, &FilterSettings::PitchBend},
    {&kAfterTouchValues, kAfterTouchPos, &FilterSettings::AfterTouch},
    {&kCountValues, kCountPos, &FilterSettings::SysEx_Count},
};
constexpr std::size_t kCcModePos = 3;

DataStream buildDataStream(const FilterSettings& settings) {
    DataStream data{};
    for (const ScalarField& field : kScalarFields) {
        data[field.position] = clampToByte(*field.range, settings.*field.member);
    }
    data[kCcModePos] = clampToByte(kCcModeByteValues, ccModeByte(settings));
    const CC_Map map = buildCcMap(settings.CC_Enable);
    std::copy(map.begin(), map.end(), data.begin() + kCcMapStart);
    for (std::size_t slot = 0; slot < kPresetSlotCount; ++slot) {
        data[kPresetStart + slot] = clampToByte(kControllerValues, settings.CC_Preset[slot]);
    }
    data[kSysExModePos] = sysExModeByte(settings);
    for (std::size_t entry = 0; entry < kPatternSize; ++entry) {
        data[kPatternStart + entry] =
            clampToByte(kPatternByteValues, settings.SysEx_Pattern[entry]);
    }
    return data;
}

// Moves bit 7 of each data byte into the high-bit byte.
void pack(DumpPacket& packet) {
    std::uint8_t highBits = 0;
    for (std::size_t j = 0; j < kDataBytesPerPacket; ++j) {
        std::uint8_t& value = packet[kFirstDataByte + j];
        if (value > kSevenBits) {
            value = static_cast<std::uint8_t>(value - kTopBit);
            highBits = static_cast<std::uint8_t>(highBits | (0x40 >> j));
        }
    }
    packet[kHighBitByte] = highBits;
}

std::uint8_t unpackedValue(const DumpPacket& packet, std::size_t j) {
    const bool top = (packet[kHighBitByte] & (0x40 >> j)) != 0;
    return static_cast<std::uint8_t>(packet[kFirstDataByte + j] | (top ? kTopBit : 0));
}

// "packet 00" .. "packet 08", "packet 7F" for the packet at position p of the dump.
std::string packetLabel(std::size_t p) {
    return p < kDataPacketCount ? "packet 0" + std::to_string(p) : std::string("packet 7F");
}

std::optional<std::string> checkFraming(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kDumpSize) {
        return "the dump has " + std::to_string(bytes.size()) + " bytes instead of " +
               std::to_string(kDumpSize) + ".";
    }
    for (std::size_t p = 0; p < kPacketCount; ++p) {
        const auto packet = bytes.subspan(p * kPacketSize, kPacketSize);
        const std::string where = packetLabel(p) + ": ";
        if (!std::equal(kPacketHeader.begin(), kPacketHeader.end(), packet.begin())) {
            return where + "wrong header bytes.";
        }
        const std::uint8_t expectedIndex =
            p < kDataPacketCount ? static_cast<std::uint8_t>(p) : kClosingPacketIndex;
        if (packet[kIndexByte] != expectedIndex) {
            return where + "packet index " + std::to_string(packet[kIndexByte]) + " instead of " +
                   std::to_string(expectedIndex) + ".";
        }
        if (packet[kPacketSize - 1] != kSysExEnd) {
            return where + "the last byte is not F7.";
        }
        if ((packet[kHighBitByte] & kTopBit) != 0) {
            return where + "the high-bit byte has bit 7 set.";
        }
        for (std::size_t j = 0; j < kDataBytesPerPacket; ++j) {
            if ((packet[kFirstDataByte + j] & kTopBit) != 0) {
                return where + "data byte " + std::to_string(kFirstDataByte + j) +
                       " has bit 7 set.";
            }
        }
    }
    return std::nullopt;
}

// Packet 08 keeps bytes 10..14 of packet 07 with bit 7 cleared; the closing packet repeats
// packet 08's data bytes with a high-bit byte of 0.
std::optional<std::string> checkTailPackets(const SettingsDump& dump) {
    const DumpPacket& previous = dump[kPatternTailPacket - 1];
    const DumpPacket& tail = dump[kPatternTailPacket];
    const DumpPacket& closing = dump[kPacketCount - 1];
    for (std::size_t j = 2; j < 2 + kKeptBytesInTailPacket; ++j) {
        if (tail[kFirstDataByte + j] != previous[kFirstDataByte + j] ||
            (tail[kHighBitByte] & (0x40 >> j)) != 0) {
            return "packet 08 does not repeat bytes 10 to 14 of packet 07.";
        }
    }
    if (closing[kHighBitByte] != 0 ||
        !std::equal(closing.begin() + kFirstDataByte, closing.end() - 1,
                    tail.begin() + kFirstDataByte)) {
        return "packet 7F does not repeat the data of packet 08.";
    }
    return std::nullopt;
}

DataStream unpackDataStream(const SettingsDump& dump) {
    DataStream data{};
    for (std::size_t p = 0; p < kDataPacketCount; ++p) {
        for (std::size_t j = 0; j < kDataBytesPerPacket; ++j) {
            data[p * kDataBytesPerPacket + j] = unpackedValue(dump[p], j);
        }
    }
    return data;
}

std::optional<std::string> checkDataRanges(const DataStream& data) {
    const auto check = [&data](const FieldRange& range, std::size_t pos) {
        return range.contains(data[pos]) ? std::nullopt
                                         : std::optional(rangeMessage(range, "", data[pos]));
    };
    for (const ScalarField& field : kScalarFields) {
        if (auto error = check(*field.range, field.position)) {
            return error;
        }
    }
    for (const auto& [range, pos] : {std::pair{&kCcModeByteValues, kCcModePos},
                                     std::pair{&kSysExModeByteValues, kSysExModePos}}) {
        if (auto error = check(*range, pos)) {
            return error;
        }
    }
    for (std::size_t slot = 0; slot < kPresetSlotCount; ++slot) {
        const int value = data[kPresetStart + slot];
        if (!kControllerValues.contains(value)) {
            return rangeMessage(kControllerValues, "slot " + std::to_string(slot + 1), value);
        }
    }
    if (data[kSysExModePos] == 0 && data[kCountPos] == 0) {
        return std::string("SysEx mode byte 0 with an empty pattern.");
    }
    return std::nullopt;
}

FilterSettings settingsFromData(const DataStream& data) {
    FilterSettings settings;
    for (const ScalarField& field : kScalarFields) {
        settings.*field.member = data[field.position];
    }
    applyCcModeByte(data[kCcModePos], settings);
    settings.CC_Enable.fill(0);
    for (std::size_t group = 0; group < std::tuple_size_v<CC_Map>; ++group) {
        applyCcMapByte(data[kCcMapStart + group], group, settings.CC_Enable);
    }
    for (std::size_t slot = 0; slot < kPresetSlotCount; ++slot) {
        settings.CC_Preset[slot] = data[kPresetStart + slot];
    }
    settings.SysEx_Mode = sysExModeFromByte(data[kSysExModePos]);
    for (std::size_t entry = 0; entry < kPatternSize; ++entry) {
        settings.SysEx_Pattern[entry] = data[kPatternStart + entry];
    }
    return settings;
}

}  // namespace

CC_Map buildCcMap(const CcEnableFlags& flags) {
    CC_Map map{};
    for (std::size_t i = 0; i < map.size(); ++i) {
        for (std::size_t k = 0; k < 8; ++k) {
            if (flags[8 * i + k] == 1) {
                map[i] = static_cast<std::uint8_t>(map[i] + (0x80 >> k));
            }
        }
    }
    return map;
}

void applyCcMapByte(int value, std::size_t group, CcEnableFlags& flags) {
    int rest = value;
    for (std::size_t k = 0; k < 8; ++k) {
        const int weight = 0x80 >> k;
        if (rest >= weight) {
            flags[group * 8 + k] = 1;
            rest -= weight;
        }
    }
}

SettingsDump BuildSettingsDump(const FilterSettings& settings) {
    const DataStream data = buildDataStream(settings);
    SettingsDump dump{};
    DumpPacket working{};
    std::copy(kPacketHeader.begin(), kPacketHeader.end(), working.begin());
    working[kPacketSize - 1] = kSysExEnd;
    for (std::size_t p = 0; p < kDataPacketCount; ++p) {
        // Packet 08 writes only entries 15 and 16; bytes 10..14 stay from packet 07.
        const std::size_t count = p == kPatternTailPacket ? 2 : kDataBytesPerPacket;
        const auto first = data.begin() + static_cast<std::ptrdiff_t>(p * kDataBytesPerPacket);
        std::copy(first, first + static_cast<std::ptrdiff_t>(count),
                  working.begin() + kFirstDataByte);
        working[kIndexByte] = static_cast<std::uint8_t>(p);
        pack(working);
        dump[p] = working;
    }
    working[kIndexByte] = kClosingPacketIndex;
    pack(working);
    dump[kPacketCount - 1] = working;
    return dump;
}

std::optional<std::string> findUnsendableValue(const FilterSettings& settings) {
    for (const ScalarField& field : kScalarFields) {
        if (!field.range->contains(settings.*field.member)) {
            return rangeMessage(*field.range, "", settings.*field.member);
        }
    }
    // The slot travels only in mode One.
    if (settings.CC_Mode == CcMode::One && !kSlotValues.contains(settings.CC_Slot)) {
        return rangeMessage(kSlotValues, "", settings.CC_Slot);
    }
    for (std::size_t slot = 0; slot < kPresetSlotCount; ++slot) {
        if (!kControllerValues.contains(settings.CC_Preset[slot])) {
            return rangeMessage(kControllerValues, "slot " + std::to_string(slot + 1),
                                settings.CC_Preset[slot]);
        }
    }
    for (std::size_t entry = 0; entry < kPatternSize; ++entry) {
        if (!kPatternByteValues.contains(settings.SysEx_Pattern[entry])) {
            return rangeMessage(kPatternByteValues, "entry " + std::to_string(entry + 1),
                                settings.SysEx_Pattern[entry]);
        }
    }
    return std::nullopt;
}

std::array<std::uint8_t, kDumpSize> flattenDump(const SettingsDump& dump) {
    std::array<std::uint8_t, kDumpSize> bytes{};
    for (std::size_t p = 0; p < kPacketCount; ++p) {
        std::copy(dump[p].begin(), dump[p].end(), bytes.begin() + p * kPacketSize);
    }
    return bytes;
}

DumpDecodeResult decodeSettingsDump(std::span<const std::uint8_t> bytes) {
    DumpDecodeResult result;
    if (auto error = checkFraming(bytes)) {
        result.error = *error;
        return result;
    }
    SettingsDump dump{};
    for (std::size_t p = 0; p < kPacketCount; ++p) {
        std::copy_n(bytes.begin() + p * kPacketSize, kPacketSize, dump[p].begin());
    }
    if (auto error = checkTailPackets(dump)) {
        result.error = *error;
        return result;
    }
    const DataStream data = unpackDataStream(dump);
    if (auto error = checkDataRanges(data)) {
        result.error = *error;
        return result;
    }
    result.settings = settingsFromData(data);
    return result;
}

}  // namespace corvane
