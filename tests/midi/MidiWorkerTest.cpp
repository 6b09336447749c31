#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "midi/backend/MidiWorker.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// A call stuck in a library: the caller gets control back at the limit, the worker refuses
// further calls at once while it is stuck, and takes calls again once the stuck one returns.
TEST(MidiWorker, GivesUpOnACallThatOverrunsAndServesAgainWhenItReturns) {
    MidiWorker worker;
    EXPECT_EQ(worker.get<int>([] { return 42; }, 1000ms), 42);
    auto release = std::make_shared<std::promise<void>>();
    auto released = std::make_shared<std::shared_future<void>>(release->get_future().share());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.get<int>(
        [released] {
            released->wait();
            return 1;
        },
        50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    bool ran = false;
    EXPECT_FALSE(worker.run([&ran] { ran = true; }, 1000ms));
    EXPECT_FALSE(ran);

    auto served = std::make_shared<std::promise<void>>();
    auto servedFuture = served->get_future();
    release->set_value();
    worker.post([served] { served->set_value(); });
    servedFuture.wait();
    EXPECT_EQ(worker.get<int>([] { return 7; }, 1000ms), 7);
}

// A task queued behind a stuck call when the worker is destroyed still runs, once the stuck
// call returns: a dump's task is the only one to report the dump's end.
TEST(MidiWorker, RunsTheTasksStillQueuedWhenItIsDestroyed) {
    auto worker = std::make_unique<MidiWorker>();
    auto release = std::make_shared<std::promise<void>>();
    auto released = std::make_shared<std::shared_future<void>>(release->get_future().share());
    EXPECT_FALSE(worker->run([released] { released->wait(); }, 10ms));
    auto ran = std::make_shared<std::promise<void>>();
    auto ranFuture = ran->get_future();
    worker->post([ran] { ran->set_value(); });
    worker.reset();
    release->set_value();
    ASSERT_EQ(ranFuture.wait_for(5s), std::future_status::ready);
    EXPECT_NO_THROW(ranFuture.get());  // a task dropped unrun breaks its promise
}

}  // namespace
}  // namespace corvane
