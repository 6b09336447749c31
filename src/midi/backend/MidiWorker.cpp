#include "midi/backend/MidiWorker.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace corvane {

namespace {
std::atomic<int> g_stuckCalls{0};
thread_local bool t_onWorker = false;
}  // namespace

// Owned jointly by the worker object and its thread, so that a thread left in a library
// never outlives what it uses.
struct MidiWorker::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    std::thread thread;
    bool quit = false;
    bool overrun = false;  // a caller gave up on the task now running or waiting

    void loop() {
        t_onWorker = true;
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [&] { return quit || !tasks.empty(); });
            // Every task given runs, those still queued at the end too: a task may be the only
            // one to report its own end (a dump's done).
            if (tasks.empty()) {
                return;
            }
            std::function<void()> task = std::move(tasks.front());
            tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr;  // what the task holds goes here, on the worker
            lock.lock();
            if (overrun) {
                overrun = false;
                --g_stuckCalls;
            }
            changed.notify_all();
        }
    }
};

MidiWorker::MidiWorker() : m_shared(std::make_shared<Shared>()) {}

MidiWorker::~MidiWorker() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->changed.notify_all();
    if (m_shared->overrun && m_shared->thread.joinable()) {
        m_shared->thread.detach();
    }
    lock.unlock();
    if (m_shared->thread.joinable()) {
        m_shared->thread.join();
    }
}

bool MidiWorker::onWorkerThread() {
    return t_onWorker;
}

void MidiWorker::post(std::function<void()> task) {
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->thread.joinable()) {
        m_shared->thread = std::thread([shared = m_shared] { shared->loop(); });
    }
    m_shared->tasks.push_back(std::move(task));
    m_shared->changed.notify_all();
}

bool MidiWorker::run(std::function<void()> call, std::chrono::milliseconds limit) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    if (std::lock_guard lock(m_shared->mutex); m_shared->overrun) {
        return false;
    }
    post([call = std::move(call), done] {
        call();
        *done = true;  // the loop notifies under its lock once the task has gone
    });
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->changed.wait_for(lock, limit, [&] { return done->load(); })) {
        return true;
    }
    // Running or queued behind one that overran: either way the worker is taken.
    if (!m_shared->overrun) {
        m_shared->overrun = true;
        ++g_stuckCalls;
    }
    return false;
}

void endAtOnceIfCallsAbandoned(int status) {
    if (g_stuckCalls.load() == 0) {
        return;
    }
    std::fflush(nullptr);  // std::cout and std::cerr write through C's streams
    std::_Exit(status);
}

}  // namespace corvane
