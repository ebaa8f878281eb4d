#pragma once
// Reading what the player's folders hold. A folder, a FIFO, a device or a socket under a file's
// name is refused without waiting on it, and a file larger than its reader takes is refused before
// a byte is read, so nothing a player (or anyone) puts in a folder can hang or exhaust a start.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace pellam::platform {

// True when `path` names a regular file, through symbolic links; false for anything else or nothing.
bool isRegularFile(const std::string& path);

// The whole of the regular file `path` when it holds at most `largestBytes`; else nothing, with
// `why` saying why (not a regular file, its size, or the system's error). The file is opened
// without blocking and checked on the open descriptor, so a FIFO swapped in is refused too.
std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::string& why,
                                                    uintmax_t largestBytes = std::numeric_limits<uintmax_t>::max());

// A byte count as the messages give it: "1,073,741,824 bytes".
std::string bytesText(uintmax_t bytes);

}  // namespace pellam::platform
