#include "midi/rtmidi/BoundedCall.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>

namespace corvane {

namespace {
std::atomic<bool> g_abandoned{false};
}

// Owned jointly by the runner and its worker, so a detached worker never outlives it.
struct BoundedCallRunner::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> call;  // set while a call waits for the worker or runs
    bool running = false;
    bool quit = false;
};

BoundedCallRunner::BoundedCallRunner() : m_shared(std::make_shared<Shared>()) {}

void BoundedCallRunner::startWorker() {
    m_started = true;
    std::thread([shared = m_shared] {
        std::unique_lock lock(shared->mutex);
        while (true) {
            shared->changed.wait(lock, [&] { return shared->quit || shared->running; });
            if (!shared->running) {
                return;
            }
            std::function<void()> call = std::move(shared->call);
            lock.unlock();
            call();
            call = nullptr;  // what the call holds goes here, on the worker
            lock.lock();
            shared->running = false;
            shared->changed.notify_all();
        }
    }).detach();
}

BoundedCallRunner::~BoundedCallRunner() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->changed.notify_all();
}

bool BoundedCallRunner::run(std::function<void()> call, std::chrono::milliseconds limit) {
    if (m_stuck) {
        return false;
    }
    if (!m_started) {
        startWorker();
    }
    std::unique_lock lock(m_shared->mutex);
    m_shared->call = std::move(call);
    m_shared->running = true;
    m_shared->changed.notify_all();
    if (m_shared->changed.wait_for(lock, limit, [&] { return !m_shared->running; })) {
        return true;
    }
    m_stuck = true;
    g_abandoned = true;
    return false;
}

void endAtOnceIfCallsAbandoned(int status) {
    if (!g_abandoned) {
        return;
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace corvane
