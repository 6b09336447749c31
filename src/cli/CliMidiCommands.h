#pragma once

#include "cli/Cli.h"

namespace corvane {

class MidiOutService;

// "corvane-cli ports": the device dialog's choices, one "N: name" a line: position 0 is
// "MIDI Mapper", position N >= 1 device N - 1. args are the words after "ports".
int runPortsCommand(const CliArgs& args, CliStreams& io);
int runPortsCommand(const CliArgs& args, CliStreams& io, MidiOutService& service);

// "corvane-cli send FILE (--device N | --device-name TEXT)": sends the preset's dump, paced,
// to position N of the ports list or to the device that TEXT names (positionsNamed; several
// candidates are a usage error). Exit 0 only when the port opened and all ten packets were
// delivered; it returns as soon as the dump's report is known. args are the words after "send".
int runSendCommand(const CliArgs& args, CliStreams& io);
int runSendCommand(const CliArgs& args, CliStreams& io, MidiOutService& service);

}  // namespace corvane
