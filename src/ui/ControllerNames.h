#pragma once

#include <array>
#include <string_view>

#include "settings/FilterSettings.h"

namespace corvane {

// Display texts of the MIDI control-change controllers: position k is controller number k,
// written as "k: Name" ("0: Bank Select" ... "127: Poly Mode On").
const std::array<std::string_view, kControllerCount>& controllerNames();

}  // namespace corvane
