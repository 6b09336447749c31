#include "files/StandardStreams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>

namespace corvane {
namespace {

TEST(StandardStreams, NamesOfTheProgramsDescriptors) {
    const std::string ownProcess = "/proc/" + std::to_string(::getpid()) + "/fd/4";
    const struct {
        std::string path;
        std::optional<int> fd;
    } cases[] = {
        {"/dev/stdin", 0},
        {"/dev/stdout", 1},
        {"/dev/stderr", 2},
        {"/dev/fd/1", 1},
        {"/dev/fd/63", 63},
        {"//dev/./fd/7", 7},
        {"/proc/self/fd/3", 3},
        {"/proc/thread-self/fd/3", 3},
        {ownProcess, 4},
        {"/proc/1/fd/3", ::getpid() == 1 ? std::optional<int>(3) : std::nullopt},
        {"/dev/fd/", std::nullopt},
        {"/dev/fd/1x", std::nullopt},
        {"/dev/fd/+1", std::nullopt},
        {"/dev/fd/99999999999", std::nullopt},
        {"/dev/fd/1/x", std::nullopt},
        {"dev/fd/1", std::nullopt},
        {"/dev/stdout.cvp", std::nullopt},
        {"/tmp/dev/fd/1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(descriptorNamedBy(c.path), c.fd) << c.path;
    }
}

}  // namespace
}  // namespace corvane
