#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "DefaultDumpListing.h"

namespace corvane {
namespace {

struct ShellRun {
    std::string out;
    int exitCode = -1;
};

ShellRun runShell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kCli = std::string("'") + CORVANE_CLI_PATH + "'";

TEST(CliBinary, DefaultsPipedIntoDumpPrintsTheDefaultDump) {
    const ShellRun run = runShell(kCli + " defaults | " + kCli + " dump /dev/stdin");
    std::string expected;
    for (std::string_view line : testing::kDefaultDumpLines) {
        expected += std::string(line) + "\n";
    }
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected);
}

TEST(CliBinary, ExitCodesReachTheShell) {
    EXPECT_EQ(runShell(kCli + " --version").exitCode, 0);
    EXPECT_EQ(runShell("printf 'junk' | " + kCli + " check /dev/stdin 2>/dev/null").exitCode, 1);
    EXPECT_EQ(runShell(kCli + " 2>/dev/null").exitCode, 2);
}

}  // namespace
}  // namespace corvane
