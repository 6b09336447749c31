// One MIDI output service kept open over several dumps, as the editor keeps it, for the
// end-to-end tests: opens the device whose name contains TEXT (the mapper when TEXT is empty),
// prints "open", then for each line "send" on standard input sends the default dump and prints
// "N of 10 delivered" and the reason, if any.
// Usage: alsa_sender TEXT
#include <future>
#include <iostream>
#include <string>

#include "DefaultDumpListing.h"
#include "midi/MidiOutPort.h"
#include "midi/backend/MidiBackend.h"

int main(int argc, char** argv) {
    using namespace corvane;
    if (argc != 2) {
        std::cerr << "usage: alsa_sender TEXT\n";
        return 2;
    }
    const std::unique_ptr<MidiOutService> service = createMidiOutService();
    MidiOutPort port(*service);
    const std::vector<std::string> choices = port.deviceChoices();
    const auto named = positionsNamed(choices, argv[1]);
    const int position = *argv[1] == '\0' ? 0 : named.size() == 1 ? static_cast<int>(named[0]) : -1;
    if (position < 0 ||
        port.choosePosition(position, choices[static_cast<std::size_t>(position)]) != MidiResult::Ok) {
        std::cerr << "alsa_sender: cannot open '" << argv[1] << "': " << port.serviceError()
                  << '\n';
        return 1;
    }
    std::cout << "open" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        std::promise<DumpOutcome> ended;
        port.sendDump(testing::defaultDumpPackets(),
                      [&](const DumpOutcome& outcome) { ended.set_value(outcome); });
        const DumpOutcome outcome = ended.get_future().get();
        std::cout << outcome.packetsDelivered << " of " << outcome.packetsSent << " delivered "
                  << outcome.reason << std::endl;
    }
    port.closeForExit();
    return 0;
}
