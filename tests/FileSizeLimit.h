#pragma once
// A limit on the size of any file this process writes (`ulimit -f`), held while the object lives.
// A write past it fails with EFBIG as the game's own start makes it fail
// (platform::failWritesPastTheFileSizeLimit), never ending the test. And the same limit set in a
// child for the program it runs, as a player's shell sets it.
#include <signal.h>
#include <sys/resource.h>

#include "platform/RegularFile.h"

namespace pellam::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        platform::failWritesPastTheFileSizeLimit();
        getrlimit(RLIMIT_FSIZE, &was_);
        rlimit cut = was_;
        cut.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &cut);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &was_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit was_{};
};

// In a child about to run a program: no file it writes may pass `bytes`, and SIGXFSZ is as a shell
// leaves it, ending the program unless it sees to that itself.
inline void limitFileSizeAsAShellDoes(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace pellam::testing
