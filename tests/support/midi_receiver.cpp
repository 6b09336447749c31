// The end-to-end tests' MIDI receiver: a JACK client NAME with one MIDI input port NAME:input,
// measuring on the server's clock, not its own.
//
//   midi_receiver NAME MISSED_FILE [CLOCK_FILE]
//
// Prints each event received, one a line, to standard output as
//   FRAME: f0 7d 12 ... f7
// FRAME being the server's frame time of the event: its cycle's first frame
// (jack_last_frame_time) plus the event's offset. Writes each cycle it did not run to
// MISSED_FILE as
//   missed EXPECTED START
// (the cycle after the one that began at B with N frames should begin at EXPECTED = B + N; it
// began at START), and "overflow" if its own buffer ever ran full. Keeps in CLOCK_FILE the
// server's frame time at the end of the last cycle it ran (ten digits and a newline, rewritten
// in place), so that a test can wait until the server's clock has passed a frame. Runs until
// SIGTERM or SIGINT, or until the server stops.
//
// The process callback neither allocates nor blocks: it writes records into a ring buffer made
// beforehand, which the main thread empties into the files.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <thread>

namespace {

struct Record {
    enum Kind : std::uint8_t { Event, Missed } kind;
    std::uint32_t frame;     // Event: its frame time; Missed: the start expected
    std::uint32_t start;     // Missed: the start found
    std::uint16_t size = 0;  // Event: bytes following the record
};

constexpr std::size_t kRingBytes = 1 << 20;
constexpr std::size_t kMaxEventBytes = 256;  // longer events are cut (a dump's packet has 16)

struct Receiver {
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    jack_ringbuffer_t* ring = nullptr;
    bool hadCycle = false;
    std::uint32_t nextStart = 0;
    std::atomic<std::uint32_t> clock{0};  // nextStart, for the main thread
    std::atomic<bool> overflow{false};
    std::atomic<bool> gone{false};
};

std::atomic<bool> g_stop{false};

void put(Receiver& r, const Record& record, const std::uint8_t* bytes) {
    if (jack_ringbuffer_write_space(r.ring) < sizeof record + record.size) {
        r.overflow = true;
        return;
    }
    jack_ringbuffer_write(r.ring, reinterpret_cast<const char*>(&record), sizeof record);
    if (record.size > 0) {
        jack_ringbuffer_write(r.ring, reinterpret_cast<const char*>(bytes), record.size);
    }
}

int onProcess(jack_nframes_t frames, void* arg) {
    auto& r = *static_cast<Receiver*>(arg);
    const std::uint32_t start = jack_last_frame_time(r.client);
    if (r.hadCycle && start != r.nextStart) {
        put(r, {Record::Missed, r.nextStart, start}, nullptr);
    }
    r.hadCycle = true;
    r.nextStart = start + frames;
    r.clock = r.nextStart;
    void* buffer = jack_port_get_buffer(r.port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event{};
        if (jack_midi_event_get(&event, buffer, i) == 0) {
            const auto size = static_cast<std::uint16_t>(std::min(event.size, kMaxEventBytes));
            put(r, {Record::Event, start + event.time, 0, size}, event.buffer);
        }
    }
    return 0;
}

void onShutdown(void* arg) {
    static_cast<Receiver*>(arg)->gone = true;
}

// Writes out what the ring holds; false when it holds no whole record.
bool drainOne(Receiver& r, std::FILE* missed) {
    Record record{};
    if (jack_ringbuffer_read_space(r.ring) < sizeof record) {
        return false;
    }
    jack_ringbuffer_peek(r.ring, reinterpret_cast<char*>(&record), sizeof record);
    if (jack_ringbuffer_read_space(r.ring) < sizeof record + record.size) {
        return false;
    }
    jack_ringbuffer_read_advance(r.ring, sizeof record);
    if (record.kind == Record::Missed) {
        std::fprintf(missed, "missed %u %u\n", record.frame, record.start);
        std::fflush(missed);
        return true;
    }
    unsigned char bytes[kMaxEventBytes];
    jack_ringbuffer_read(r.ring, reinterpret_cast<char*>(bytes), record.size);
    std::printf("%u:", record.frame);
    for (std::uint16_t i = 0; i < record.size; ++i) {
        std::printf(" %02x", bytes[i]);
    }
    std::printf("\n");
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: midi_receiver NAME MISSED_FILE [CLOCK_FILE]\n");
        return 2;
    }
    std::FILE* missed = std::fopen(argv[2], "w");
    if (missed == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::FILE* clock = argc == 4 ? std::fopen(argv[3], "w") : nullptr;
    if (argc == 4 && clock == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    static Receiver r;
    r.ring = jack_ringbuffer_create(kRingBytes);
    jack_ringbuffer_mlock(r.ring);
    jack_status_t status{};
    r.client = jack_client_open(argv[1], JackUseExactName, &status);
    if (r.client == nullptr) {
        std::fprintf(stderr, "midi_receiver: no JACK client %s (status %d)\n", argv[1], status);
        return 1;
    }
    r.port = jack_port_register(r.client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (r.port == nullptr) {
        std::fprintf(stderr, "midi_receiver: no port %s:input\n", argv[1]);
        return 1;
    }
    jack_set_process_callback(r.client, onProcess, &r);
    jack_on_shutdown(r.client, onShutdown, &r);
    std::signal(SIGTERM, [](int) { g_stop = true; });
    std::signal(SIGINT, [](int) { g_stop = true; });
    if (jack_activate(r.client) != 0) {
        std::fprintf(stderr, "midi_receiver: the server did not let %s run\n", argv[1]);
        return 1;
    }
    bool overflowTold = false;
    std::uint32_t clockTold = 0;
    while (!g_stop && !r.gone) {
        while (drainOne(r, missed)) {
        }
        if (const std::uint32_t now = r.clock; clock != nullptr && now != clockTold) {
            std::rewind(clock);
            std::fprintf(clock, "%010u\n", now);
            std::fflush(clock);
            clockTold = now;
        }
        if (r.overflow && !overflowTold) {
            std::fprintf(missed, "overflow\n");
            std::fflush(missed);
            overflowTold = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!r.gone) {
        jack_deactivate(r.client);
    }
    while (drainOne(r, missed)) {
    }
    if (!r.gone) {
        jack_client_close(r.client);
    }
    std::fclose(missed);
    if (clock != nullptr) {
        std::fclose(clock);
    }
    return 0;
}
