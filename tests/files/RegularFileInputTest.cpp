#include "files/RegularFileInput.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Opening a device can act on it (a tty becomes the controlling terminal, a tape rewinds, a
// watchdog starts), and opening a FIFO wakes its writer: what is not a regular file is refused
// by its type alone. inotify tells whether it was opened.
TEST(RegularFileInput, RefusesWhatIsNotARegularFileWithoutOpeningIt) {
    const fs::path folder = fs::path(::testing::TempDir()) / "regular-file-input";
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");
    fs::create_symlink("/dev/null", folder / "null.cvp");
    const struct {
        fs::path path;
        std::string problem;
    } cases[] = {
        {folder / "fifo", "a FIFO, not a regular file"},
        {folder / "folder", "a folder"},
        {folder / "null.cvp", "a device, not a regular file"},
    };
    for (const auto& c : cases) {
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, c.path.c_str(), IN_OPEN), 0) << c.path;
        {
            const RegularFileInput input(c.path);
            EXPECT_EQ(input.status(), RegularFileInput::Status::NotRegular) << c.path;
            EXPECT_EQ(input.problem(), c.problem);
        }
        char event[sizeof(inotify_event) + 256];
        EXPECT_LT(::read(watch, event, sizeof event), 0) << c.path << " was opened";
        ::close(watch);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace corvane
