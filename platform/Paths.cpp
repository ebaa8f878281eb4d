#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/RegularFile.h"

namespace pellam::platform {
namespace fs = std::filesystem;
namespace {

std::string overrideFolder;

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

std::string executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

// XDG_DESKTOP_DIR from the environment or from user-dirs.dirs, with $HOME expanded.
std::string xdgDesktop() {
    if (const char* env = std::getenv("XDG_DESKTOP_DIR"); env && *env) return env;
    std::string why;
    // A few lines of text: anything larger is no such file.
    const auto bytes = readRegularFile((fs::path(configFolder()).parent_path() / "user-dirs.dirs").string(), why,
                                       64 * 1024);
    if (!bytes) return {};
    std::istringstream dirs(std::string(bytes->begin(), bytes->end()));
    std::string line;
    while (std::getline(dirs, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = homeFolder() + value.substr(5);
        return value;
    }
    return {};
}

}  // namespace

std::string applicationFolder() {
    static const std::string folder = executableFolder();
    return overrideFolder.empty() ? folder : overrideFolder;
}

std::string resourcesFolder() { return applicationFolder() + "/data/"; }

std::string necessaryDataFolder() { return applicationFolder() + "/Necessary Data"; }

std::string configFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/pellam";
    return homeFolder() + "/.config/pellam";
}

std::string desktopFolder() {
    std::error_code ec;
    const std::string desktop = xdgDesktop();
    if (!desktop.empty() && fs::is_directory(desktop, ec)) return desktop;
    if (fs::is_directory(homeFolder() + "/Desktop", ec)) return homeFolder() + "/Desktop";
    return homeFolder();
}

void setApplicationFolder(const std::string& path) { overrideFolder = path; }

}  // namespace pellam::platform
