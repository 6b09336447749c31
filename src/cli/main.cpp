#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    const corvane::CliArgs args(argv + 1, argv + argc);
    corvane::CliStreams io{std::cin, std::cout, std::cerr};
    return corvane::runCli(args, io);
}
