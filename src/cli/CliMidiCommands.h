#pragma once

#include "Cli.h"

namespace corvane {

// "corvane-cli ports": the device dialog's choices, one "N: name" a line.
int runPortsCommand(const CliArgs& args, CliStreams& io);

// "corvane-cli send FILE (--device N | --device-name TEXT)".
int runSendCommand(const CliArgs& args, CliStreams& io);

}  // namespace corvane
