// Aircraft start and restart: which class flies in a slot, its team, where it starts (a start
// place, beside an object, a random place, line abreast, in the air near the enemy, or the
// dogfight patterns) and the computer pilot's orders; and the restart of a wreck after it has
// lain 15 s (the player's) or 45 s (the others').
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"

namespace pellam {
namespace {

using missions::AircraftInit;
using missions::MissionData;

constexpr double kDeg = 57.29577951;
constexpr double kParked = -10000.0;  // ft: out of play, below the world
constexpr int32_t kPlayerRestartTicks = 900, kOtherRestartTicks = 2700;

double sinDeg(double a) { return std::sin(a / kDeg); }
double cosDeg(double a) { return std::cos(a / kDeg); }
int32_t teamInRange(int32_t team) { return team >= 1 && team <= 4 ? team : 1; }

// Sets up the aircraft parked out of play.
void park(FlyableAircraft& aircraft) { aircraft.SetUpAircraft(0.0, kParked, 0.0, 0.0, 0.0, 0.8, 0.8); }

// This machine's aircraft number at the host when it is a joiner (1..7), else 0.
long joinerSlot(ControllerNetwork& network) {
    const int32_t j = network.networkAndJoiner() ? network.getJoinerNumber() : 0;
    return j >= 1 && j < ModelArray::kAircraftSlots ? j : 0;
}

// A joiner's aircraft numbers and the host's, either way: his own (0 here) is the host's `joiner`,
// and the host's own is his `joiner`. Without a joiner (0) every number is the same.
long swappedForJoiner(long n, long joiner) { return joiner && n == 0 ? joiner : joiner && n == joiner ? 0 : n; }

}  // namespace

void VADArizodazar2::startThisAircraft(long n, bool fromStart) {
    if (n < 0 || n >= ModelArray::kAircraftSlots) return;
    if (scene_.fixedWorld_) {  // the fixed world has no start records: back where it began
        if (ZephModel* aircraft = modelAt(n + ModelArray::kFirstAircraft)) aircraft->resetModel();
        return;
    }
    MissionData* mission = currentMission();
    if (!mission || !aircraftAt(n + ModelArray::kFirstAircraft)) return;
    auto& records = fromStart ? mission->AircraftStarts : mission->ResetAircraftStarts;

    QNion where;
    aircraftAt(n + ModelArray::kFirstAircraft)->getModelPositionQNion(&where);
    const long joiner = joinerSlot(*network_);
    const long m = swappedForJoiner(n, joiner);
    // The gate comes first, so a refused restart leaves the wreck as it lies, class and team too.
    if (!fromStart && !mission_.isDogfightOnly && !restartAllowed(*mission, m)) return;

    // A type no class answers to would leave the slot empty: it flies as a Camel.
    records[n].AircraftType = missions::startRecordType(records[n].AircraftType);
    setAircraftTeam(n, records, joiner);
    const std::array<int, 5> counts = teamCounts(n, joiner);

    int32_t type = records[n].AircraftType;
    if (type == 1001) {
        if (isNetworkGame()) {
            type = missions::aircraftTypeOf(modelAt(n + ModelArray::kFirstAircraft));
        } else {
            type = missions::selectAircraftTypeRandomly(draw_);
            mission->ResetAircraftStarts[n].AircraftType = type;  // later restarts keep the drawn type
        }
    }
    FlyableAircraft* aircraft = fitAircraftClass(n, type);
    if (!aircraft) return;

    if (n == 0 && lobby_.doTheAutoHost && !lobby_.UseHost && isNetworkGame() && network_->amIHost()) {
        park(*aircraft);
        return;
    }
    if (mission_.isDogfightOnly) placeForDogfight(n, fromStart, counts, where);
    else placeForMission(n, m, fromStart, counts, where);
}

void VADArizodazar2::parkAircraft(long n) {
    if (FlyableAircraft* aircraft = n >= 0 && n < ModelArray::kAircraftSlots ? aircraftAt(n + ModelArray::kFirstAircraft) : nullptr)
        park(*aircraft);
}

// A slot a network player flies: this machine's own, or on the host a joiner's. Its player is in
// the game, so a mission's slot switched off does not park it out of play.
bool VADArizodazar2::flownByNetworkPlayer(long n) {
    if (!isNetworkGame()) return false;
    FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
    return n == 0 || (network_->amIHost() && aircraft && aircraft->getRemoteLocal() != 0);
}

bool VADArizodazar2::restartAllowed(const MissionData& mission, long m) {
    if (!mission.AircraftStarts[m].WillComeBackToLife) return false;
    const int32_t limit = mission.NumberOfAircraftRestarts[m];
    if (limit != 0 && mission_.AircraftRestartCount[m] >= limit) return false;
    ++mission_.AircraftRestartCount[m];
    return true;
}

void VADArizodazar2::setAircraftTeam(long n, const std::array<AircraftInit, 8>& records, long joiner) {
    const MissionData& mission = *currentMission();
    FlyableAircraft& aircraft = *aircraftAt(n + ModelArray::kFirstAircraft);
    int32_t team = records[n].Team;
    // A network player flies for the team he chose, in a mission as in a dogfight, whatever the
    // mission's row for his slot says; a joiner takes the other slots' teams as the host last
    // announced them.
    const int32_t announced = network_->getNetworkMode() != 0 ? network_->getJoinerTeam(n) : 0;
    const bool chosen = announced >= 1 && announced <= 4;
    if (network_->getNetworkMode() != 0 && network_->amIHost()) {
        if (aircraft.getRemoteLocal() != 0) team = mission_.isDogfightOnly || chosen ? announced : team;
        else if (mission_.isDogfightOnly) team = missions::wholeNumber(mission.DogfightOnlyTeams[n]);
    } else if (joiner && n == 0) {
        team = lobby_.TeamRequest;
    } else if (mission_.isDogfightOnly) {
        team = missions::wholeNumber(mission.DogfightOnlyTeams[n]);
    } else if (joiner && chosen) {
        team = announced;
    } else if (joiner && n == joiner) {
        team = records[0].Team;
    }
    aircraft.setTeamNumber(team);
}

// How many aircraft numbered before this one fly in each team 1..4 (entry 0 unused). A joiner
// counts in the host's numbering, where its own aircraft is number J.
std::array<int, 5> VADArizodazar2::teamCounts(long n, long joiner) {
    std::array<int32_t, ModelArray::kAircraftSlots> teams{};
    for (long k = 0; k < ModelArray::kAircraftSlots; ++k)
        if (ZephModel* other = modelAt(k + ModelArray::kFirstAircraft)) teams[k] = other->getTeamNumber();
    if (joiner) std::swap(teams[0], teams[joiner]);
    const long below = swappedForJoiner(n, joiner);
    std::array<int, 5> counts{};
    for (long k = 0; k < below; ++k)
        if (teams[k] >= 1 && teams[k] <= 4) ++counts[teams[k]];
    return counts;
}

// The slot's aircraft, replaced by a new one of `type`'s class when it is of another; the new one
// keeps the old one's team, paint and network role.
FlyableAircraft* VADArizodazar2::fitAircraftClass(long n, int32_t type) {
    const long index = n + ModelArray::kFirstAircraft;
    FlyableAircraft* present = aircraftAt(index);
    if (!present || missions::aircraftTypeOf(present) == type) return present;
    std::unique_ptr<ZephModel> made = objectFactory.make(type);
    auto* fresh = dynamic_cast<FlyableAircraft*>(made.get());
    if (!fresh) return present;
    const int32_t team = present->getTeamNumber(), remote = present->getRemoteLocal();
    const int32_t big = present->getBigCustomPaintJobNumber(), small = present->getSmallCustomPaintJobNumber();
    fresh->initWithGLView(content_.objectView);
    getModelArray()->put(index, std::move(made));
    fresh->setSoundGuy(theSounds->objectSounds());
    fresh->setaController(this);
    fresh->setPilotsPtr(AIPilots.data());
    fresh->setTeamNumber(team);
    fresh->setRemoteLocal(remote);
    fresh->setTerrain(modelAt(ModelArray::kTerrain));
    fresh->setCustomPaintJobNumberBig(big, small);
    // A network player's choice may be a kind the drawing has not met: warmed up unseen as it
    // comes (a mission's start plans its own anyway).
    if (isNetworkGame()) warmUp_.Due = true;
    return fresh;
}

// A network player flies for the team he chose, which need not be his row's: he starts among his
// own side, at the place of the first row of his team (one switched on, where there is one), in
// line abreast beside it by the mission's team spacing, a spacing more for each player before
// him in the host's numbering who also starts so on that team (a team's line abreast, start type
// 30, counts him in as it is). Every machine works it out alike: a player's team is the one the
// host announced for him, a computer pilot's its row's. A row placed by its team, and a team no
// row has, keep the row's own place.
VADArizodazar2::SideStart VADArizodazar2::startAmongOwnSide(long n, long m, const std::array<AircraftInit, 8>& records) {
    constexpr long kSlots = ModelArray::kAircraftSlots;
    FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
    const int32_t team = aircraft ? aircraft->getTeamNumber() : 0;
    if (team < 1 || team > 4 || team == records[m].Team || records[m].StartType == 30) return {m, 0.0};
    long row = -1;
    for (long r = 0; r < kSlots && row < 0; ++r)
        if (records[r].Team == team && records[r].OnOff) row = r;
    for (long r = 0; r < kSlots && row < 0; ++r)
        if (records[r].Team == team) row = r;
    if (row < 0) return {m, 0.0};
    if (records[row].StartType == 30) return {row, 0.0};  // its line abreast counts him in already
    const long joiner = joinerSlot(*network_);
    int before = 0;
    for (long i = 0; i < m; ++i) {
        const long local = swappedForJoiner(i, joiner);
        FlyableAircraft* other = aircraftAt(local + ModelArray::kFirstAircraft);
        int32_t t = other && other->getRemoteLocal() != 0 ? network_->getJoinerTeam(local) : 0;
        if ((t < 1 || t > 4) && other) t = other->getTeamNumber();
        if (t == team && records[i].Team != team && records[i].StartType != 30) ++before;
    }
    constexpr double kLeastAbreast = 100.0;  // ft: however close the mission's own spacing
    return {row, std::max(currentMission()->TeamStartDistance, kLeastAbreast) * (before + 1)};
}

void VADArizodazar2::placeForMission(long n, long m, bool fromStart, const std::array<int, 5>& counts,
                                     const QNion& where) {
    MissionData& mission = *currentMission();
    const auto& records = fromStart ? mission.AircraftStarts : mission.ResetAircraftStarts;
    const SideStart side = startAmongOwnSide(n, m, records);
    // The place and the way of starting there are the row's he starts from; load and orders his own.
    const AircraftInit& r = records[side.row];
    const AircraftInit& own = records[m];
    FlyableAircraft& aircraft = *aircraftAt(n + ModelArray::kFirstAircraft);
    ModelArray& models = *getModelArray();

    long location = r.LocationOffset + (fromStart ? 0 : 8);
    if (r.StartType == 30) {  // the place of the team this aircraft flies for
        location = teamInRange(aircraft.getTeamNumber()) - 1;
    } else if (location < 0 || location > 15) {
        platform::SystemBeep();
        location = 0;
    }
    const missions::StartPlace& place = mission.MissionStartLocations[location];
    double x = place[0], y = place[1], z = place[2], heading = place[3];
    const double fuel = place[4];

    // A start place whose X is an object's index (21..499, on the ground) stands the aircraft in a
    // row beside that object, 50 ft apart, facing the way it faces.
    ZephModel* besides = nullptr;
    double besideHeading = 0.0;
    if (x > 20.0 && x < 500.0 && y > -5.0 && y <= 0.0 && z <= 0.0 && x < models.size()) {
        besides = models.at(static_cast<long>(x));
        QNion pose;
        besides->getModelPositionQNion(&pose);
        besideHeading = besides->getObjectHeading();
        const double d = side.row * 50.0 - 300.0;
        x = pose.Position[0] + sinDeg(besideHeading) * d;
        z = pose.Position[2] + cosDeg(besideHeading) * d;
        y = -1.0;
    }
    if (r.StartType == 3) {  // in the air, near the closest enemy
        const double d = r.RandomDistance < 100.0 ? 1000.0 : r.RandomDistance;
        const double a = draw() / 32768.0 * 3.14;
        x = std::sin(a) * d;
        z = std::cos(a) * d;
        y += (draw() / 32768.0 + 1.0) * 1500.0;
        heading = draw() / 32768.0 * 180.0;
        const long enemy = findClosestEnemyFrom(n + ModelArray::kFirstAircraft);  // this aircraft's enemy
        QNion centre = where;
        if (ZephModel* e = enemy >= 0 ? modelAt(enemy + ModelArray::kFirstAircraft) : nullptr) e->getModelPositionQNion(&centre);
        x += centre.Position[0];
        z += centre.Position[2];
    } else if (r.StartType == 2) {  // a random place around the start place
        // Distance 1.0 asks for the place of the last random-place aircraft: its draws and the
        // distance it asked for, read back; a place drawn here lies at least 10 ft out.
        const bool recalled = r.RandomDistance == 1.0;
        const double d = recalled ? mission_.TheAircraftRandom[3] : r.RandomDistance;
        std::array<double, 3> draws{};
        if (recalled) {
            draws = {mission_.TheAircraftRandom[0], mission_.TheAircraftRandom[1], mission_.TheAircraftRandom[2]};
        } else {
            mission_.TheAircraftRandom[3] = d;
            for (int k = 0; k < 3; ++k) mission_.TheAircraftRandom[k] = draws[k] = draw();
        }
        const double spread = recalled ? d : std::max(d, 10.0);  // ft
        const double a = draws[0] / 32768.0 * 3.14;
        x += std::sin(a) * spread;
        z += std::cos(a) * spread;
        const double f = (draws[1] / 32768.0 + 1.0) * (d == 26.0 ? 8.0 : d == 101.0 ? 150.0 : 3000.0);
        y = place[1] + f;
        if (heading < 360.0) heading = draws[2] / 32768.0 * 180.0;
    } else if (r.StartType == 30) {  // line abreast of the earlier aircraft of the team
        const double offset = mission.TeamStartDistance * counts[location + 1];
        if (offset != 0.0) {
            x += cosDeg(heading) * offset;
            z -= sinDeg(heading) * offset;
        }
    }
    if (besides) heading = besideHeading;
    if (side.abreast != 0.0) {
        x += cosDeg(heading) * side.abreast;
        z -= sinDeg(heading) * side.abreast;
    }
    // A standing start rests on its wheels, at rest: a speed of a few mph would otherwise count
    // as a flying start near the ground and lift it 500 ft.
    const bool standing = r.MPH < 5.0;
    if (!own.OnOff && !flownByNetworkPlayer(n)) y = kParked;
    aircraft.SetUpAircraft(x, y, z, heading, standing ? 400.0 : 0.0, standing ? 0.0 : r.MPH, r.Throttle);
    aircraft.setFuelLoad(fuel);
    aircraft.setNumberOfBombs(own.NumberOfBombs);

    Aircraft& a = aircraft.ThisAircraft;
    a.GearPosition = a.GearPosition2 = r.Gear;
    a.AIType = n == 0 && own.AIType > 0 ? -own.AIType : own.AIType;
    a.WasDogfighting = 0;
    a.NextFlyPointNumber = own.FirstFlyPoint >= 0 && own.FirstFlyPoint < missions::kFlyToPoints ? own.FirstFlyPoint : -1;
    // Without a leader the aircraft is its own, which the wingman reads as "fight on alone".
    a.LeadAircraftNumber = own.LeadAircraftForWingman == missions::kNoWingmanLeader ? n
                           : own.LeadAircraftForWingman >= 0 && own.LeadAircraftForWingman < ModelArray::kAircraftSlots
                               ? own.LeadAircraftForWingman
                               : 0;
    a.PatrolForSeconds = own.PatrolForSeconds;
    a.AttackEnemyDistance = missions::wholeNumber(own.AttackEnemyDistance);
    a.ReturnToPatrolDistance = missions::wholeNumber(own.ReturnToPatrolDistance);
    a.AttackEnemyObjectDistance = mission.AttackEnemyObjectDistance[2 * m + (fromStart ? 0 : 1)];
    applySkill(a, own.AISkillLevel);
}

void VADArizodazar2::placeForDogfight(long n, bool fromStart, const std::array<int, 5>& counts, const QNion& where) {
    MissionData& mission = *currentMission();
    FlyableAircraft& aircraft = *aircraftAt(n + ModelArray::kFirstAircraft);
    if (mission.DogfightOnlyOnOff[n] == 0 && !flownByNetworkPlayer(n)) {
        park(aircraft);
        return;
    }
    const int32_t team = teamInRange(aircraft.getTeamNumber());
    const int k = counts[team] + 1;
    const missions::StartPlace& g = mission.DogfightGroundStartLocations[team - 1];
    const auto& q = mission.DogfightAirStartCenterSpot;
    const double s = mission.TeamStartDistance;
    const double hostGap = network_->getNetworkMode() != 0 && network_->amIHost() && n != 0 ? 60.0 : 0.0;
    auto rotated = [](double h, double dx, double dz, double cx, double cz, double& x, double& z) {
        x = cosDeg(h) * dx + sinDeg(h) * dz + cx;
        z = -sinDeg(h) * dx + cosDeg(h) * dz + cz;
    };
    auto aboveGround = [&](double x, double y, double z) {
        const double ground = scene_.TheRIDUdidavWorld ? scene_.TheRIDUdidavWorld->getAltitudeAtX(x, z) : 0.0;
        return y < ground ? ground + 1500.0 : y;
    };
    auto onTheGround = [&](double gap) {
        const double h = g[3];
        double x, z;
        rotated(h, -s / 2 * k, s / 2 * k + gap, g[0], g[2], x, z);
        aircraft.SetUpAircraft(x, g[1], z, h, 400.0, 0.0, 0.0);
    };
    double x, z;
    if (fromStart && !mission_.DogfightAirGroundStart) {
        static constexpr double kTeamHeading[5] = {0.0, 180.0, 0.0, -90.0, 90.0};
        const double h = kTeamHeading[team];
        rotated(h, s * k, s * k - mission.DogfightAirStartDistance + hostGap, q[0], q[2], x, z);
        aircraft.SetUpAircraft(x, q[1], z, h, 0.0, 0.8, 0.8);
    } else if (fromStart) {
        onTheGround(hostGap);
    } else {
        // A restart rule this game does not know is the ground start, so the aircraft comes back.
        int32_t restart = mission_.DogfightOnlyRestartType >= 0 && mission_.DogfightOnlyRestartType <= 2 ? mission_.DogfightOnlyRestartType : 1;
        if (restart == 2) {
            if (draw() <= 15000) {
                const double dx = draw() / 32768.0 * 10000.0;
                double y = (draw() + 32768) / 65536.0 * 20000.0 + 1000.0;
                const double dz = draw() / 32768.0 * 10000.0;
                const double h = draw() / 32768.0 * 180.0;
                QNion centre = where;
                const long enemy = findClosestEnemyFrom(n + ModelArray::kFirstAircraft);
                if (ZephModel* e = enemy >= 0 ? modelAt(enemy + ModelArray::kFirstAircraft) : nullptr)
                    e->getModelPositionQNion(&centre);
                rotated(h, dx, dz, centre.Position[0], centre.Position[2], x, z);
                aircraft.SetUpAircraft(x, aboveGround(x, y, z), z, h, 0.0, 0.8, 0.8);
            } else {
                restart = 1;
            }
        }
        if (restart == 0) {
            const double y = (draw() + 32768) / 65536.0 * 10000.0 + 1000.0;
            const double h = std::atan2(q[0] - g[0], q[2] - g[2]) * kDeg;
            rotated(h, -s / 2 * k, s / 2 * k, g[0], g[2], x, z);
            aircraft.SetUpAircraft(x, aboveGround(x, y, z), z, h, 0.0, 0.8, 0.8);
        } else if (restart == 1) {
            onTheGround(0.0);
        }
    }
    aircraft.setFuelLoad(g[4]);
    aircraft.setNumberOfBombs(mission.DogfightOnlyBombLoad[n]);
    aircraft.ThisAircraft.AIType = n == 0 ? -1 : 1;
    applySkill(aircraft.ThisAircraft, mission.DogfightOnlySkillLevel[n]);
}

void VADArizodazar2::applySkill(Aircraft& record, int32_t skill) {
    record.aiSkillLevel = skill;
    record.aiPilotNumber = missions::pilotNumberForSkill(skill, draw_);
}

void VADArizodazar2::doAircraftRestart() {
    if (mission_.HaveDoneGameOver || scene_.fixedWorld_) return;
    for (long n = 0; n < ModelArray::kAircraftSlots; ++n) {
        FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
        if (!aircraft || aircraft->getRemoteLocal() != 0 || !aircraft->getDeadOnGround()) continue;
        const int32_t since = aircraft->getDeadOnGroundTime();
        if (since == 0) continue;
        if (clock_.GlobalMissionTime - since > (n == 0 ? kPlayerRestartTicks : kOtherRestartTicks))
            startThisAircraft(n, false);
    }
}

}  // namespace pellam
