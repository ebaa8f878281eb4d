#include "missions/UserMissions.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/Log.h"

namespace pellam::missions {
namespace {
namespace fs = std::filesystem;

// A folder's entries sorted by name, so that a campaign's missions come in the order their files
// are named (a directory listing has no order of its own). Empty when it cannot be listed.
std::vector<fs::path> listing(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool namedAsMission(const fs::path& file) { return file.extension() == std::string(".") + kMissionExtension; }

struct Loader {
    UserMissionScan& scan;
    int count = 0;  // user missions loaded so far

    bool full() const { return count >= MissionTable::kLastUser - MissionTable::kFirstUser + 1; }

    // Reads a checked file as the next user slot with its menu item; false when it is not fit.
    // A file named as a mission that is not loaded is logged with the reason; other files
    // (pictures, notes) are passed over without a word.
    bool load(const fs::path& file, const std::string& title, const std::string& picture) {
        if (!namedAsMission(file)) return false;
        MissionFileContents contents;
        std::string why = full() ? file.string() + ": more than 150 user missions; the rest are left out"
                                 : checkUserMission(file.string(), contents);
        if (!why.empty()) {
            platform::logMessage("User mission left out: " + why);
            scan.leftOut.push_back(std::move(why));
            return false;
        }
        const long slot = MissionTable::kFirstUser + count;
        scan.items.push_back({title + contents.texts.title, static_cast<int>(slot), true});
        scan.pictures.push_back(picture);
        scan.missions.push_back(std::move(contents));
        ++count;
        return true;
    }
    void label(MenuItem item) {
        scan.items.push_back(std::move(item));
        scan.pictures.emplace_back();
    }
};

bool holdsMissions(const fs::path& folder) {
    const std::vector<fs::path> entries = listing(folder);
    return std::any_of(entries.begin(), entries.end(),
                       [](const fs::path& entry) { return confirmFileIsMission(entry.string()); });
}

}  // namespace

std::string checkUserMission(const std::string& path, MissionFileContents& out) {
    if (!namedAsMission(path)) return path + " is not a mission file";
    if (std::string why = readMissionFile(path, out); !why.empty()) return why;
    if (out.byteSum != out.record.Hash1) return path + ": the byte sum does not match Hash1";
    return {};
}

UserMissionScan scanUserMissions(const std::string& folder) {
    UserMissionScan scan;
    Loader loader{scan};
    const std::vector<fs::path> entries = listing(folder);
    int singles = 0;
    std::error_code error;
    for (const fs::path& entry : entries) {
        if (fs::is_directory(entry, error)) continue;  // a campaign, whatever its name
        if (loader.load(entry, "     User Mission #" + std::to_string(singles + 1) + ": ",
                        entry.stem().string() + ".jpg"))
            ++singles;
    }
    bool headerAdded = false;
    for (const fs::path& entry : entries) {
        if (!fs::is_directory(entry, error) || !holdsMissions(entry)) continue;
        const std::string name = entry.filename().string();
        if (!loader.full()) {
            if (!headerAdded) loader.label({"User Campaign Missions:", kTagCampaignsHeader, false});
            headerAdded = true;
            loader.label({"     " + name, kTagCampaignName, false});
        }
        int inCampaign = 0;
        for (const fs::path& file : listing(entry)) {
            const std::string title = "          #" + std::to_string(inCampaign + 1) + "-#" +
                                      std::to_string(loader.count + 1) + ": ";
            if (loader.load(file, title, name + "/" + file.stem().string() + ".jpg")) ++inCampaign;
        }
    }
    return scan;
}

int applyUserMissions(MissionTable& table, MissionMenu& menu, UserMissionScan&& scan,
                      std::vector<std::string>* leftOut) {
    const int start = menu.userStartPosition();
    if (start < 0) return 0;
    menu.items.resize(start + 1);
    if (menu.pictureNames.size() > menu.items.size()) menu.pictureNames.resize(menu.items.size());
    for (long slot = MissionTable::kFirstUser; slot <= MissionTable::kLastUser; ++slot) table.clear(slot);
    for (size_t i = 0; i < scan.items.size(); ++i) {
        menu.items.push_back(std::move(scan.items[i]));
        if (!scan.pictures[i].empty()) menu.setPicture(menu.items.size() - 1, scan.pictures[i]);
    }
    const int count = static_cast<int>(scan.missions.size());
    for (int i = 0; i < count; ++i) table.store(MissionTable::kFirstUser + i, std::move(scan.missions[i]));
    if (leftOut) leftOut->insert(leftOut->end(), scan.leftOut.begin(), scan.leftOut.end());
    return count;
}

int reloadUserMissions(MissionTable& table, MissionMenu& menu, const std::string& folder,
                       std::vector<std::string>* leftOut) {
    if (menu.userStartPosition() < 0) return 0;
    return applyUserMissions(table, menu, scanUserMissions(folder), leftOut);
}

void UserMissionsReader::scanInBackground(const std::string& folder) {
    // A newer scan waiting replaces the older: only the folder as it is last matters.
    reader_.queue("scan", [this, folder]() -> std::string {
        UserMissionScan scan = scanUserMissions(folder);
        std::lock_guard lock(mutex_);
        ready_ = std::move(scan);
        return {};
    });
}

std::optional<UserMissionScan> UserMissionsReader::takeScan() {
    std::lock_guard lock(mutex_);
    return std::exchange(ready_, std::nullopt);
}

void checkCampaignsForEnabled(MissionMenu& menu, const MissionTable& table,
                              const std::function<bool(const std::string&)>& won) {
    bool inCampaign = false, unfinishedSeen = false;
    for (MenuItem& item : menu.items) {
        if (item.tag == kTagCampaignName) {
            inCampaign = true;
            unfinishedSeen = false;
            continue;
        }
        if (!inCampaign || item.tag < 0) continue;
        const MissionTexts* texts = table.texts(item.tag);
        const bool finished = texts && won(texts->title);
        item.enabled = !unfinishedSeen;
        if (!finished) unfinishedSeen = true;
    }
}

bool haveFinished(const std::vector<std::string>& finished, const std::string& title) {
    return std::any_of(finished.begin(), finished.end(), [&](const std::string& entry) {
        return entry.substr(0, entry.find(kMissionTimeSeparator)) == title;
    });
}

long hostMissionSlot(const MissionTable& table, long number, uint32_t hash, double seconds) {
    if (number >= 0 && number < MissionTable::kBuiltIn) return number;
    if (number < MissionTable::kFirstUser || hash == 0 || seconds == 0.0) return -1;
    for (long slot = MissionTable::kFirstUser; slot <= MissionTable::kLastUser; ++slot) {
        const MissionData* record = table.record(slot);
        if (table.loaded(slot) && record->Hash1 == hash && record->SecondsSince2001 == seconds) return slot;
    }
    return -1;
}

}  // namespace pellam::missions
