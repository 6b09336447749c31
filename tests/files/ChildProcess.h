#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

namespace corvane::testing {

// Numbers of a user and a group that need no entry in /etc/passwd: root becomes them.
constexpr uid_t kOtherUser = 4242;
constexpr gid_t kOtherUsersGroup = 4242;
constexpr gid_t kSharedGroup = 4343;  // the other user is a member too

inline bool underCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
}

// For tests that give files away or act as another user: CI runs as root and must run them.
#define CORVANE_NEED_ROOT()                                                         \
    do {                                                                            \
        if (::geteuid() != 0) {                                                     \
            if (::corvane::testing::underCi()) {                                    \
                FAIL() << "needs root to act as another user, and CI runs as root"; \
            }                                                                       \
            GTEST_SKIP() << "needs root to act as another user";                    \
        }                                                                           \
    } while (false)

struct ChildEnd {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;       // set when a signal ended it
    std::string message;  // what the child wrote to its message descriptor
};

// Runs body in a child process, as kOtherUser (in kOtherUsersGroup and kSharedGroup) when
// asOtherUser; body gets a descriptor for a message and returns the exit code.
inline ChildEnd runInChild(bool asOtherUser, const std::function<int(int messageFd)>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const gid_t groups[] = {kOtherUsersGroup, kSharedGroup};
        if (asOtherUser &&
            (::setgroups(2, groups) != 0 ||
             ::setresgid(kOtherUsersGroup, kOtherUsersGroup, kOtherUsersGroup) != 0 ||
             ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0)) {
            ::_exit(125);
        }
        ::_exit(body(pipeFds[1]));
    }
    ::close(pipeFds[1]);
    ChildEnd end;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        end.message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    end.exited = WIFEXITED(status);
    end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

inline void writeMessage(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace corvane::testing
