#include "platform/RegularFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

namespace pellam::platform {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string bytesText(uintmax_t bytes) {
    // Built forward, a character at a time: inserting commas into the digits made GCC's inlined
    // string code warn of overlapping copies in optimised builds.
    const std::string digits = std::to_string(bytes);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3 + 6);
    for (size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) text.push_back(',');
        text.push_back(digits[at]);
    }
    text.append(bytes == 1 ? " byte" : " bytes");
    return text;
}

namespace {

std::string notAFile(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
}

}  // namespace

std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::string& why, uintmax_t largestBytes) {
    // The type first: a device is never opened (opening one can act), a FIFO never waited on.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(named.st_mode)) {
        why = notAFile(named);
        return std::nullopt;
    }
    // O_NONBLOCK: a FIFO swapped in after the look would otherwise hold the open for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
        why = notAFile(info);
        return std::nullopt;
    }
    if (info.st_dev != named.st_dev || info.st_ino != named.st_ino) {
        why = "it was replaced while it was opened";
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

std::optional<std::string> writtenPath(const std::string& path) {
    // A link to a link is followed as the system follows it, to its limit of 40 hops.
    std::filesystem::path at(path);
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at.string();
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::read_symlink(at, ec);
        if (ec) return at.string();
        at = to.is_absolute() ? to : at.parent_path() / to;
    }
    return std::nullopt;
}

void removeStaleTemporaryFiles(const std::string& folder, const std::vector<std::string>& endings) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const size_t mark = name.rfind(".tmp-");
        if (mark == std::string::npos) continue;
        const std::string_view written(name.data(), mark);
        if (std::none_of(endings.begin(), endings.end(), [&](const std::string& ending) {
                return written.size() >= ending.size() && written.substr(written.size() - ending.size()) == ending;
            }))
            continue;
        const char* digits = name.data() + mark + 5;
        pid_t pid = 0;
        const auto [at, parsed] = std::from_chars(digits, name.data() + name.size(), pid);
        if (parsed != std::errc() || at != name.data() + name.size() || pid <= 0) continue;
        std::error_code kind;
        // Only a file a save could have left: never a folder, a link or anything else.
        if (!std::filesystem::is_regular_file(it->symlink_status(kind))) continue;
        if (pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH)) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

namespace {

std::string temporaryBeside(const std::string& path) { return path + ".tmp-" + std::to_string(::getpid()); }

// The permissions the file now at `path` has, for its replacement; none for a new file.
std::optional<mode_t> modeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return info.st_mode & 07777;
}

// Where a save of `named` goes: the file its links lead to, the temporary beside that file, and
// the mode the replacement keeps. None for a loop of links.
struct SaveTarget {
    std::string path, temporary;
    std::optional<mode_t> mode;
};
std::optional<SaveTarget> saveTargetOf(const std::string& named) {
    std::optional<std::string> path = writtenPath(named);
    if (!path) return std::nullopt;
    std::string temporary = temporaryBeside(*path);
    const std::optional<mode_t> mode = modeOf(*path);
    return SaveTarget{std::move(*path), std::move(temporary), mode};
}

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

void failWritesPastTheFileSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

std::string writeFileAtomically(const std::string& named, std::string_view bytes) {
    const std::optional<SaveTarget> target = saveTargetOf(named);
    if (!target) return std::strerror(ELOOP);
    const auto& [path, temporary, mode] = *target;
    // No O_EXCL: a temporary left by a killed write of this same process number is written over.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);  // nothing made, so nothing to remove
    size_t done = 0;
    int error = 0;
    if (mode && ::fchmod(fd, *mode) != 0) error = errno;
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

}  // namespace pellam::platform
