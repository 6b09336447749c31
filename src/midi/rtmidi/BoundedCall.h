#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

// Runs calls that may block for ever (a MIDI library waiting on a frozen server) on a worker
// thread, and waits for each at most a given time. A call that overruns is abandoned: the
// worker keeps running it, detached, and keeps alive whatever the call holds; the runner is
// then stuck and refuses every later call. The worker starts with the first call. A stuck runner's
// thread and the objects its call uses are leaked on purpose: nothing can safely stop a thread
// inside a library call.
class BoundedCallRunner {
  public:
    BoundedCallRunner();
    ~BoundedCallRunner();
    BoundedCallRunner(const BoundedCallRunner&) = delete;
    BoundedCallRunner& operator=(const BoundedCallRunner&) = delete;

    // True when call ran to its end within limit. The call must not refer to anything that
    // may go before it ends (capture shared or owned state, not references to locals).
    bool run(std::function<void()> call, std::chrono::milliseconds limit);

    // The call's result, or nothing when it overran limit (or the runner was already stuck).
    template <typename Result, typename Call>
    std::optional<Result> get(Call call, std::chrono::milliseconds limit) {
        auto result = std::make_shared<std::optional<Result>>();
        if (!run([result, call]() mutable { *result = call(); }, limit)) {
            return std::nullopt;
        }
        return std::move(*result);
    }

    bool stuck() const { return m_stuck; }

  private:
    void startWorker();

    struct Shared;
    std::shared_ptr<Shared> m_shared;
    bool m_started = false;
    bool m_stuck = false;
};

// Call when the program is about to end with `status`, after its MIDI services are gone. When
// a call was abandoned, its worker may still be inside the library, and the library's exit
// handlers and destructors would run beside it: flushes the standard streams and ends the
// process at once instead. Otherwise returns.
void endAtOnceIfCallsAbandoned(int status);

}  // namespace corvane
