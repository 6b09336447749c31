#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "midi/rtmidi/BoundedCall.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

TEST(BoundedCallRunner, GivesTheResultOfACallThatEndsInTime) {
    BoundedCallRunner runner;
    EXPECT_EQ(runner.get<int>([] { return 42; }, 1000ms), 42);
    EXPECT_EQ(runner.get<int>([] { return 7; }, 1000ms), 7);
    EXPECT_FALSE(runner.stuck());
}

// A call stuck in a library: the caller gets control back at the limit, the runner refuses
// further calls at once, and the abandoned call may still finish later with its state alive.
TEST(BoundedCallRunner, AbandonsACallThatOverrunsAndRefusesTheNext) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    {
        BoundedCallRunner runner;
        const auto start = std::chrono::steady_clock::now();
        const auto result = runner.get<int>(
            [release, finished] {
                while (!*release) {
                    std::this_thread::sleep_for(1ms);
                }
                *finished = true;
                return 1;
            },
            100ms);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(result.has_value());
        EXPECT_GE(waited, 100ms);
        EXPECT_LT(waited, 1000ms);
        EXPECT_TRUE(runner.stuck());

        bool ran = false;
        EXPECT_FALSE(runner.run([&ran] { ran = true; }, 1000ms));
        EXPECT_FALSE(ran);
    }
    *release = true;
    for (int i = 0; i < 1000 && !*finished; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(*finished);
}

}  // namespace
}  // namespace corvane
