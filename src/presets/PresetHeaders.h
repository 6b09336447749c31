#pragma once

#include <string_view>

namespace corvane {

// Header texts of the preset file, without their double quotes.
constexpr std::string_view kHeaderVersion = "* : Corvane, V1.0";
constexpr std::string_view kHeaderChannel = "* : MIDI Channel";
constexpr std::string_view kHeaderTranspose = "* : Note Transpose";
constexpr std::string_view kHeaderVelocity = "* : Note Velocity";
constexpr std::string_view kHeaderControlChange = "* : Control Change";
constexpr std::string_view kHeaderPitchBend = "* : Pitch Bend Bit";
constexpr std::string_view kHeaderAfterTouch = "* : After Touch Bit";
constexpr std::string_view kHeaderSysEx = "* : SysEx";

}  // namespace corvane
