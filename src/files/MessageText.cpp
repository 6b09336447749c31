#include "files/MessageText.h"

#include <cstdint>

namespace corvane {

namespace {

constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kDelete = 0x7F;
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

}  // namespace

std::string escapeControlBytes(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= kFirstPrintable && byte != kDelete) {
            shown += c;
            continue;
        }
        shown += "\\x";
        shown += kHexDigits[byte >> 4];
        shown += kHexDigits[byte & 0x0F];
    }
    return shown;
}

}  // namespace corvane
