#pragma once
#include <string>

namespace pellam::platform {

// Opens a file with the desktop's default application ("xdg-open"), the path handed over as one
// argument, never through a shell, so spaces and quotes in it are harmless. Does not wait for
// the application. False when the program could not be started.
bool openWithDesktop(const std::string& path);

// Tests name another program that takes the path as its one argument; empty restores xdg-open.
void setDesktopOpener(const std::string& program);

}  // namespace pellam::platform
