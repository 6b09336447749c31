#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Text from a file, a file name, an argument or a device name made safe to show in a message:
// every C0 control (bytes below 0x20), DEL (0x7F) and C1 control (U+0080..U+009F, as UTF-8
// C2 80..C2 9F, and any byte 0x80..0x9F that is not part of a valid UTF-8 sequence) becomes
// \xNN per byte (two uppercase hex digits). All other bytes are kept: valid UTF-8 as it is,
// stray bytes 0xA0..0xFF too.
std::string escapeControlBytes(std::string_view text);

}  // namespace corvane
