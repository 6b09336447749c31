#pragma once

#include "midi/MidiOutService.h"

namespace corvane {

// What the MIDI back-end module gives the program that loads it: one table, found under the
// C name below. The module is built from the same tree as the program; kMidiModuleAbi changes
// whenever the table or MidiOutService changes, so a stale module is refused, not called.
constexpr int kMidiModuleAbi = 2;
constexpr const char* kMidiModuleEntry = "corvane_midi_module";
constexpr const char* kMidiModuleFile = "corvane-midi-rtmidi.so";

struct MidiModuleTable {
    int abi;
    // A new service, owned by the caller; never null.
    MidiOutService* (*createService)();
    // endAtOnceIfCallsAbandoned of the module, whose calls those are.
    void (*endAtOnceIfCallsAbandoned)(int status);
};

using MidiModuleEntry = const MidiModuleTable* (*)();

}  // namespace corvane
