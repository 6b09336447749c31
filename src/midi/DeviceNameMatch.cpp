#include "midi/DeviceNameMatch.h"

#include <algorithm>
#include <cctype>

namespace corvane {

namespace {

constexpr std::size_t kFirstDevice = 1;

char foldCase(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool containsIgnoringCase(std::string_view name, std::string_view text) {
    const auto found = std::search(name.begin(), name.end(), text.begin(), text.end(),
                                   [](char a, char b) { return foldCase(a) == foldCase(b); });
    return found != name.end();
}

DeviceNameMatch fromCandidates(std::vector<std::size_t> positions) {
    if (positions.empty()) {
        return {};
    }
    const auto kind =
        positions.size() == 1 ? DeviceNameMatch::Kind::One : DeviceNameMatch::Kind::Several;
    return {kind, std::move(positions)};
}

}  // namespace

DeviceNameMatch matchDeviceName(const std::vector<std::string>& choices, std::string_view text) {
    std::vector<std::size_t> exact;
    std::vector<std::size_t> containing;
    for (std::size_t position = kFirstDevice; position < choices.size(); ++position) {
        if (choices[position] == text) {
            exact.push_back(position);
        }
        if (containsIgnoringCase(choices[position], text)) {
            containing.push_back(position);
        }
    }
    return fromCandidates(exact.empty() ? std::move(containing) : std::move(exact));
}

}  // namespace corvane
