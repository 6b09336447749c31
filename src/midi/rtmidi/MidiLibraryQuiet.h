#pragma once

namespace corvane {

// Stops the ALSA and JACK client libraries from printing their diagnostics on stderr. The
// MIDI service reports failures itself, through result codes and lastError().
void quietMidiLibraries();

}  // namespace corvane
