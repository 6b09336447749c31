#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

// The one thread that makes every call into a MIDI library. A caller waits for its call at
// most a given time; a call that overruns (a library waiting on a frozen server) goes on, and
// until it returns the worker refuses every other call at once. The thread starts with the
// first call.
class MidiWorker {
  public:
    MidiWorker();
    // Ends the thread once it has run every task given to it; a thread stuck in a library is
    // left to it, and runs the rest when the stuck call returns.
    ~MidiWorker();
    MidiWorker(const MidiWorker&) = delete;
    MidiWorker& operator=(const MidiWorker&) = delete;

    // True when call ran to its end within limit. The call must own what it uses (shared
    // state, not references to the caller's locals): an overrun call outlives the wait.
    bool run(std::function<void()> call, std::chrono::milliseconds limit);

    // The call's result, or nothing when it overran or was refused.
    template <typename Result, typename Call>
    std::optional<Result> get(Call call, std::chrono::milliseconds limit) {
        auto result = std::make_shared<std::optional<Result>>();
        if (!run([result, call]() mutable { *result = call(); }, limit)) {
            return std::nullopt;
        }
        return std::move(*result);
    }

    // True on a worker's thread.
    static bool onWorkerThread();

    // Runs task on the worker, without waiting for it; even behind a call that overran, and
    // also when the worker is destroyed before it ran, it runs exactly once.
    void post(std::function<void()> task);

  private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// Call when the program is about to end with `status`, after its MIDI services are gone. While
// a call is stuck in a library, the library's exit handlers would run beside it: flushes the
// standard streams and ends the process at once instead. Otherwise returns.
void endAtOnceIfCallsAbandoned(int status);

}  // namespace corvane
