#include "tools/missiongen/PatrolMission.h"

#include "missions/RecordBuilding.h"

namespace pellam::missiongen {
namespace {

using missions::AircraftInit;
using missions::MissionData;
using missions::ObjectForMission;

// 1 January 2018, 00:00 UTC, in seconds since 2001: a fixed creation time keeps the file the same
// on every build.
constexpr double kCreated = 536457600.0;

// The British side of the lines west of Albert (ft); the Germans hold the ground east of x 2,026,000.
constexpr double kPatrolX = 1985000.0, kPatrolZ = 2046000.0;
constexpr double kGermanX = 2058000.0, kGermanZ = 2050000.0;
// Their aerodrome behind the lines: Bertangles-like, on the downs north of the Somme.
constexpr double kAerodromeX = 1962000.0, kAerodromeZ = 2030000.0;

constexpr int32_t kTerrainRows = 2;   // SubType 2: hand the object the terrain
constexpr int32_t kHeapedCloud = 1;   // SubType 1: a heaped cumulus from the Seed

void row(MissionData& m, int32_t code, double x, double y, double z, double heading = 0.0, int32_t team = 0,
         int32_t points = 0, int32_t seed = 0, int32_t subType = 0) {
    const long at = m.TotalObjects++;
    missions::fillInObjectForMission(m, at, code, x, y, z, 0.0, heading, team, points);
    m.ObjectList[at].Seed = seed;
    m.ObjectList[at].SubType = subType;
}

// Aircraft n's start record (its restart record the same, the place number naming places 8..15),
// flying at `mph` with a computer pilot of `aiType` (0: the player) and `skill`.
void start(MissionData& m, long n, int32_t type, int32_t team, double mph, int32_t aiType, int32_t skill,
           int32_t firstPoint, int32_t lead) {
    missions::AircraftStartParameters p;
    p.AircraftType = type;
    p.LocationOffset = static_cast<int32_t>(n);
    p.Team = team;
    p.MPH = mph;
    p.Throttle = 0.8;
    missions::setAircraftStartParameters(m, n, p, true);
    AircraftInit& a = m.AircraftStarts[n];
    a.AISkillLevel = skill;
    a.AIType = aiType;
    a.FirstFlyPoint = firstPoint;
    a.PatrolForSeconds = 600;
    a.ReturnToPatrolDistance = 12000.0;
    a.AttackEnemyDistance = 9000.0;
    a.LeadAircraftForWingman = lead;
    a.OnOff = 1;
    m.ResetAircraftStarts[n] = a;
}

void place(missions::StartPlace& p, double x, double y, double z, double heading) {
    p[0] = x;
    p[1] = y;
    p[2] = z;
    p[3] = heading;
    p[4] = 1.0;  // a full tank
}

void path(MissionData& m, int index, double x, double y, double z, int32_t next, int32_t flags = 0) {
    aiFlyToPoint& p = m.FlyToPoints[index];
    p.PointXYZ = {x, y, z};
    p.ThrottlePosition = 0.9;
    p.TargetClimbDiveSpeed = 500.0;
    p.Flags = flags;
    p.NextPoint = next;
}

}  // namespace

void buildPatrolMission(MissionData& m, missions::MissionTexts& texts) {
    missions::newMissionRecord(m, kCreated);
    texts.title = "Morning Patrol over the Ancre";
    texts.description =
        "June 1918, early morning. Your flight of four Camels patrols the lines west of Albert at five "
        "thousand feet. "
        "A Jasta of triplanes and D.VIIs is reported crossing the Ancre. Find them, break them up and "
        "bring your flight home.";
    texts.victory = "The Jasta is scattered and the line is clear. Well flown.";
    texts.lost = "Your patrol has been broken up. Try again tomorrow.";

    m.PointsForCompletedMission = 250;
    m.TimeOfDay = 25 << 16 | 7;          // 7.25 hours: early on a summer morning
    m.SkyFlags = 9000 << 8 | 3;          // light haze, cloud ceiling 9,000 ft
    m.WindSpeed = 8.0;
    m.WindDirection = 250.0;             // from the west-south-west, the prevailing wind
    m.MoreDoubleItems[0] = 300.0;        // cloud transition depth, ft
    m.Layers[0] = {3, 6500.0, 7200.0};   // a scattered deck above the patrol
    m.TeamStartDistance = 400.0;

    // The world's head.
    row(m, 1, 0, 0, 0);
    row(m, 54, 0, 0, 0);
    for (int32_t code : {55, 55, 55, 55, 77, 77, 64, 64}) row(m, code, 0, 0, 0, 0, 0, 0, 0, kTerrainRows);
    row(m, 4, 0, 0, 0);
    for (int k = 0; k < 8; ++k) row(m, 10, 0, 0, 0);
    row(m, 11, 0, 0, 0, 0, 0, 0, 0, kTerrainRows);
    row(m, 13, 0, 0, 0, 0, 0, 0, 0, kTerrainRows);

    // The aerodrome behind the British lines: hangars, a hut and the wind sock.
    row(m, 56, kAerodromeX, -1, kAerodromeZ, 90.0, 1, 50);
    row(m, 57, kAerodromeX + 250.0, -1, kAerodromeZ, 90.0, 1, 30);
    row(m, 58, kAerodromeX - 200.0, -1, kAerodromeZ + 150.0, 0.0, 1, 20);
    row(m, 60, kAerodromeX + 500.0, -1, kAerodromeZ - 300.0, 0.0, 1, 0);
    // Observation balloons on both sides of the lines, and the German guns that guard theirs.
    row(m, 66, 2008000.0, -1, 2040000.0, 0.0, 1, 100);
    row(m, 61, 2046000.0, -1, 2052000.0, 0.0, 2, 100);
    row(m, 65, 2046800.0, -1, 2052600.0, 0.0, 2, 60);
    row(m, 74, 2045300.0, -1, 2051400.0, 0.0, 2, 40);
    row(m, 73, 2026000.0, -1, 2044000.0, 0.0, 0, 0);
    // Heaped clouds over the front, each from its own seed.
    const double clouds[][3] = {{1998000, 5600, 2052000}, {2015000, 5900, 2039000}, {2032000, 5400, 2056000},
                                {2050000, 6100, 2043000}, {1990000, 6000, 2034000}};
    int32_t seed = 11;
    for (const auto& c : clouds) row(m, 5, c[0], c[1], c[2], 0.0, 0, 0, (seed += 17), kHeapedCloud);

    // Start places: the flight at 5,000 ft heading east for the lines; the Jasta at 6,000 ft
    // heading west; restarts over the aerodrome and behind the German lines.
    for (int k = 0; k < 4; ++k) {
        place(m.MissionStartLocations[k], kPatrolX - 300.0 * k, 5000.0 + 150.0 * k, kPatrolZ + 350.0 * k, 100.0);
        place(m.MissionStartLocations[4 + k], kGermanX + 400.0 * k, 6000.0 + 200.0 * k, kGermanZ - 450.0 * k, 280.0);
        place(m.MissionStartLocations[8 + k], kAerodromeX - 500.0 * k, 3000.0, kAerodromeZ + 600.0, 90.0);
        place(m.MissionStartLocations[12 + k], kGermanX + 15000.0, 5000.0 + 300.0 * k, kGermanZ - 400.0 * k, 270.0);
    }

    // The Jasta's beat: west over the Ancre, north along the British side, back east; it turns to
    // fight whatever comes within range.
    path(m, 0, 2030000.0, 5500.0, 2048000.0, 1);
    path(m, 1, 2000000.0, 5000.0, 2055000.0, 2);
    path(m, 2, 2005000.0, 5200.0, 2075000.0, 3);
    path(m, 3, 2040000.0, 6000.0, 2070000.0, 0, 0x40);

    constexpr int32_t kFighter = 1, kWingman = 2, kPatrol = 5;
    start(m, 0, 55, 1, 95.0, 0, 0, -1, 0);
    for (int k = 1; k < 4; ++k) start(m, k, 55, 1, 95.0, kWingman, k == 1 ? 1 : 2, -1, 0);
    const int32_t german[4] = {77, 77, 64, 64};
    for (int k = 0; k < 4; ++k) {
        start(m, 4 + k, german[k], 2, 100.0, k == 0 ? kPatrol : kWingman, k % 3, 0, 4);
        m.ResetAircraftStarts[4 + k].AIType = kFighter;  // the Germans come back as fighters
    }
    m.NumberOfAircraftRestarts = {0, 2, 2, 2, 1, 1, 1, 1};  // the player without limit

    // Win by two kills; a dead pilot loses.
    missions::clearVictoryStructure(m.TheVictory);
    m.TheVictory.Kills = 2;
    m.TheVictory.MustBeAlive = 1;
    m.CameraLocation[0] = kPatrolX;
    m.CameraLocation[1] = 20000.0;
    m.CameraLocation[2] = kPatrolZ;
}

}  // namespace pellam::missiongen
