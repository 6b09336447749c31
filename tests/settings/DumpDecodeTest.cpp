#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "RandomSettings.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

using DumpBytes = std::vector<std::uint8_t>;

DumpBytes defaultDumpBytes() {
    const auto bytes = flattenDump(BuildSettingsDump(defaultSettings()));
    return {bytes.begin(), bytes.end()};
}

// What the dump cannot carry: the slot chosen while in mode All, and Specify with an empty
// pattern, which travels as All.
FilterSettings asCarriedByTheDump(FilterSettings s) {
    if (s.CC_Mode == CcMode::All) {
        s.CC_Slot = 0;
    }
    if (s.SysEx_Count == 0) {
        s.SysEx_Mode = SysExMode::All;
    }
    return s;
}

TEST(DumpDecode, RandomValidSettingsComeBackAsTheDumpCarriesThem) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 2000; ++round) {
        const FilterSettings original = testing::randomValidSettings(random);
        ASSERT_FALSE(findUnsendableValue(original).has_value());
        const auto bytes = flattenDump(BuildSettingsDump(original));
        const DumpDecodeResult decoded = decodeSettingsDump(bytes);
        ASSERT_TRUE(decoded.settings.has_value()) << "round " << round << ": " << decoded.error;
        ASSERT_EQ(*decoded.settings, asCarriedByTheDump(original)) << "round " << round;
    }
}

TEST(DumpDecode, FlatDumpIsTheTenPacketsInOrder) {
    const DumpBytes bytes = defaultDumpBytes();
    ASSERT_EQ(bytes.size(), 160u);
    EXPECT_EQ(DumpBytes(bytes.begin(), bytes.begin() + 7),
              (DumpBytes{0xF0, 0x7D, 0x12, 0x34, 0x31, 0x04, 0x00}));
    EXPECT_EQ(bytes[16 * 8 + 6], 0x08);
    EXPECT_EQ(bytes[16 * 9 + 6], 0x7F);
    EXPECT_EQ(bytes.back(), 0xF7);
}

struct Corruption {
    std::string name;
    void (*corrupt)(DumpBytes&);
    std::string reasonPart;
};

void PrintTo(const Corruption& c, std::ostream* os) {
    *os << c.name;
}

class DumpDecodeRejects : public ::testing::TestWithParam<Corruption> {};

TEST_P(DumpDecodeRejects, WithAReason) {
    DumpBytes bytes = defaultDumpBytes();
    GetParam().corrupt(bytes);
    const DumpDecodeResult decoded = decodeSettingsDump(bytes);
    EXPECT_FALSE(decoded.settings.has_value());
    EXPECT_NE(decoded.error.find(GetParam().reasonPart), std::string::npos) << decoded.error;
}

// Byte `byte` of packet `packet`.
std::uint8_t& at(DumpBytes& bytes, std::size_t packet, std::size_t byte) {
    return bytes[packet * 16 + byte];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DumpDecodeRejects,
    ::testing::Values(
        Corruption{"Empty", [](DumpBytes& b) { b.clear(); }, "0 bytes"},
        Corruption{"OneByteShort", [](DumpBytes& b) { b.pop_back(); }, "159 bytes"},
        Corruption{"OneByteLong", [](DumpBytes& b) { b.push_back(0xF7); }, "161 bytes"},
        Corruption{"StartByte", [](DumpBytes& b) { at(b, 0, 0) = 0xF1; },
                   "packet 00: wrong header"},
        Corruption{"ManufacturerByte", [](DumpBytes& b) { at(b, 3, 1) = 0x7E; },
                   "packet 03: wrong header"},
        Corruption{"ModelByte", [](DumpBytes& b) { at(b, 9, 5) = 0x05; },
                   "packet 7F: wrong header"},
        Corruption{"IndexOutOfOrder", [](DumpBytes& b) { at(b, 4, 6) = 0x05; },
                   "packet 04: packet index 5 instead of 4"},
        Corruption{"ClosingIndex", [](DumpBytes& b) { at(b, 9, 6) = 0x09; },
                   "packet 7F: packet index 9 instead of 127"},
        Corruption{"EndByte", [](DumpBytes& b) { at(b, 6, 15) = 0x00; }, "packet 06: the last"},
        Corruption{"HighBitByteBitSeven", [](DumpBytes& b) { at(b, 1, 7) = 0xFF; },
                   "packet 01: the high-bit byte has bit 7"},
        Corruption{"DataByteBitSeven", [](DumpBytes& b) { at(b, 2, 10) = 0x80; },
                   "packet 02: data byte 10 has bit 7"},
        Corruption{"PacketEightDiffersFromSeven", [](DumpBytes& b) { at(b, 8, 12) = 0x00; },
                   "packet 08 does not repeat"},
        Corruption{"PacketEightTopBitOnKeptByte", [](DumpBytes& b) { at(b, 8, 7) |= 0x10; },
                   "packet 08 does not repeat"},
        Corruption{"ClosingDataDiffers", [](DumpBytes& b) { at(b, 9, 9) = 0x00; },
                   "packet 7F does not repeat"},
        Corruption{"ClosingHighBits", [](DumpBytes& b) { at(b, 9, 7) = 0x40; },
                   "packet 7F does not repeat"},
        Corruption{"Channel", [](DumpBytes& b) { at(b, 0, 8) = 16; }, "Channel is 16"},
        Corruption{"Transpose", [](DumpBytes& b) { at(b, 0, 9) = 23; }, "Transpose is 23"},
        Corruption{"VelocityZero", [](DumpBytes& b) { at(b, 0, 10) = 0; }, "Velocity is 0"},
        Corruption{"VelocityTopBit", [](DumpBytes& b) { at(b, 0, 7) |= 0x10; }, "Velocity is 228"},
        Corruption{"SlotByte", [](DumpBytes& b) { at(b, 0, 11) = 19; }, "CC slot byte is 19"},
        Corruption{"Controller", [](DumpBytes& b) { at(b, 3, 7) = 0x40; },
                   "CC_Preset slot 2 is 129"},
        Corruption{"PitchBend", [](DumpBytes& b) { at(b, 5, 11) = 2; }, "PitchBend is 2"},
        Corruption{"AfterTouch", [](DumpBytes& b) { at(b, 5, 12) = 3; }, "AfterTouch is 3"},
        Corruption{"SysExModeByte", [](DumpBytes& b) { at(b, 5, 13) = 2; }, "SysEx mode byte is 2"},
        Corruption{"SysExCount", [](DumpBytes& b) { at(b, 5, 14) = 17; }, "SysEx_Count is 17"},
        Corruption{"SpecifyWithEmptyPattern",
                   [](DumpBytes& b) {
                       at(b, 5, 13) = 0;
                       at(b, 5, 14) = 0;
                   },
                   "empty pattern"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
