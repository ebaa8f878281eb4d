#pragma once
// Programs a test runs as a player would start them: a shell command line in a child process,
// and its exit status once it ends.
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pellam::testing {

inline pid_t startCommand(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The exit status; -1 when it did not exit by itself.
inline int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pellam::testing
