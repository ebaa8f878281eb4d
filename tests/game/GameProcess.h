#pragma once
// Another program started from a test through the shell, and its exit status awaited.
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pellam::testing {

inline pid_t startProcess(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The exit status, -1 when the program did not exit by itself.
inline int finishProcess(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pellam::testing
