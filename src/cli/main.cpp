#include <csignal>
#include <iostream>

#include "cli/Cli.h"
#include "files/RegularFileInput.h"
#include "files/StandardStreams.h"
#include "midi/backend/MidiWorker.h"

int main(int argc, char** argv) {
    // A closed pipe then fails the write, which is reported, instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    const corvane::ClosedStandardStreams closed = corvane::reserveClosedStandardStreams();
    corvane::DescriptorInput standardInput(closed.in ? -1 : 0);
    std::istream in(&standardInput);
    if (closed.out) {
        std::cout.setstate(std::ios::badbit);
    }
    const corvane::CliArgs args(argv + 1, argv + argc);
    corvane::CliStreams io{in, std::cout, std::cerr};
    const int status = corvane::runCli(args, io);
    corvane::endAtOnceIfCallsAbandoned(status);
    return status;
}
