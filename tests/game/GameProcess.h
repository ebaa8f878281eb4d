#pragma once
// The real game, or another program, started from a test through the shell, and its exit status
// awaited; the port it reports having taken; a loopback socket for tests of their own. PELLAM_EXECUTABLE names the game, where a test starts it.
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pellam::testing {

#ifdef PELLAM_EXECUTABLE
// The command that starts the game with `environment` added (env's own options may lead), its
// settings under `folder`/config and, when one is given, the player's script in `folder`.
inline std::string gameCommand(const std::filesystem::path& folder, const std::string& environment,
                               const std::string& script = "") {
    std::filesystem::create_directories(folder);
    std::string command = "env " + environment + " XDG_CONFIG_HOME='" + (folder / "config").string() + "'";
    if (!script.empty()) {
        std::ofstream(folder / "script") << script;
        command += " PELLAM_PLAYER_SCRIPT='" + (folder / "script").string() + "'";
    }
    return command + " '" PELLAM_EXECUTABLE "'";
}
#endif

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

// The number that follows `marker` in the file a process writes, once it has written it; -1 when
// the process ends first (or after five minutes, a start far slower than any seen).
inline long awaitNumberAfter(pid_t pid, const std::filesystem::path& file, const std::string& marker) {
    for (int i = 0; i < 30000; ++i) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (const size_t at = line.find(marker); at != std::string::npos)
                return std::strtol(line.c_str() + at + marker.size(), nullptr, 10);
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return -1;
        usleep(10000);
    }
    return -1;
}

// A TCP socket on 127.0.0.1 at a free port, listening when asked (connections taken, never
// answered); closed with the object.
struct LoopbackSocket {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    explicit LoopbackSocket(bool listening) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        if (listening) listen(fd, 8);
        socklen_t size = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        port = ntohs(a.sin_port);
    }
    ~LoopbackSocket() { close(fd); }
};

}  // namespace pellam::testing
