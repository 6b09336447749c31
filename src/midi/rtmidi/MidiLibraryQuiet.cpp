#include "MidiLibraryQuiet.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace corvane {

namespace {

void ignoreJackText(const char*) {}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quietMidiLibraries() {
    jack_set_error_function(ignoreJackText);
    jack_set_info_function(ignoreJackText);
    snd_lib_error_set_handler(ignoreAlsaError);
}

}  // namespace corvane
