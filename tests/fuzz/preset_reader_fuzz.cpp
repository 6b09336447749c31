// Any input: the reader either rejects it with a reason or accepts complete settings that
// can be sent to the unit and that survive a write and a second read unchanged, except that
// mode Specify with an empty pattern is written, and so comes back, as mode All.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "presets/PresetFile.h"
#include "settings/SettingsDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::PresetReadResult first = corvane::readPresetText(text);
    if (!first.ok()) {
        FUZZ_CHECK(!first.reason.empty());
        return 0;
    }
    FUZZ_CHECK(!corvane::findUnsendableValue(*first.settings).has_value());
    const corvane::PresetReadResult second =
        corvane::readPresetText(corvane::writePresetText(*first.settings));
    FUZZ_CHECK(second.ok());
    corvane::FilterSettings expected = *first.settings;
    if (expected.SysEx_Count == 0) {
        expected.SysEx_Mode = corvane::SysExMode::All;
    }
    FUZZ_CHECK(*second.settings == expected);
    return 0;
}
