#pragma once
#include <string>

namespace pellam::platform {

// The folder that holds the pellam executable, without a trailing slash. The application's
// resources are its data/ folder; the user's "Necessary Data" folder sits beside it too.
std::string applicationFolder();

// The application resources, with a trailing slash: "<applicationFolder>/data/".
std::string resourcesFolder();

// "<applicationFolder>/Necessary Data", the user's own textures, sounds, missions and paint jobs.
std::string necessaryDataFolder();

// Where the user-defaults store lives: $XDG_CONFIG_HOME/pellam, else ~/.config/pellam.
std::string configFolder();

// The desktop (screen shots go there): the XDG desktop folder, else the home folder.
std::string desktopFolder();

// Tests point the application folder elsewhere; an empty path restores the executable's folder.
void setApplicationFolder(const std::string& path);

}  // namespace pellam::platform
