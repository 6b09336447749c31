#pragma once

#include <string_view>

namespace corvane {

#ifdef CORVANE_SAVE_STEPS
// Defined by the tests that build the save with CORVANE_SAVE_STEPS: called before each system
// call the save makes, with the call's name, so a test can stop the program at that point.
void saveStep(std::string_view call);
#else
inline void saveStep(std::string_view) {}
#endif

}  // namespace corvane
