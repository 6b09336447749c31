// A receiving client of the ALSA sequencer for the end-to-end tests: client NAME with one
// port "in" that anyone may connect to. The port stamps each event with its own queue's real
// time on arrival, so the times are the kernel's. Prints "ready" once the port is there, then
// each SysEx message as "NANOSECONDS F0 .. F7", one a line. With STOP_AFTER it ends itself by
// SIGKILL right after that many messages (and whatever else had arrived by then), like a
// program that crashes.
// Usage: alsa_receiver NAME [STOP_AFTER]
#include <alsa/asoundlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int check(int result, const char* what) {
    if (result < 0) {
        std::fprintf(stderr, "alsa_receiver: %s: %s\n", what, snd_strerror(result));
        std::exit(1);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: alsa_receiver NAME [STOP_AFTER]\n");
        return 2;
    }
    const long stopAfter = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    snd_seq_t* seq = nullptr;
    check(snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0), "open");
    check(snd_seq_set_client_name(seq, argv[1]), "client name");
    const int queue = check(snd_seq_alloc_queue(seq), "queue");
    snd_seq_port_info_t* port = nullptr;
    snd_seq_port_info_alloca(&port);
    snd_seq_port_info_set_name(port, "in");
    snd_seq_port_info_set_capability(port, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
    snd_seq_port_info_set_type(port,
                               SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_seq_port_info_set_timestamping(port, 1);
    snd_seq_port_info_set_timestamp_real(port, 1);
    snd_seq_port_info_set_timestamp_queue(port, queue);
    check(snd_seq_create_port(seq, port), "port");
    check(snd_seq_start_queue(seq, queue, nullptr), "start queue");
    check(snd_seq_drain_output(seq), "drain");
    std::printf("ready\n");
    std::fflush(stdout);

    long messages = 0;
    std::string line;
    for (;;) {
        snd_seq_event_t* event = nullptr;
        const int read = snd_seq_event_input(seq, &event);
        if (read == -EAGAIN && stopAfter > 0 && messages >= stopAfter) {
            std::raise(SIGKILL);
        }
        if (read < 0 || event->type != SND_SEQ_EVENT_SYSEX) {
            if (read < 0 && read != -EAGAIN) {
                std::fprintf(stderr, "alsa_receiver: input: %s\n", snd_strerror(read));
            }
            continue;
        }
        const auto* bytes = static_cast<const unsigned char*>(event->data.ext.ptr);
        for (unsigned int i = 0; i < event->data.ext.len; ++i) {
            if (bytes[i] == 0xF0) {
                line =
                    std::to_string(static_cast<long long>(event->time.time.tv_sec) * 1'000'000'000 +
                                   event->time.time.tv_nsec);
            }
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
            line += hex;
            if (bytes[i] == 0xF7) {
                std::printf("%s\n", line.c_str());
                std::fflush(stdout);
                if (++messages == stopAfter) {
                    // Take in what has arrived by now, then end.
                    snd_seq_nonblock(seq, 1);
                }
            }
        }
    }
}
