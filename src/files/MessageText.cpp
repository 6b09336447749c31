#include "files/MessageText.h"

#include <cstdint>

namespace corvane {

namespace {

constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kDelete = 0x7F;
constexpr std::uint8_t kFirstC1 = 0x80;
constexpr char32_t kLastC1CodePoint = 0x9F;
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// The length of the valid UTF-8 sequence of two or more bytes at the start of text (no
// overlong forms, no surrogates, nothing above U+10FFFF), or 0; codePoint is set when found.
std::size_t utf8SequenceLength(std::string_view text, char32_t& codePoint) {
    const auto lead = static_cast<std::uint8_t>(text[0]);
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[i]);
        if ((next & 0xC0u) != 0x80u) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint >= lowest && codePoint <= 0x10FFFF && !surrogate ? length : 0;
}

void appendEscaped(std::string& shown, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        shown += "\\x";
        shown += kHexDigits[byte >> 4];
        shown += kHexDigits[byte & 0x0F];
    }
}

}  // namespace

std::string escapeControlBytes(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<std::uint8_t>(text[0]);
        char32_t codePoint = 0;
        std::size_t length = 1;
        bool control = false;
        if (byte < kFirstPrintable || byte == kDelete) {
            control = true;
        } else if (byte >= kFirstC1) {
            length = utf8SequenceLength(text, codePoint);
            if (length == 0) {
                length = 1;
                control = true;
            } else {
                control = codePoint <= kLastC1CodePoint;
            }
        }
        if (control) {
            appendEscaped(shown, text.substr(0, length));
        } else {
            shown += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return shown;
}

}  // namespace corvane
