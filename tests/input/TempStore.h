#pragma once
// A user-defaults store on a file of its own, removed afterwards.
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "platform/UserDefaults.h"

namespace pellam::input::test {

class TempStore {
public:
    TempStore() {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("pellam_input_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".json"))
                    .string();
        std::filesystem::remove(path_);
        store_ = std::make_unique<platform::UserDefaults>(path_);
    }
    ~TempStore() {
        store_.reset();
        std::filesystem::remove(path_);
    }
    platform::UserDefaults& operator*() { return *store_; }
    platform::UserDefaults* operator->() { return store_.get(); }
    // A fresh store object on the same file, as at the next start.
    void reopen() {
        store_->synchronize();
        store_ = std::make_unique<platform::UserDefaults>(path_);
    }

private:
    std::string path_;
    std::unique_ptr<platform::UserDefaults> store_;
};

}  // namespace pellam::input::test
