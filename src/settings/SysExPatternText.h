#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/FilterSettings.h"

namespace corvane {

// An item of the pattern text whose value is not a byte.
struct PatternItemError {
    int item = 0;      // 1-based number of the item among the items taken
    std::string text;  // the item as typed
};

struct PatternParseResult {
    std::vector<std::int16_t> values;  // at most 16 values, in typed order
    std::optional<PatternItemError> error;
};

// Reads the pattern text: every item ended by a comma is one value (text after the last
// comma is ignored; empty items are skipped; items after the 16th are dropped). An item is
// read like a BASIC number: blanks, tabs and line feeds anywhere are ignored, optional sign,
// digits, decimal point, exponent E or D; &H hex and &O octal; a non-number reads as 0; the
// value is rounded half to even. A value outside 0..255 is reported as an error.
PatternParseResult parseSysExPatternText(std::string_view text);

// Parses the text into the settings: SysEx_Count becomes the number of values and the first
// entries take them; the entries after them keep what they held. On an error nothing changes.
std::optional<PatternItemError> applySysExPatternText(std::string_view text,
                                                      FilterSettings& settings);

// The text form of the pattern: entries up to the first one of 128 or more, each written as
// a blank (or a minus sign) and its decimal value followed by a comma: " 65, 0, 66, 18, 64,".
std::string showSysExPattern(const SysExPatternEntries& pattern);

// Number of entries from the first onward before the first entry above 127 (16 when none).
std::int16_t countShownEntries(const SysExPatternEntries& pattern);

}  // namespace corvane
