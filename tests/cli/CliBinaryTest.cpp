#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "DefaultDumpListing.h"
#include "presets/PresetFile.h"

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

struct ShellCase {
    std::string name;
    std::string command;  // run in a fresh folder $d; kCli is prepended
    std::string messagePart;
};

void PrintTo(const ShellCase& c, std::ostream* out) {
    *out << c.name;
}

class CliBinaryFailure : public ::testing::TestWithParam<ShellCase> {};

// Standard output that cannot take the bytes, and files that must not be waited on (a FIFO
// without a writer would block an ordinary open for ever; `timeout` ends such a hang).
TEST_P(CliBinaryFailure, ExitsWithOneAndAMessage) {
    const ShellRun run = runShell("d=$(mktemp -d) && cd \"$d\" && " + kCli +
                                  " defaults start.cvp && mkfifo fifo && " + kCli +
                                  " syx start.cvp start.syx && timeout 10 " + kCli + " 2>&1 " +
                                  GetParam().command + "; rc=$?; rm -rf \"$d\"; exit $rc");
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find(GetParam().messagePart), std::string::npos) << run.out;
}

constexpr std::string_view kFullOutput = "corvane-cli: cannot write to standard output";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBinaryFailure,
    ::testing::Values(
        ShellCase{"DefaultsToFullDisk", "defaults >/dev/full", std::string(kFullOutput)},
        ShellCase{"DecodeToFullDisk", "decode start.syx >/dev/full", std::string(kFullOutput)},
        ShellCase{"SyxToFullDisk", "syx start.cvp - >/dev/full", std::string(kFullOutput)},
        ShellCase{"CheckOfAFifo", "check fifo", "fifo is a FIFO, not a regular file."},
        ShellCase{"DecodeOfAFifo", "decode fifo",
                  "fifo: cannot open: it is a FIFO, not a regular file"},
        ShellCase{"DumpOfADevice", "dump /dev/zero", "/dev/zero is a device, not a regular file."},
        ShellCase{"CheckOfAClosedStandardInput", "check - <&-",
                  "-: cannot read the input: Bad file descriptor."},
        ShellCase{"DecodeOfAFolderAsStandardInput", "decode - < .",
                  "-: cannot read: Is a directory"},
        ShellCase{"OutOnAClosedDescriptor", "defaults /dev/fd/7",
                  "cannot write /dev/fd/7: Bad file descriptor"}),
    [](const auto& info) { return info.param.name; });

// OUT names of the program's descriptors are streams: written where they stand, appended to
// a file opened for appending, and never replaced.
TEST(CliBinary, DescriptorNamesAreWrittenAsStreams) {
    const std::string preset = writePresetText(defaultSettings());
    const struct {
        std::string command;  // run in a fresh folder
        std::string out;
    } cases[] = {
        {"echo log > log.txt && " + kCli + " defaults /dev/fd/1 >> log.txt && " + kCli +
             " defaults /proc/self/fd/1 >> log.txt && cat log.txt",
         "log\n" + preset + preset},
        {kCli + " defaults start.cvp && " + kCli +
             " syx start.cvp /dev/fd/3 3>&1 >/dev/null | wc -c",
         "160\n"},
        {kCli + " defaults /dev/stdout | " + kCli + " check /dev/fd/0",
         "/dev/fd/0: valid Corvane preset file\n"},
    };
    for (const auto& c : cases) {
        const ShellRun run = runShell("d=$(mktemp -d) && cd \"$d\" && " + c.command +
                                      "; rc=$?; rm -rf \"$d\"; exit $rc");
        EXPECT_EQ(run.exitCode, 0) << c.command;
        EXPECT_EQ(run.out, c.out) << c.command;
    }
}

// A reader that has gone away: the write fails, and the program says so instead of dying of
// SIGPIPE. The pipe is closed before the program starts, so the outcome does not hang on when
// a reader ends.
TEST(CliBinary, ClosedPipeOnStandardOutputIsReported) {
    int out[2];
    int err[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(err), 0);
    ::close(out[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    char program[] = CORVANE_CLI_PATH;
    char command[] = "defaults";
    char* argv[] = {program, command, nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program, &actions, &attributes, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(err[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(message, std::string(kFullOutput) + "\n");
}

}  // namespace
}  // namespace corvane
