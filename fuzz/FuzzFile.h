#pragma once
// The fuzzer's bytes as a file of a given name in a folder of this process's own.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace pellam::fuzz {

inline std::string fuzzFolder() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / ("pellam fuzz " + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
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
