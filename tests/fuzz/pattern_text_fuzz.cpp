// Any text: the parse takes at most 16 byte values or reports an item; applying it either
// changes nothing (on an error) or sets exactly the count and the leading entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/SysExPatternText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::PatternParseResult parsed = corvane::parseSysExPatternText(text);
    FUZZ_CHECK(parsed.values.size() <= corvane::kPatternSize);
    if (!parsed.error) {
        FUZZ_CHECK(std::all_of(parsed.values.begin(), parsed.values.end(),
                               [](std::int16_t v) { return v >= 0 && v <= 255; }));
    }

    const corvane::FilterSettings before = corvane::defaultSettings();
    corvane::FilterSettings after = before;
    const auto error = corvane::applySysExPatternText(text, after);
    FUZZ_CHECK(error.has_value() == parsed.error.has_value());
    if (error) {
        FUZZ_CHECK(after == before);
        return 0;
    }
    const auto count = static_cast<std::size_t>(after.SysEx_Count);
    FUZZ_CHECK(count == parsed.values.size());
    FUZZ_CHECK(std::equal(parsed.values.begin(), parsed.values.end(), after.SysEx_Pattern.begin()));
    FUZZ_CHECK(std::equal(after.SysEx_Pattern.begin() + count, after.SysEx_Pattern.end(),
                          before.SysEx_Pattern.begin() + count));

    // What the text box shows reads back as the entries it shows.
    const std::string shown = corvane::showSysExPattern(after.SysEx_Pattern);
    const corvane::PatternParseResult reread = corvane::parseSysExPatternText(shown);
    FUZZ_CHECK(!reread.error);
    const auto shownCount =
        static_cast<std::size_t>(corvane::countShownEntries(after.SysEx_Pattern));
    FUZZ_CHECK(reread.values.size() == shownCount);
    FUZZ_CHECK(std::equal(reread.values.begin(), reread.values.end(), after.SysEx_Pattern.begin()));
    return 0;
}
