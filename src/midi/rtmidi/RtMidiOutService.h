#pragma once

#include <memory>

#include "midi/MidiOutService.h"

namespace corvane {

// The RtMidi back end: the first compiled API that starts (ALSA, then JACK, ...); the
// environment variable CORVANE_MIDI_API (e.g. "alsa", "jack") restricts it to that one API.
// Never throws; with no working API it has no devices and every open fails with
// MidiResult::NoService. A service that found no API tries again on its next use.
std::unique_ptr<MidiOutService> createRtMidiOutService();

}  // namespace corvane
