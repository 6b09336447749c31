// Any bytes: the decoder rejects them with a reason, or the settings it returns encode back
// to exactly the same 160 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "settings/SettingsDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const corvane::DumpDecodeResult decoded = corvane::decodeSettingsDump(bytes);
    if (!decoded.settings) {
        FUZZ_CHECK(!decoded.error.empty());
        return 0;
    }
    FUZZ_CHECK(!corvane::findUnsendableValue(*decoded.settings).has_value());
    const auto rebuilt = corvane::flattenDump(corvane::BuildSettingsDump(*decoded.settings));
    FUZZ_CHECK(size == rebuilt.size());
    FUZZ_CHECK(std::equal(rebuilt.begin(), rebuilt.end(), bytes.begin()));
    return 0;
}
