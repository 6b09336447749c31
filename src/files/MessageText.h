#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Text from a file, a file name, an argument or a device name made safe to show in a message:
// every C0 control (bytes below 0x20), DEL (0x7F), C1 control (U+0080..U+009F, as UTF-8
// C2 80..C2 9F) and every byte that is not part of a valid UTF-8 sequence (a Latin-1 file
// name's E9) becomes \xNN per byte (two uppercase hex digits). The rest, valid UTF-8, is
// kept as it is, so the result is always valid UTF-8 and one line.
std::string escapeControlBytes(std::string_view text);

}  // namespace corvane
