#include <iostream>

#include "cli/Cli.h"
#include "midi/backend/MidiWorker.h"

int main(int argc, char** argv) {
    const corvane::CliArgs args(argv + 1, argv + argc);
    corvane::CliStreams io{std::cin, std::cout, std::cerr};
    const int status = corvane::runCli(args, io);
    corvane::endAtOnceIfCallsAbandoned(status);
    return status;
}
