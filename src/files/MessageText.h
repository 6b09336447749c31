#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Text from a file, a file name or a device name made safe to show in a message: every byte
// below 0x20 and the byte 0x7F becomes \xNN (two uppercase hex digits); all other bytes,
// UTF-8 sequences included, are kept.
std::string escapeControlBytes(std::string_view text);

}  // namespace corvane
