#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pellam::platform {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string bytesText(uintmax_t bytes) {
    std::string digits = std::to_string(bytes);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(size_t(at), ",");
    return digits + (bytes == 1 ? " byte" : " bytes");
}

std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::string& why, uintmax_t largestBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        why = S_ISDIR(info.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
        return std::nullopt;
    }
    const auto size = static_cast<uintmax_t>(info.st_size);
    if (size > largestBytes) {
        why = "it is " + bytesText(size) + ", more than the " + bytesText(largestBytes) + " such a file can hold";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t done = 0;
    // A file that grows while it is read is taken as it was when it was measured.
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            return std::nullopt;
        }
        if (n == 0) break;  // shrank while read: what is there
        done += size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace pellam::platform
