#include "settings/SysExPatternText.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace corvane {

namespace {

constexpr int kShownEntryLimit = 128;  // the first entry at or above this ends the shown pattern

// Any magnitude above this is out of range whatever the sign; saturating here keeps every
// intermediate value small.
constexpr std::int64_t kMagnitudeCap = 1000;
constexpr std::int64_t kExponentCap = 1'000'000'000'000;

bool isIgnoredBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int digitValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    const char u = upper(c);
    return (u >= 'A' && u <= 'F') ? u - 'A' + 10 : -1;
}

// Reads the digits of an &H or &O number; the magnitude saturates at kMagnitudeCap.
std::int64_t readRadixDigits(std::string_view digits, int radix) {
    std::int64_t value = 0;
    for (char c : digits) {
        const int d = digitValue(c);
        if (d < 0 || d >= radix) {
            break;
        }
        value = std::min(value * radix + d, kMagnitudeCap);
    }
    return value;
}

// A decimal number as its significant digits (no leading zeros) and the position of the
// decimal point: value = 0.DIGITS x 10^pointPos.
struct DecimalNumber {
    bool negative = false;
    std::string digits;
    std::int64_t pointPos = 0;
};

std::int64_t readExponent(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || (upper(text[pos]) != 'E' && upper(text[pos]) != 'D')) {
        return 0;
    }
    std::size_t p = pos + 1;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    std::int64_t exponent = 0;
    for (; p < text.size() && isDigit(text[p]); ++p) {
        exponent = std::min(exponent * 10 + (text[p] - '0'), kExponentCap);
    }
    pos = p;
    return negative ? -exponent : exponent;
}

DecimalNumber readDecimal(std::string_view text) {
    DecimalNumber number;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        number.negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t integerDigits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        number.digits += text[pos];
        ++integerDigits;
    }
    if (pos < text.size() && text[pos] == '.') {
        for (++pos; pos < text.size() && isDigit(text[pos]); ++pos) {
            number.digits += text[pos];
        }
    }
    const std::int64_t exponent = readExponent(text, pos);
    const std::size_t firstSignificant =
        std::min(number.digits.find_first_not_of('0'), number.digits.size());
    number.digits.erase(0, firstSignificant);
    number.pointPos = integerDigits - static_cast<std::int64_t>(firstSignificant) + exponent;
    return number;
}

// Rounds 0.DIGITS x 10^pointPos to the nearest whole number, halves to even; saturates at
// kMagnitudeCap.
std::int64_t roundHalfToEven(std::string_view digits, std::int64_t pointPos) {
    if (digits.empty() || pointPos < 0) {
        return 0;  // zero, or below 0.1
    }
    if (pointPos > 3) {
        return kMagnitudeCap;  // at least 1000
    }
    const auto whole = static_cast<std::size_t>(pointPos);
    std::int64_t value = 0;
    for (std::size_t i = 0; i < whole; ++i) {
        value = value * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    }
    if (whole >= digits.size()) {
        return value;
    }
    const char first = digits[whole];
    const bool restNonZero = digits.find_first_not_of('0', whole + 1) != std::string_view::npos;
    const bool up = first > '5' || (first == '5' && (restNonZero || value % 2 == 1));
    return up ? value + 1 : value;
}

// Reads an item the way BASIC's Val reads a number. The result saturates at +-kMagnitudeCap.
std::int64_t readItemNumber(std::string_view item) {
    std::string text;
    std::copy_if(item.begin(), item.end(), std::back_inserter(text),
                 [](char c) { return !isIgnoredBlank(c); });
    if (text.size() >= 2 && text[0] == '&') {
        const char kind = upper(text[1]);
        if (kind == 'H' || kind == 'O') {
            return readRadixDigits(std::string_view(text).substr(2), kind == 'H' ? 16 : 8);
        }
    }
    const DecimalNumber number = readDecimal(text);
    const std::int64_t magnitude = roundHalfToEven(number.digits, number.pointPos);
    return number.negative ? -magnitude : magnitude;
}

}  // namespace

PatternParseResult parseSysExPatternText(std::string_view text) {
    PatternParseResult result;
    std::size_t pos = 0;
    while (result.values.size() < kPatternSize) {
        const std::size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos) {
            break;
        }
        const std::string_view item = text.substr(pos, comma - pos);
        pos = comma + 1;
        if (item.empty()) {
            continue;
        }
        const std::int64_t value = readItemNumber(item);
        if (!kPatternByteValues.contains(static_cast<int>(value))) {
            result.error =
                PatternItemError{static_cast<int>(result.values.size()) + 1, std::string(item)};
            result.values.clear();
            return result;
        }
        result.values.push_back(static_cast<std::int16_t>(value));
    }
    return result;
}

std::optional<PatternItemError> applySysExPatternText(std::string_view text,
                                                      FilterSettings& settings) {
    PatternParseResult parsed = parseSysExPatternText(text);
    if (parsed.error) {
        return parsed.error;
    }
    std::copy(parsed.values.begin(), parsed.values.end(), settings.SysEx_Pattern.begin());
    settings.SysEx_Count = static_cast<std::int16_t>(parsed.values.size());
    return std::nullopt;
}

std::string showSysExPattern(const SysExPatternEntries& pattern) {
    std::string text;
    for (std::int16_t entry : pattern) {
        if (entry >= kShownEntryLimit) {
            break;
        }
        if (entry >= 0) {
            text += ' ';
        }
        text += std::to_string(entry);
        text += ',';
    }
    return text;
}

std::int16_t countShownEntries(const SysExPatternEntries& pattern) {
    const auto end = std::find_if(pattern.begin(), pattern.end(),
                                  [](std::int16_t entry) { return entry >= kShownEntryLimit; });
    return static_cast<std::int16_t>(end - pattern.begin());
}

}  // namespace corvane
