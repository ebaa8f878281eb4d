#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

namespace {

std::string temporaryBeside(const std::string& path) { return path + ".tmp-" + std::to_string(::getpid()); }

// fsync of what `path` names (a file or a folder); empty or the system's reason.
std::string syncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return synced ? std::string() : std::strerror(error);
}

// The temporary file, whole and on disk, renamed over `path`; the temporary removed on a failure.
std::string renameIntoPlace(const std::string& temporary, const std::string& path) {
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return ec.message();
    }
    // Without this the new name may not survive a power cut; the file itself is whole either way,
    // so a folder that cannot be synced (some file systems refuse) is no failure.
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    (void)syncPath(folder.empty() ? "." : folder.string(), O_RDONLY | O_DIRECTORY);
    return {};
}

}  // namespace

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string temporary = temporaryBeside(path);
    // No O_EXCL: a temporary left by a killed write of this same process number is written over.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);  // nothing made, so nothing to remove
    size_t done = 0;
    int error = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        else done += size_t(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return std::strerror(error);
    }
    return renameIntoPlace(temporary, path);
}

std::string writeFileAtomically(const std::string& path,
                                const std::function<std::string(const std::string& temporary)>& write) {
    const std::string temporary = temporaryBeside(path);
    std::error_code ignored;
    if (std::string why = write(temporary); !why.empty()) {
        if (isRegularFile(temporary)) std::filesystem::remove(temporary, ignored);
        return why;
    }
    if (std::string why = syncPath(temporary, O_WRONLY); !why.empty()) {
        std::filesystem::remove(temporary, ignored);
        return why;
    }
    return renameIntoPlace(temporary, path);
}

}  // namespace pellam::platform
