// The user-defaults store on any file: every getter on every kind of key, a save, and a second
// start on what was saved, which must read back whole.
#include <cstdlib>
#include <filesystem>

#include "fuzz/FuzzFile.h"
#include "platform/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pellam::platform::UserDefaults;
    namespace fs = std::filesystem;
    fs::remove_all(pellam::fuzz::fuzzFolder());
    fs::create_directories(pellam::fuzz::fuzzFolder());
    const std::string path = pellam::fuzz::writeFuzzFile("defaults.json", data, size);
    {
        UserDefaults store(path);
        for (const char* key : {"KeyboardPrefsAvailable", "KeyboardButtons2", "PilotStatsKey", "OverallVolumeKey",
                                "NetworkTypeSizeKey", "LastMissionOpenedKey", "A", ""}) {
            (void)store.boolForKey(key);
            (void)store.integerForKey(key);
            (void)store.doubleForKey(key);
            (void)store.stringForKey(key);
            (void)store.dataForKey(key);
        }
        store.setBool("VBlankKey", true);
        store.setData("PilotStatsKey", std::vector<uint8_t>(data, data + std::min<size_t>(size, 64)));
        if (!store.synchronize()) std::abort();  // the folder is ours: a save cannot fail here
        (void)store.takeReports();
    }
    UserDefaults again(path);
    if (!again.loadMessage().empty() || again.boolForKey("VBlankKey") != true) std::abort();
    return 0;
}
