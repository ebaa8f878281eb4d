#include "builder/AircraftTabs.h"

#include <algorithm>
#include <cctype>

#include "builder/TextValues.h"
#include "missions/MissionBounds.h"

namespace pellam::builder {
namespace {

using missions::AircraftInit;
using missions::MissionData;

constexpr const char* kTeamNames[4] = {"Red", "Blue", "Yellow", "Black"};

// Position of the item whose tag is `value`; `fallback` when none is.
template <size_t N>
int itemOf(const std::array<int32_t, N>& items, int32_t value, int fallback = 0) {
    for (size_t i = 0; i < N; ++i)
        if (items[i] == value && value != 0) return static_cast<int>(i);
    return fallback;
}

// Tag of the item at `index`; the first item's for an index outside the menu or a separator.
template <size_t N>
int32_t tagOf(const std::array<int32_t, N>& items, int index) {
    if (index < 0 || index >= static_cast<int>(N) || items[index] == 0) return items[0];
    return items[index];
}

AircraftInit& recordOf(MissionData& m, int n, int page) { return page == 0 ? m.AircraftStarts[n] : m.ResetAircraftStarts[n]; }
const AircraftInit& recordOf(const MissionData& m, int n, int page) {
    return page == 0 ? m.AircraftStarts[n] : m.ResetAircraftStarts[n];
}
double* rowOf(MissionData& m, int n, int page) { return m.MissionStartLocations[n + 8 * page]; }
const double* rowOf(const MissionData& m, int n, int page) { return m.MissionStartLocations[n + 8 * page]; }

void fillPage(const MissionData& m, int n, int page, AircraftPage& p) {
    const AircraftInit& r = recordOf(m, n, page);
    const double* row = rowOf(m, n, page);
    p.position = placeText(row);
    p.heading = std::to_string(cutToInt(r.Heading));
    p.speed = std::to_string(cutToInt(r.MPH));
    p.throttle = shownNumber(r.Throttle);
    p.gear = cutToInt(r.Gear) != 0;
    p.randomDistance = std::to_string(cutToInt(r.RandomDistance));
    p.fuel = shownNumber(row[4]);
    p.flaps = shownNumber(r.Flaps);
    p.bombs = std::to_string(r.NumberOfBombs);
    p.startTypeItem = itemOf(kStartTypeItems, r.StartType);
    p.skillColumn = std::clamp(r.AISkillLevel, 0, kSkillColumns - 1);
    p.aiTypeItem = itemOf(kAITypeItems, r.AIType);
    p.wingmanLeader = missions::ranges::kWingmanLeader.clamp(r.LeadAircraftForWingman) + 1;
    p.firstPathPoint = missions::ranges::kPathPoint.clamp(r.FirstFlyPoint) + 1;
    p.patrolSeconds = r.PatrolForSeconds;
    p.attackDistance = cutToInt(r.AttackEnemyDistance);
    p.returnDistance = cutToInt(r.ReturnToPatrolDistance);
    p.objectAttackDistance = m.AttackEnemyObjectDistance[2 * n + page];
}

void readPage(const AircraftPage& p, MissionData& m, int n, int page, const GroundHeight& groundAt) {
    AircraftInit& r = recordOf(m, n, page);
    double* row = rowOf(m, n, page);

    const std::vector<std::string> parts = splitAtCommas(p.position);
    double xyz[3] = {row[0], row[1], row[2]};
    for (size_t k = 0; k < parts.size() && k < 3; ++k) xyz[k] = textInt(parts[k]);
    if (groundAt(xyz[0], xyz[2]) + 5.0 > xyz[1]) xyz[1] = -1.0;
    std::copy(xyz, xyz + 3, row);

    r.StartType = tagOf(kStartTypeItems, p.startTypeItem);
    r.RandomDistance = textDouble(p.randomDistance);
    r.MPH = textDouble(p.speed);
    r.Heading = row[3] = textDouble(p.heading);
    row[4] = textDouble(p.fuel);
    r.Throttle = textDouble(p.throttle);
    r.Gear = p.gear ? 1.0 : 0.0;
    r.Flaps = textDouble(p.flaps);
    // More than the racks hold would be dropped as phantom bombs.
    r.NumberOfBombs = std::clamp(textInt(p.bombs), 0, kMaxBombs);
    r.AISkillLevel = std::clamp(p.skillColumn, 0, kSkillColumns - 1);
    r.AIType = tagOf(kAITypeItems, p.aiTypeItem);
    // Its own number means the next aircraft; the last, with none after it, keeps its own, which
    // its wingman reads as fighting on alone.
    int32_t lead = std::clamp(p.wingmanLeader, 0, 9) - 1;  // any number past these clamps the same way
    if (lead == n) lead = n + 1;
    r.LeadAircraftForWingman = std::clamp(lead, 0, 7);
    r.FirstFlyPoint = std::clamp(p.firstPathPoint, 1, missions::kFlyToPoints) - 1;
    r.PatrolForSeconds = missions::ranges::kPatrolSeconds.clamp(p.patrolSeconds);
    r.AttackEnemyDistance = missions::ranges::kDistance.clamp(p.attackDistance);
    r.ReturnToPatrolDistance = missions::ranges::kDistance.clamp(p.returnDistance);
    m.AttackEnemyObjectDistance[2 * n + page] = std::max(p.objectAttackDistance, 0);
}

// One victory location's fields, copied out of and into the record by name: some of its doubles
// lie at 4-byte boundaries and are only ever reached as members.
struct Location {
    int32_t flags = 1;
    double at[3] = {};
    double near = 0, speed = 0;
    int32_t speedFlags = 1;
};

Location locationOf(const missions::VictoryConditions& v, int i) {
    switch (i) {
    case 0: return {v.Location1Flags, {v.Location1[0], v.Location1[1], v.Location1[2]}, v.Location1NearDistance, v.SpeedMPH1, v.Speed1Flags};
    case 1: return {v.Location2Flags, {v.Location2[0], v.Location2[1], v.Location2[2]}, v.Location2NearDistance, v.SpeedMPH2, v.Speed2Flags};
    default: return {v.Location3Flags, {v.Location3[0], v.Location3[1], v.Location3[2]}, v.Location3NearDistance, v.SpeedMPH3, v.Speed3Flags};
    }
}

void setLocation(missions::VictoryConditions& v, int i, const Location& l) {
    switch (i) {
    case 0:
        v.Location1Flags = l.flags;
        for (int k = 0; k < 3; ++k) v.Location1[k] = l.at[k];
        v.Location1NearDistance = l.near;
        v.SpeedMPH1 = l.speed;
        v.Speed1Flags = l.speedFlags;
        break;
    case 1:
        v.Location2Flags = l.flags;
        for (int k = 0; k < 3; ++k) v.Location2[k] = l.at[k];
        v.Location2NearDistance = l.near;
        v.SpeedMPH2 = l.speed;
        v.Speed2Flags = l.speedFlags;
        break;
    default:
        v.Location3Flags = l.flags;
        for (int k = 0; k < 3; ++k) v.Location3[k] = l.at[k];
        v.Location3NearDistance = l.near;
        v.SpeedMPH3 = l.speed;
        v.Speed3Flags = l.speedFlags;
        break;
    }
}

}  // namespace

int32_t teamNumber(const std::string& text) {
    for (int k = 0; k < 4; ++k) {
        const std::string name = kTeamNames[k];
        if (name.size() == text.size() &&
            std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return k + 1;
    }
    return 0;
}

void fillInAircraftTabInfo(const MissionData& m, AircraftTabControls& tabs) {
    for (int n = 0; n < 8; ++n) {
        AircraftSlot& slot = tabs.slots[n];
        for (int page = 0; page < 2; ++page) fillPage(m, n, page, slot.pages[page]);
        const AircraftInit& start = m.AircraftStarts[n];
        slot.typeItem = itemOf(kAircraftTypeItems, start.AircraftType);
        if (start.Team >= 1 && start.Team <= 4) slot.team = kTeamNames[start.Team - 1];
        slot.comesBackColumn = start.WillComeBackToLife ? 0 : 1;
        slot.restarts = m.NumberOfAircraftRestarts[n];
        if (n > 0) slot.onOffColumn = start.OnOff ? 0 : 1;
    }
}

void fillInVictoryLocationInfo(const MissionData& m, AircraftTabControls& tabs) {
    for (int i = 0; i < 3; ++i) {
        const Location l = locationOf(m.TheVictory, i);
        VictoryLocationTab& tab = tabs.victoryLocations[i];
        tab.location = placeText(l.at);
        tab.modeColumn = std::clamp(l.flags, 1, kLocationModeColumns) - 1;
        tab.nearDistance = cutToInt(l.near);
        tab.speed = cutToInt(l.speed);
        tab.speedModeColumn = std::clamp(l.speedFlags, 1, kSpeedModeColumns) - 1;
    }
}

void readAircraftTabs(const AircraftTabControls& tabs, MissionData& m, const GroundHeight& groundAt) {
    for (int n = 0; n < 8; ++n) {
        const AircraftSlot& slot = tabs.slots[n];
        const int32_t type = tagOf(kAircraftTypeItems, slot.typeItem);
        m.AircraftStarts[n].AircraftType = m.ResetAircraftStarts[n].AircraftType = type;
        m.ObjectList[n + 2].ObjectCode = type;
        for (int page = 0; page < 2; ++page) readPage(slot.pages[page], m, n, page, groundAt);
        m.ResetAircraftStarts[n].Gear = 1.0;  // a restart always comes in with its wheels down
        const int32_t team = teamNumber(slot.team);
        m.AircraftStarts[n].Team = m.ResetAircraftStarts[n].Team = team ? team : 1;
        m.AircraftStarts[n].WillComeBackToLife = slot.comesBackColumn == 0 ? 1 : 0;
        m.NumberOfAircraftRestarts[n] = std::max(slot.restarts, 0);
        if (n > 0) m.AircraftStarts[n].OnOff = m.ResetAircraftStarts[n].OnOff = slot.onOffColumn == 0 ? 1 : 0;
    }
}

int readVictoryLocations(const AircraftTabControls& tabs, MissionData& m) {
    int unread = 0;
    for (int i = 0; i < 3; ++i) {
        const VictoryLocationTab& tab = tabs.victoryLocations[i];
        Location l = locationOf(m.TheVictory, i);
        l.flags = std::clamp(tab.modeColumn, 0, kLocationModeColumns - 1) + 1;
        if (!readThreeNumbers(tab.location, l.at)) ++unread;
        l.near = tab.nearDistance;
        l.speed = tab.speed;
        l.speedFlags = std::clamp(tab.speedModeColumn, 0, kSpeedModeColumns - 1) + 1;
        setLocation(m.TheVictory, i, l);
    }
    return unread;
}

void copyStartToRestart(MissionData& m, AircraftTabControls& tabs, AircraftTabControls* shown, int n) {
    if (n < 0 || n > 7) return;
    std::copy(m.MissionStartLocations[n], m.MissionStartLocations[n] + 5, m.MissionStartLocations[n + 8]);
    m.ResetAircraftStarts[n] = m.AircraftStarts[n];
    tabs.slots[n].pages[1] = tabs.slots[n].pages[0];
    if (!shown) return;
    AircraftPage& restart = shown->slots[n].pages[1];
    const bool gear = restart.gear;
    fillPage(m, n, 1, restart);
    restart.gear = gear;
}

}  // namespace pellam::builder
