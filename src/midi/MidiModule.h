#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "midi/MidiOutService.h"

namespace corvane {

// The RtMidi back end, loaded from its module (kMidiModuleFile) at the first call that needs
// MIDI, so that the program starts without the MIDI libraries. Without a module that loads,
// the service has no back end: no devices, every open fails with MidiResult::NoService, and
// lastError() says why. A module once loaded stays loaded for the rest of the process.
std::unique_ptr<MidiOutService> createModuleMidiOutService();

// Where the module is looked for, first to last, for the program file `program`: beside it
// (the build tree), then in the program's own library folder (the installed tree).
std::vector<std::filesystem::path> midiModuleCandidates(const std::filesystem::path& program);

// endAtOnceIfCallsAbandoned of the loaded module; returns at once when none was loaded.
void endAtOnceIfModuleCallsAbandoned(int status);

}  // namespace corvane
