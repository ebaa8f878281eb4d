#include "platform/OpenFile.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace pellam::platform {
namespace {
std::string opener = "xdg-open";
}

void setDesktopOpener(const std::string& program) { opener = program.empty() ? "xdg-open" : program; }

bool openWithDesktop(const std::string& path) {
    std::string program = opener, argument = path;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    // Reaped in the background so that no zombie is left behind.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return true;
}

}  // namespace pellam::platform
