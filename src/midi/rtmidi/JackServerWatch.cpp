#include "JackServerWatch.h"

#include <algorithm>
#include <string_view>

namespace corvane {

namespace {

constexpr std::string_view kLateReason =
    "The JACK server ran late (an xrun); a message may have been lost.";

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

JackServerWatch::JackServerWatch() {
    jack_status_t status{};
    m_client = jack_client_open("Corvane watch", JackNoStartServer, &status);
    if (m_client == nullptr) {
        m_gone = true;
        return;
    }
    // Called on the library's own threads: shutdown and xruns on its notification thread,
    // the process callback on the real-time thread (it only stores atomics).
    jack_on_shutdown(m_client, &JackServerWatch::onShutdown, this);
    jack_set_process_callback(m_client, &JackServerWatch::onProcess, this);
    jack_set_xrun_callback(m_client, &JackServerWatch::onXrun, this);
    if (jack_activate(m_client) != 0) {
        m_gone = true;
    }
}

JackServerWatch::~JackServerWatch() {
    if (m_client != nullptr) {
        jack_client_close(m_client);
    }
}

std::optional<std::string> JackServerWatch::trouble(std::uint64_t first, std::uint64_t last) const {
    const std::uint64_t newest = cycles();
    // News told this long before `first` began may be of an xrun that `first` shared.
    std::optional<std::int64_t> earliestNs;
    if (first > 0 && newest - first + 1 < kCycleHistory) {
        earliestNs = m_cycleStartNs[first % kCycleHistory].load() -
                     std::chrono::nanoseconds(kXrunNewsLate).count();
    }
    {
        std::lock_guard lock(m_xrunMutex);
        if (std::any_of(m_xruns.begin(), m_xruns.end(), [&](const XrunNews& news) {
                return news.cycle <= last &&
                       (news.cycle >= first || (earliestNs && news.toldNs >= *earliestNs));
            })) {
            return std::string(kLateReason);
        }
    }
    for (std::uint64_t cycle = std::max<std::uint64_t>(first, 1) + 1; cycle <= last; ++cycle) {
        if (newest - cycle + 1 >= kCycleHistory) {
            continue;
        }
        if (m_cycleSkippedFrames[cycle % kCycleHistory].load() > 0) {
            return std::string(kLateReason);
        }
        const std::int64_t gap = m_cycleStartNs[cycle % kCycleHistory].load() -
                                 m_cycleStartNs[(cycle - 1) % kCycleHistory].load();
        if (gap > std::chrono::nanoseconds(kStallGap).count()) {
            return "The JACK server stalled for " + std::to_string(gap / 1000000) +
                   " ms; messages may have been lost or delayed.";
        }
    }
    return std::nullopt;
}

std::vector<std::string> JackServerWatch::connectionsOf(const std::string& port) const {
    std::vector<std::string> names;
    jack_port_t* handle = live() ? jack_port_by_name(m_client, port.c_str()) : nullptr;
    if (handle == nullptr) {
        return names;
    }
    if (const char** list = jack_port_get_all_connections(m_client, handle)) {
        for (const char** name = list; *name != nullptr; ++name) {
            names.emplace_back(*name);
        }
        jack_free(static_cast<void*>(list));
    }
    return names;
}

bool JackServerWatch::connected(const std::string& from, const std::string& to) const {
    jack_port_t* handle = live() ? jack_port_by_name(m_client, from.c_str()) : nullptr;
    return handle != nullptr && jack_port_connected_to(handle, to.c_str()) != 0;
}

int JackServerWatch::onProcess(jack_nframes_t frames, void* self) {
    auto* watch = static_cast<JackServerWatch*>(self);
    const std::uint64_t cycle = watch->m_cycles.load() + 1;
    const jack_nframes_t start = jack_last_frame_time(watch->m_client);
    // Frame times wrap at 2^32; the first cycle has nothing to compare with.
    const jack_nframes_t skipped = cycle > 1 ? start - watch->m_nextFrame : 0;
    watch->m_nextFrame = start + frames;
    watch->m_cycleSkippedFrames[cycle % kCycleHistory].store(skipped);
    watch->m_cycleStartNs[cycle % kCycleHistory].store(steadyNs());
    watch->m_cycles.store(cycle);
    return 0;
}

int JackServerWatch::onXrun(void* self) {
    auto* watch = static_cast<JackServerWatch*>(self);
    const std::uint64_t cycle = watch->cycles();
    std::lock_guard lock(watch->m_xrunMutex);
    // Only xruns of the cycles whose times are still kept matter.
    std::erase_if(watch->m_xruns,
                  [&](const XrunNews& old) { return old.cycle + kCycleHistory < cycle; });
    watch->m_xruns.push_back({cycle, steadyNs()});
    return 0;
}

void JackServerWatch::onShutdown(void* self) {
    static_cast<JackServerWatch*>(self)->m_gone = true;
}

}  // namespace corvane
