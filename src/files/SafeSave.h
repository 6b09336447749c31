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
// - a symlink is followed to the file it names, and stays a link; in a folder anyone may
//   write to that has the sticky bit (/tmp), only a link of the user's or of the folder's
//   owner is followed, as the kernel does, and any other is refused;
// - a path that names one of the program's open descriptors (/dev/stdout, /dev/fd/N,
//   /proc/self/fd/N) is a stream: the bytes are written to that descriptor, where it stands,
//   and nothing is replaced;
// - a target that is not a regular file, or that the user may not write (no write permission,
//   or no write bit for anyone), is refused and left untouched;
// - the bytes go to an unnamed file in the target's folder (a short random hidden name where
//   the file system has no unnamed files) with the target's permissions, owner, group and
//   extended attributes (ACLs among them), which is flushed and renamed over the target; the
//   folder is flushed after it;
// - a file with several hard links, or one whose owner, group or attributes a new file could
//   not keep, is rewritten in place instead, so it stays the same file: its old bytes are
//   first kept and flushed in a copy beside it, NAME~ (NAME.~N~ when that is taken), which is
//   removed once the new bytes are flushed. A save killed meanwhile leaves the old bytes in
//   that copy; one that fails after the rewrite began keeps it and names it in the reason;
// - temporary files that a killed save of the same user left in the folder more than a minute
//   ago are removed.
// A failure other than the last flush of the folder leaves the target as it was.
FileSaveResult saveFileSafely(const std::filesystem::path& path, std::string_view bytes);

}  // namespace corvane
