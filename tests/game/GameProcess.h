#pragma once
// The real game, or another program, started from a test through the shell, and its exit status
// awaited. PELLAM_EXECUTABLE names the game.
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pellam::testing {

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
