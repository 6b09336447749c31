// The entry of the RtMidi back end built as a module (corvane-midi-rtmidi.so), which the
// editor loads at its first MIDI call, so that its start-up loads no MIDI library.
#include "midi/MidiModuleAbi.h"
#include "midi/rtmidi/BoundedCall.h"
#include "midi/rtmidi/RtMidiOutService.h"

namespace {

corvane::MidiOutService* createService() {
    return corvane::createRtMidiOutService().release();
}

constexpr corvane::MidiModuleTable kTable{corvane::kMidiModuleAbi, &createService,
                                          &corvane::endAtOnceIfCallsAbandoned};

}  // namespace

extern "C" __attribute__((visibility("default"))) const corvane::MidiModuleTable*
corvane_midi_module() {
    return &kTable;
}
