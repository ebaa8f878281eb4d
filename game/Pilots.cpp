// The five pilots: reading their careers at start, the sign-in window, the statistics window,
// clearing a pilot and the rank rule. Careers are stored at every scoring change (savePilots).
#include <chrono>
#include <cstdio>

#include "core/ZephModel.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

namespace pellam {
namespace {

std::string nameKey(int i) { return "Pilot" + std::to_string(i + 1) + "NameKey"; }

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

}  // namespace

double VADArizodazar2::secondsSince2001() const {
    if (clockSince2001) return clockSince2001();
    constexpr double kUnixAt2001 = 978'307'200.0;  // s
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count() - kUnixAt2001;
}

void VADArizodazar2::doPlayerSignIn() {
    if (!MyVRAMOkay) return;
    pilots_.PilotStatsLoaded = true;  // a first start: fresh careers are the player's to keep
    if (store_.hasKey("PilotStatsKey")) {
        const auto block = store_.dataForKey("PilotStatsKey");
        if (!block || !decodePilotStats(*block, pilots_.PilotStats)) {
            // Left in the store untouched: no save writes over records it could not read.
            pilots_.PilotStatsLoaded = false;
            pilots_.pilotBlockMessage =
                (block ? "The stored pilot records are " + std::to_string(block->size()) + " bytes, not 1,660"
                       : std::string("The stored pilot records cannot be decoded")) +
                "; they are left as they are in " + store_.filePath() +
                ". Fresh records are used this time and are not saved over them. \"Start fresh records\" keeps a "
                "copy of the settings file as it is and saves the new records from now on.";
            platform::logMessage(pilots_.pilotBlockMessage);
            ui_.freshRecordsNotice = pilots_.pilotBlockMessage;
            tellPlayer(pilots_.pilotBlockMessage);
        }
    }
    fromPilotSignInMenu();
}

void VADArizodazar2::startFreshPilotRecords() {
    if (pilots_.PilotStatsLoaded) return;
    // The unread block is written over only with a copy of the file kept aside first.
    store_.keepAsideBeforeWriting("PilotStatsKey");
    pilots_.PilotStatsLoaded = true;
    pilots_.pilotBlockMessage.clear();
    ui_.freshRecordsNotice.clear();
    savePilots();
}

void VADArizodazar2::fillPilotRow(int i) {
    PilotType& p = pilots_.PilotStats[i];
    if (p.StartDate == 0) {
        p.StartDate = today();
        p.PilotLives = 1;
    }
    const auto days = static_cast<int32_t>(secondsSince2001() / 86400.0 - p.StartDate);
    ui_.PScore[i] = scoring::groupDigits(format("%.2f/%d/%d", p.PilotFlightTime / 3600.0, days, p.PilotScore), "/.");
    ui_.toPilotLives[i] = std::to_string(p.PilotLives);
    ui_.KD[i] = scoring::groupDigits(format("%d\r%d", p.TotalKills, p.TotalDeaths), "\r");
    ui_.KDR[i] = p.TotalDeaths == 0 ? "0/0" : format("%.2f/1", double(p.TotalKills) / p.TotalDeaths);
    ui_.OKD[i] = scoring::groupDigits(format("%d\r%d", p.OnlineKills, p.OnlineDeaths), "\r");
    ui_.OKDR[i] = p.OnlineDeaths == 0 ? "0/0" : format("%.2f/1", double(p.OnlineKills) / p.OnlineDeaths);
}

void VADArizodazar2::fromPilotSignInMenu() {
    // A stored number outside the five pilots selects the first.
    const int64_t stored = store_.integerForKey("PilotNumberKey").value_or(0);
    pilots_.CurrentPilotNumber = stored >= 0 && stored < kPilotCount ? stored : 0;
    for (int i = 0; i < kPilotCount; ++i) fillPilotRow(i);
    ui_.pilotRadio.clear();
    ui_.pilotRadio.setState(true, pilots_.pilotIndex(), 0);
    for (int i = 0; i < kPilotCount; ++i) {
        // A pilot never named keeps the name the game gave him at start-up.
        if (auto name = store_.stringForKey(nameKey(i))) ui_.pilotNameFields[i].stringValue = *name;
        ui_.pilotNameFields[i].tag = 21 + i;
        ui_.pilotFields[i].tag = 1 + i;
    }
    ui_.toPilotSignInWindow.makeKeyAndOrderFront();
    ui_.pilotNameFields[pilots_.pilotIndex()].selectRequested = true;
}

void VADArizodazar2::fromPlayerSignInOkay() {
    for (int i = 0; i < kPilotCount; ++i) {
        std::string& name = ui_.pilotNameFields[i].stringValue;
        name = platform::cutToCharacters(name, 14);
        store_.setString(nameKey(i), name);
    }
    int chosen = 0;
    for (int r = 0; r < kPilotCount; ++r)
        if (ui_.pilotRadio.cellAt(r, 0)) chosen = r;
    store_.setInteger("PilotNumberKey", chosen);
    pilots_.CurrentPilotNumber = chosen;
    const std::string name = store_.stringForKey(nameKey(chosen)).value_or("");
    PilotType& pilot = pilots_.PilotStats[chosen];
    if (pilot.StartDate == 0) {
        pilot.StartDate = today();
        pilot.PilotLives = 1;
    }
    ui_.toPilotSignInWindow.close();
    checkCampaignsForEnabled();

    if (mission_.CustomPaintJobNumber > 0) toMyZephGLView->glDeleteONETexture(mission_.CustomPaintJobNumber);
    if (mission_.CustomPaintJobNumber2 > 0) toMyZephGLView->glDeleteONETexture(mission_.CustomPaintJobNumber2);
    // The name becomes a file name: one that could leave the paint-job folder finds no picture.
    const bool fileName = !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
    mission_.CustomPaintJobNumber = fileName ? toMyZephGLView->tryForCustomPaintJobBig(name) : 0;
    mission_.CustomPaintJobNumber2 = fileName ? toMyZephGLView->tryForCustomPaintJobSmall(name) : 0;
    if (ZephModel* ours = modelAt(ModelArray::kFirstAircraft))
        ours->setCustomPaintJobNumberBig(mission_.CustomPaintJobNumber, mission_.CustomPaintJobNumber2);

    pilots_.PlayerNameString = scoring::playerNameString(name);
    network_->setJoinerParticularsName(pilots_.PlayerNameString, lobby_.JoinAddress, lobby_.TeamRequest, 0, mission_.CurrentMissionNumber);
    savePilots();
    // Kept at once: a game that is killed rather than quit still knows who flew.
    saveStore();
    pilotsigninhasclosed = true;
}

void VADArizodazar2::FillInRank(int missionsWon) {
    PilotType& p = pilots_.PilotStats[pilots_.pilotIndex()];
    p.Rank = scoring::rankFor(p.PilotScore, p.PilotFlightTime, p.CurrentPilotKills, missionsWon);
}

void VADArizodazar2::fromSelectedPlayersStats() {
    const int i = pilots_.pilotIndex();
    PilotType& p = pilots_.PilotStats[i];
    ui_.toPSNameScore = "Name: " + ui_.pilotNameFields[i].stringValue +
                        format("\rLives: %d\rDogfight Kills: %d", p.PilotLives, p.CurrentPilotKills);
    if (p.StartDate == 0) {
        p.StartDate = today();
        p.PilotLives = 1;
    }
    const std::vector<std::string> won = completedList();
    FillInRank(static_cast<int>(won.size()));
    ui_.toPSComMis.clear();
    for (const std::string& entry : won) ui_.toPSComMis += entry + "\r";
    const auto days = static_cast<int32_t>(secondsSince2001() / 86400.0 - p.StartDate);
    ui_.toPSFTRank = format("Score: %d\rFlight Hours/Days Alive/Landings: %.2f/%d/%d\r", p.PilotScore,
                            p.PilotFlightTime / 3600.0, days, p.ObjectKillCounts[4]) +
                     scoring::rankText(p.Rank);
    auto column = [&](std::array<int, 9> entries) {
        std::string text;
        for (int e : entries) text += std::to_string(p.ObjectKillCounts[e]) + "\r";
        return text;
    };
    ui_.toPSItemsLeft = column({1, 2, 3, 5, 6, 7, 8, 9, 10});
    ui_.toPSItemsRight = column({11, 12, 13, 14, 15, 16, 17, 19, 18});
    ui_.toPSWindow.makeKeyAndOrderFront();
}

void VADArizodazar2::fromClearStats() { ui_.toClearPStats.makeKeyAndOrderFront(); }

void VADArizodazar2::fromCancelClearStats() { ui_.toClearPStats.close(); }

void VADArizodazar2::fromClearStatsOkayButton() {
    const int i = pilots_.pilotIndex();
    PilotType& p = pilots_.PilotStats[i];
    p.TotalDeaths = p.TotalKills = p.CurrentPilotKills = p.OnlineKills = p.OnlineDeaths = 0;
    p.PilotScore = p.PilotFlightTime = p.Rank = 0;
    p.StartDate = today();
    p.PilotLives = 1;
    p.ObjectKillCounts.fill(0);
    ui_.toClearPStats.close();
    fillPilotRow(i);
    if (store_.hasKey(completedKey())) store_.removeKey(completedKey());
    savePilots();
    checkCampaignsForEnabled();
}

}  // namespace pellam
