#pragma once
// Reading what the player's folders hold. A folder, a FIFO, a device or a socket under a file's
// name is refused without waiting on it, and a file larger than its reader takes is refused before
// a byte is read, so nothing a player (or anyone) puts in a folder can hang or exhaust a start.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellam::platform {

// True when `path` names a regular file, through symbolic links; false for anything else or nothing.
bool isRegularFile(const std::string& path);

// The whole of the regular file `path` when it holds at most `largestBytes`; else nothing, with
// `why` saying why (not a regular file, its size, or the system's error). Its type is looked at
// before it is opened, so a device or FIFO is never opened; it is opened without blocking and
// checked again on the open descriptor, so one swapped in meanwhile is refused too.
std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::string& why,
                                                    uintmax_t largestBytes = std::numeric_limits<uintmax_t>::max());

// Replaces `path` with `bytes` so that a crash at any moment leaves the old file or the new one
// whole: a temporary file beside it ("<path>.tmp-PID") written and fsync'd, renamed over it, then
// the folder fsync'd so the rename lasts too. A symbolic link stays a link: the file it leads to
// is the one replaced, from a temporary file in that file's folder; the replaced file's
// permissions are kept. Empty on success; else the system's reason, with the old file untouched
// and no temporary file left behind.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

// Makes a write past the file-size limit (`ulimit -f`) fail with EFBIG, told as a full disk is,
// instead of ending the process with SIGXFSZ and leaving the write's temporary file behind. For a
// program's first line: the disposition is the whole process's.
void failWritesPastTheFileSizeLimit();

// The file a write to `path` replaces: `path`, or where its symbolic links lead (the last link's
// target, which need not exist yet); nothing for a loop of links.
std::optional<std::string> writtenPath(const std::string& path);

// Removes the temporary files that writes killed before their rename left in `folder`:
// "<name>.tmp-PID" where <name> ends in one of `endings` (".pellam", "defaults.json"), the file is
// a regular file, and process PID is gone, or is this process (so a number reused since): a live
// game's files are its own. Call it before this process writes there.
void removeStaleTemporaryFiles(const std::string& folder, const std::vector<std::string>& endings);

// A byte count as the messages give it: "1,073,741,824 bytes".
std::string bytesText(uintmax_t bytes);

}  // namespace pellam::platform
