#include <algorithm>
#include <array>
#include <span>
#include <sstream>

#include "PresetHeaders.h"
#include "PresetItemReader.h"
#include "files/MessageText.h"
#include "files/RegularFileInput.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"
#include "settings/SysExPatternText.h"

namespace corvane {

namespace {

constexpr int kInt16Min = -32768;
constexpr int kInt16Max = 32767;
constexpr std::size_t kShownItemLength = 40;  // longest piece of a bad item quoted in a reason

// Every number of the file is a 16-bit signed integer.
constexpr FieldRange kInt16Range{"number", kInt16Min, kInt16Max};

std::string shownItem(std::string_view item) {
    std::string text(1, '"');
    text.append(escapeControlBytes(item.substr(0, kShownItemLength)));
    text.append(item.size() > kShownItemLength ? "...\"" : "\"");
    return text;
}

// A decimal integer: optional sign, at least one digit, trailing spaces allowed. The magnitude
// saturates just above the 16-bit range.
std::optional<int> parseDecimalInteger(std::string_view text) {
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    int magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = std::min(magnitude * 10 + (c - '0'), kInt16Max + 2);
    }
    return negative ? -magnitude : magnitude;
}

class PresetParser {
  public:
    explicit PresetParser(std::streambuf& source) : m_items(source) {}

    PresetReadResult parse();

  private:
    bool nextItem(std::string_view what);
    bool header(std::string_view text);
    bool value(std::string_view what, int& out, const FieldRange& allowed = kInt16Range);
    bool values(std::string_view what, std::span<int> out, const FieldRange& allowed = kInt16Range);
    bool fail(const std::string& reason);
    std::string where() const { return "line " + std::to_string(m_items.itemLine()) + ": "; }

    PresetItemReader m_items;
    std::string m_item;
    std::string m_reason;
};

bool PresetParser::fail(const std::string& reason) {
    m_reason = reason;
    return false;
}

bool PresetParser::nextItem(std::string_view what) {
    switch (m_items.next(m_item)) {
        case PresetItemReader::Status::Item:
            return true;
        case PresetItemReader::Status::EndOfSource:
            return fail("the file ends before the " + std::string(what) + ".");
        case PresetItemReader::Status::TooLong:
            break;
    }
    return fail(where() + "an item is longer than " + std::to_string(kMaxPresetItemLength) +
                " characters.");
}

bool PresetParser::header(std::string_view text) {
    const std::string what = "header \"" + std::string(text) + "\"";
    if (!nextItem(what)) {
        return false;
    }
    if (!m_item.starts_with(text)) {
        return fail(where() + "expected the " + what + ", found " + shownItem(m_item) + ".");
    }
    return true;
}

bool PresetParser::value(std::string_view what, int& out, const FieldRange& allowed) {
    if (!nextItem(what)) {
        return false;
    }
    const std::optional<int> number = parseDecimalInteger(m_item);
    if (!number) {
        return fail(where() + "the " + std::string(what) + " " + shownItem(m_item) +
                    " is not a decimal integer.");
    }
    if (!kInt16Range.contains(*number) || !allowed.contains(*number)) {
        const FieldRange& shown = kInt16Range.contains(*number) ? allowed : kInt16Range;
        return fail(where() + "the " + std::string(what) + " " + shownItem(m_item) +
                    " lies outside " + std::to_string(shown.low) + " to " +
                    std::to_string(shown.high) + ".");
    }
    out = *number;
    return true;
}

bool PresetParser::values(std::string_view what, std::span<int> out, const FieldRange& allowed) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string numbered = std::string(what) + " " + std::to_string(i + 1);
        if (!value(numbered, out[i], allowed)) {
            return false;
        }
    }
    return true;
}

PresetReadResult PresetParser::parse() {
    int channel = 0;
    int transpose = 0;
    int velocity = 0;
    int ccMode = 0;
    std::array<int, 16> flagBytes{};
    std::array<int, kPresetSlotCount> slots{};
    int pitchBend = 0;
    int afterTouch = 0;
    int sysExMode = 0;
    int storedCount = 0;
    std::array<int, kPatternSize> pattern{};
    const bool complete =
        header(kHeaderVersion) && header(kHeaderChannel) && value("MIDI channel", channel) &&
        header(kHeaderTranspose) && value("note transpose", transpose) && header(kHeaderVelocity) &&
        value("note velocity", velocity) && header(kHeaderControlChange) &&
        value("control-change mode", ccMode, kCcModeByteValues) &&
        values("controller flag byte", flagBytes) &&
        values("preset slot controller", slots, kControllerValues) && header(kHeaderPitchBend) &&
        value("pitch bend bit", pitchBend) && header(kHeaderAfterTouch) &&
        value("after touch bit", afterTouch) && header(kHeaderSysEx) &&
        value("SysEx mode", sysExMode) && value("SysEx count", storedCount) &&
        values("SysEx pattern entry", pattern, kPatternByteValues);
    PresetReadResult result;
    if (!complete) {
        result.reason = m_reason;
        return result;
    }

    // Out-of-range scalars take the values the editor's lists fall back to.
    FilterSettings settings;
    auto orFallback = [](int number, const FieldRange& allowed) {
        return allowed.contains(number) ? static_cast<std::int16_t>(number) : *allowed.loadFallback;
    };
    settings.Channel = orFallback(channel, kChannelValues);
    settings.Transpose = orFallback(transpose, kTransposeValues);
    settings.Velocity = orFallback(velocity, kVelocityValues);
    applyCcModeByte(ccMode, settings);
    settings.CC_Enable.fill(0);
    for (std::size_t group = 0; group < flagBytes.size(); ++group) {
        applyCcMapByte(flagBytes[group], group, settings.CC_Enable);
    }
    std::copy(slots.begin(), slots.end(), settings.CC_Preset.begin());
    settings.PitchBend = orFallback(pitchBend, kPitchBendValues);
    settings.AfterTouch = orFallback(afterTouch, kAfterTouchValues);
    settings.SysEx_Mode = sysExModeFromByte(sysExMode);
    std::copy(pattern.begin(), pattern.end(), settings.SysEx_Pattern.begin());
    // The stored count plays no part; the pattern runs up to its first entry above 127.
    settings.SysEx_Count = countShownEntries(settings.SysEx_Pattern);
    result.settings = settings;
    return result;
}

PresetReadResult failure(std::string reason) {
    PresetReadResult result;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

PresetReadResult readPreset(std::istream& in) {
    if (!in || in.rdbuf() == nullptr) {
        return failure("the input cannot be read.");
    }
    return PresetParser(*in.rdbuf()).parse();
}

PresetReadResult readPresetText(std::string_view text) {
    std::istringstream in{std::string(text)};
    return readPreset(in);
}

PresetReadResult readPresetFile(const std::filesystem::path& path) {
    const std::string shownPath = escapeControlBytes(path.string());
    RegularFileInput file(path);
    switch (file.status()) {
        case RegularFileInput::Status::Open:
            break;
        case RegularFileInput::Status::CannotOpen:
            return failure("cannot open " + shownPath + ": " + file.problem() + ".");
        case RegularFileInput::Status::NotRegular:
            return failure(shownPath + " is " + file.problem() + ".");
    }
    PresetReadResult result = PresetParser(file).parse();
    if (file.readFailed()) {
        return failure("cannot read " + shownPath + ": " + file.problem() + ".");
    }
    return result;
}

}  // namespace corvane
