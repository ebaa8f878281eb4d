#pragma once
// The fuzzer's bytes as a file of a given name in a folder of this process's own.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace pellam::fuzz {

// Removed when the run ends (libFuzzer ends its timed runs through exit); a run that crashes
// leaves it, with the files that made it crash.
inline std::string fuzzFolder() {
    struct Folder {
        std::string path;
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / ("pellam fuzz " + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return Folder{dir.string()};
    }();
    return folder.path;
}

inline std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = fuzzFolder() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace pellam::fuzz
