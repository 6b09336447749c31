#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvane::testing {

// The preset file of the start-up settings, one entry a line, without the CR LF.
constexpr std::array<std::string_view, 18> kDefaultPresetLines = {
    R"("* : Corvane, V1.0")",
    R"("* : MIDI Channel")",
    "0",
    R"("* : Note Transpose")",
    "11",
    R"("* : Note Velocity")",
    "100",
    R"("* : Control Change")",
    "0",
    "255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255",
    "0,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,123",
    R"("* : Pitch Bend Bit")",
    "1",
    R"("* : After Touch Bit")",
    "1",
    R"("* : SysEx")",
    "1",
    "5,65,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255",
};

// The default file with line `number` (1-based) replaced; CR LF after every line.
inline std::string defaultPresetWithLine(std::size_t number, std::string_view replacement) {
    std::string text;
    for (std::size_t i = 0; i < kDefaultPresetLines.size(); ++i) {
        text += i + 1 == number ? replacement : kDefaultPresetLines[i];
        text += "\r\n";
    }
    return text;
}

inline std::string defaultPresetText() {
    return defaultPresetWithLine(0, "");
}

}  // namespace corvane::testing
