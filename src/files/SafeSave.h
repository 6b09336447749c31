#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

struct FileSaveResult {
    bool ok = false;
    std::string reason;  // why the save failed; control bytes of the path are escaped
};

// Puts bytes into the file that path names, whole or not at all:
// - a symlink is followed to the file it names, and stays a link;
// - a target that is not a regular file, or that the user may not write (no write permission,
//   or no write bit for anyone), is refused and left untouched;
// - an existing file keeps its permissions, owner and group; the new file is created with
//   those permissions from the start;
// - the bytes go to an unnamed file in the target's folder (a short random hidden name where
//   the file system has no unnamed files), which is flushed and renamed over the target, and
//   the folder is flushed after it;
// - a file with several hard links is rewritten in place instead, so every name keeps seeing
//   it: the room for the new bytes is claimed first, so a full disk fails before the old bytes
//   change, but a crash in the middle of that write can leave it part old, part new.
// A failure other than the last flush of the folder leaves the target as it was.
FileSaveResult saveFileSafely(const std::filesystem::path& path, std::string_view bytes);

}  // namespace corvane
