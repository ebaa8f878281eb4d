// pellam-games-server as a process: its own faults end it with a message, and a stop signal ends
// it cleanly. Each wait is for the process's own events; the bound only stops a hang.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/FileSizeLimit.h"

namespace {
using pellam::testing::limitFileSizeAsAShellDoes;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers' own checks want descriptors too (a pipe to probe memory): starved of them, they
// report before the server can, and only the exit is the server's.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Child {
    pid_t pid = -1;
    int out = -1;  // its stdout and stderr, merged
};

// Starts the server with `args`, its descriptors limited to `maxFiles` and the size of any file it
// writes to `maxFileBytes` (0: unchanged), SIGXFSZ as a shell leaves it.
Child start(const std::vector<std::string>& args, rlim_t maxFiles, rlim_t maxFileBytes = 0) {
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    const std::string program = std::string(build ? build : ".") + "/pellam-games-server";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipe[2];
    EXPECT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    Child run;
    run.pid = ::fork();
    if (run.pid == 0) {
        ::dup2(pipe[1], 1);
        ::dup2(pipe[1], 2);
        ::close_range(3, ~0u, 0);  // what the test's runner left open would take the few descriptors allowed
        if (maxFiles > 0) {
            const rlimit limit{maxFiles, maxFiles};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        if (maxFileBytes > 0) limitFileSizeAsAShellDoes(maxFileBytes);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    run.out = pipe[0];
    return run;
}

// What it has written up to a line holding `until` (or to its end).
std::string readUntil(int fd, const std::string& until) {
    std::string got;
    char buffer[256];
    for (ssize_t n; got.find(until) == std::string::npos && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        got.append(buffer, size_t(n));
    return got;
}

// Its exit status once it ends; -1 when it still runs after a minute (then it is killed).
int exitStatus(pid_t pid) {
    const int handle = int(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{handle, POLLIN, 0};
    const bool ended = ::poll(&p, 1, 60'000) == 1;
    ::close(handle);
    if (!ended) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(s);
    return ntohs(a.sin_port);
}

TEST(GamesServerProcessTest, NoDescriptorForItsWakePipeOrRoomForItsStoreEndsItWithTheReasonAndAStopSignalEndsItCleanly) {
    const std::string db = (std::filesystem::temp_directory_path() / ("pellam-games-run-" + std::to_string(getpid()))).string();
    const std::vector<std::string> args{"--listen", "127.0.0.1:" + std::to_string(freePort()), "--db", db};

    Child starved = start(args, 4);  // 0, 1 and 2 held: no room for a pipe's two ends
    const std::string said = readUntil(starved.out, "no pipe to wake it");
    EXPECT_EQ(exitStatus(starved.pid), 1);
    if (!kSanitized) {
        EXPECT_NE(said.find("no pipe to wake it"), std::string::npos) << said;
    }
    ::close(starved.out);

    // A store that cannot grow past `ulimit -f` (a quota) ends it with the reason; SQLite's write
    // once ended it by SIGXFSZ, saying nothing.
    Child limited = start(args, 0, 1000);
    const std::string told = readUntil(limited.out, "cannot set up");
    EXPECT_EQ(exitStatus(limited.pid), 1);
    EXPECT_NE(told.find("cannot set up " + db), std::string::npos) << told;
    ::close(limited.out);
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(db + tail);

    for (const int signal : {SIGTERM, SIGINT}) {
        Child run = start(args, 0);
        const std::string listening = readUntil(run.out, "listening on");
        ASSERT_NE(listening.find("listening on"), std::string::npos) << listening;
        ::kill(run.pid, signal);
        EXPECT_EQ(exitStatus(run.pid), 0) << "after signal " << signal;
        ::close(run.out);
    }
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(db + tail);
}

}  // namespace
