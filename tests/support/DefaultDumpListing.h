#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::testing {

// The dump of the start-up settings, one packet a line.
constexpr std::array<std::string_view, 10> kDefaultDumpLines = {
    "F0 7D 12 34 31 04 00 07 00 0B 64 00 7F 7F 7F F7",
    "F0 7D 12 34 31 04 01 7F 7F 7F 7F 7F 7F 7F 7F F7",
    "F0 7D 12 34 31 04 02 7E 7F 7F 7F 7F 7F 7F 00 F7",
    "F0 7D 12 34 31 04 03 00 01 02 05 07 0A 0B 40 F7",
    "F0 7D 12 34 31 04 04 00 41 42 43 50 51 5B 5D F7",
    "F0 7D 12 34 31 04 05 00 78 79 7B 01 01 01 05 F7",
    "F0 7D 12 34 31 04 06 03 41 00 42 12 40 7F 7F F7",
    "F0 7D 12 34 31 04 07 7F 7F 7F 7F 7F 7F 7F 7F F7",
    "F0 7D 12 34 31 04 08 60 7F 7F 7F 7F 7F 7F 7F F7",
    "F0 7D 12 34 31 04 7F 00 7F 7F 7F 7F 7F 7F 7F F7",
};

// The same packets as bytes, in sending order.
inline std::vector<std::vector<std::uint8_t>> defaultDumpPackets() {
    std::vector<std::vector<std::uint8_t>> packets;
    for (std::string_view line : kDefaultDumpLines) {
        std::vector<std::uint8_t>& packet = packets.emplace_back();
        for (std::size_t at = 0; at < line.size(); at += 3) {
            packet.push_back(
                static_cast<std::uint8_t>(std::stoi(std::string(line.substr(at, 2)), nullptr, 16)));
        }
    }
    return packets;
}

}  // namespace corvane::testing
