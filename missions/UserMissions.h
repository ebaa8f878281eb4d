#pragma once
// The user's own missions: single mission files in the missions folder, then each sub-folder
// holding mission files as a campaign. They fill slots 51..200 of the mission table in load order
// and the mission menu after its user-start item. Campaign missions open one by one as the pilot
// wins them. A joining machine finds the host's user mission by its (Hash1, SecondsSince2001).
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "missions/MissionFile.h"
#include "missions/MissionMenu.h"
#include "missions/MissionTable.h"
#include "platform/WriterThread.h"

namespace pellam::missions {

// A user mission file fit to load: the mission extension, a readable mission (a regular file of a
// mission's size), a byte sum equal to its Hash1 and at most 13 object kinds. Empty when it is,
// else why not, naming the file.
std::string checkUserMission(const std::string& path, MissionFileContents& out);

// What a reload of the missions folder found, read without touching the table or the menu (so
// off the frame thread): the menu lines after the user-start item with their pictures (empty for
// none), the missions for slots 51.. in order, and the files left out with their reasons.
struct UserMissionScan {
    std::vector<MenuItem> items;
    std::vector<std::string> pictures;  // one per item
    std::vector<MissionFileContents> missions;
    std::vector<std::string> leftOut;
};
// The folder (ending in '/') read as reloadUserMissions reads it; every file left out is logged.
UserMissionScan scanUserMissions(const std::string& folder);
// Swaps a scan into slots 51..200 and the menu after its user-start item; answers how many
// missions it holds. `leftOut` gains the scan's refusals. A menu without a user-start item is left alone.
int applyUserMissions(MissionTable& table, MissionMenu& menu, UserMissionScan&& scan,
                      std::vector<std::string>* leftOut = nullptr);

// Scans the missions folder on a thread of its own; the frame takes the result when it is ready.
class UserMissionsReader {
public:
    void scanInBackground(const std::string& folder);
    // The latest finished scan, once; nothing while none has finished since the last call.
    std::optional<UserMissionScan> takeScan();
    // Returns once every scan asked for has finished.
    void flush() { reader_.flush(); }

private:
    std::mutex mutex_;
    std::optional<UserMissionScan> ready_;
    platform::WriterThread reader_;  // last: its scans end before the rest goes
};

// Empties slots 51..200 and the menu after its user-start item, then loads the missions folder
// (ending in '/'): single files first, then campaigns (every sub-folder holding mission files,
// whatever its name), each in the listing's order; at most 150. Answers how many were loaded.
// Every file named as a mission that is not loaded (unfit, or past the 150th) is logged with its
// reason, which is also added to `leftOut` when given. A menu without a user-start item is left alone.
int reloadUserMissions(MissionTable& table, MissionMenu& menu, const std::string& folder,
                       std::vector<std::string>* leftOut = nullptr);

// In each campaign the missions up to and including the first one not won can be chosen; the
// rest cannot. `won` answers for a mission title.
void checkCampaignsForEnabled(MissionMenu& menu, const MissionTable& table,
                              const std::function<bool(const std::string&)>& won);

// Whether a finished-mission list holds `title`: an entry counts by its part before the
// mission-time separator (a joiner's entry is the bare title).
bool haveFinished(const std::vector<std::string>& finished, const std::string& title);
inline constexpr char kMissionTimeSeparator[] = "               Mission Time: ";

// The slot that flies a host's mission number: a built-in 0..22 by number, a user mission only by
// its (Hash1, SecondsSince2001), both non-zero; -1 when this machine has no such mission.
long hostMissionSlot(const MissionTable& table, long number, uint32_t hash, double seconds);

}  // namespace pellam::missions
