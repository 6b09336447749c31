#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct DeviceNameMatch {
    enum class Kind {
        One,      // positions holds the one chosen position
        None,     // no device name contains the text
        Several,  // positions holds every candidate, in list order
    };
    Kind kind = Kind::None;
    std::vector<std::size_t> positions;
};

// Finds the device that a name given by the user (corvane-cli --device-name, corvane --device)
// names in the device dialog's list. Position 0, the mapper, is
// not a device and is never matched. A name equal to the text wins; otherwise the names that
// contain the text, ignoring ASCII letter case, must be exactly one.
DeviceNameMatch matchDeviceName(const std::vector<std::string>& choices, std::string_view text);

}  // namespace corvane
