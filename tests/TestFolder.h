#pragma once
// A folder of the running test's own in the temporary folder, named after the test and this
// process, made empty at the start and removed at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace pellam::testing {

class TestFolder {
public:
    explicit TestFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() /
                (prefix + " " + std::to_string(getpid()) + " " +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() { std::filesystem::remove_all(path_); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The names in the folder but `except`, sorted.
    std::vector<std::string> namesBut(const std::string& except) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            if (entry.path().filename() != except) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

}  // namespace pellam::testing
