#pragma once
// The mission record: everything a mission start needs, as it is stored in a mission file. The
// layout is fixed (31,360 bytes, every field 4-byte aligned, doubles included) because files
// written by the mission builder carry it; mission files hold it field by field (MissionFile.h),
// never as this struct's memory.
//
// The mission table (MissionTable.h) holds one record per slot; mission start changes a few
// fields in memory (TimeOfDay, SkyFlags, and in network games the types and dogfight teams).
// Units: ft, deg, mph; "long" fields are signed 32-bit. Doubles lie at 4-byte boundaries, so the
// double arrays are plain arrays read element by element, never bound to a std::array reference.
#include <array>
#include <cstddef>
#include <cstdint>

#include "flight/AIRecords.h"

namespace pellam::missions {

#pragma pack(push, 4)

// Start (or restart) record of one aircraft slot.
struct AircraftInit {
    int32_t AircraftType = 0;          // 55 Camel, 64 Fokker D.VII, 77 Fokker Dr.I, 1001 random; 0 reads 55
    int32_t LocationOffset = 0;        // start place 0..7 (restart records add 8)
    int32_t StartType = 0;             // 2 random place, 3 air near the enemy, 30 line abreast, else plain
    double RandomDistance = 0;         // ft
    int32_t Team = 0;                  // 1..4
    double MPH = 0;                    // below 5: a standing start
    double Heading = 0;                // deg; the start place's heading is used instead
    double Throttle = 0;               // 0..1
    double Gear = 0;
    double Flaps = 0;
    int32_t NumberOfBombs = 0;
    int32_t AISkillLevel = 0;          // 0..2, 3 random
    int32_t AIType = 0;                // 0 the player, above 0 a computer pilot
    int32_t FirstFlyPoint = 0;         // path point 0..199
    int32_t PatrolForSeconds = 0;
    double ReturnToPatrolDistance = 0; // ft
    double AttackEnemyDistance = 0;    // ft
    int32_t LeadAircraftForWingman = 0;  // slot 0..7 of the leader; kNoWingmanLeader: none
    uint8_t OnOff = 0;                 // 1: the aircraft takes part
    uint8_t WillComeBackToLife = 0;    // 1: it restarts after a crash
    uint8_t Padding[2] = {};
};

// One placed object; row i of the list becomes model-array element i.
struct ObjectForMission {
    int32_t ObjectCode = 0;
    double Location[3] = {};           // ft; a negative Y stands the object on the ground
    double SpeedMPH = 0;
    double Heading = 0;                // deg
    int32_t Team = 0;
    int32_t Points = 0;
    int32_t Seed = 0;                  // bits 0-23 random start distance (1: as the object before), 24-31 first path point
    int32_t SubType = 0;               // 1 heaped cloud, 8 flat cloud, 2 hand it the terrain
};

struct VictoryConditions {
    int32_t TotalLandings = 0;
    uint8_t MustBeAlive = 0;
    uint8_t Padding[3] = {};
    int32_t Location1Flags = 0;
    double Location1[3] = {};
    double SpeedMPH1 = 0;
    int32_t Speed1Flags = 0;
    int32_t Location2Flags = 0;
    double Location2[3] = {};
    double SpeedMPH2 = 0;
    int32_t Speed2Flags = 0;
    int32_t Location3Flags = 0;
    double Location3[3] = {};
    double SpeedMPH3 = 0;
    int32_t Speed3Flags = 0;
    int32_t Kills = 0;
    int32_t TeamKills = 0;
    int32_t Points = 0;
    std::array<int32_t, 20> ParticularDeadObjects{};
    std::array<int32_t, 20> ParticularAliveObjects{};
    int32_t RequiredNumberOfDeadObjects = 0;
    int32_t RequiredNumberOfAliveObjects = 0;
    int32_t MustWinInXTicks = 0;
    int32_t DontCheckForWinForXTicks = 0;
    std::array<int32_t, 15> FutureLongItems{};
    double Location1NearDistance = 0;
    double Location2NearDistance = 0;
    double Location3NearDistance = 0;
    double FutureDoubleItems[13] = {};
};

struct CloudLayer {
    int32_t TextureNumber = 0;  // 0 none, 1 ceiling deck, 2.. scattered deck
    double LayerBottom = 0;     // ft
    double LayerTop = 0;        // ft
};

using StartPlace = double[5];  // X, Y, Z ft, heading deg, fuel load 0..1

struct MissionData {
    int32_t AppVersionNumber = 0;      // 2; 0..99 read in host order also marks the byte order
    int32_t MissionStructVersion = 0;  // 1
    uint32_t Hash1 = 0;                // byte sum (missionHash)
    uint32_t NewObjectsNumber = 0;     // object kinds the writer knew: 13
    int32_t Permissions = 0;
    int32_t Invoice = 0;
    double SecondsSince2001 = 0;       // creation time; with Hash1 names a mission between machines
    uint32_t MissionTitle = 0;         // text slots: the texts travel beside the record
    int32_t PointsForCompletedMission = 0;
    int32_t TimeOfDay = 0;             // low 16 bits hours, high 16 hundredths; 0 or >= 100 h random
    int32_t SkyFlags = 0;              // bits 0-7 haze (0, 1 random), 8-30 ceiling ft; 0 reads 0x271004
    uint32_t MissionDescription = 0;
    uint32_t MissionVictoryMessage = 0;
    uint32_t MissionLostMessage = 0;
    int32_t GameFlags = 0;
    double DogfightAirStartCenterSpot[3] = {};
    double DogfightAirStartDistance = 0;
    StartPlace DogfightGroundStartLocations[4] = {};
    double DogfightOnlyTeams[8] = {};
    StartPlace MissionStartLocations[16] = {};
    std::array<int32_t, 8> DogfightOnlyBombLoad{};
    std::array<int32_t, 8> DogfightOnlyRocketLoad{};
    std::array<int32_t, 8> DogfightOnlyOnOff{};
    std::array<int32_t, 8> DogfightOnlySkillLevel{};
    double MaxRandomDistance = 0;
    double TeamStartDistance = 0;
    std::array<AircraftInit, 8> AircraftStarts{};
    std::array<AircraftInit, 8> ResetAircraftStarts{};
    std::array<aiFlyToPoint, 200> FlyToPoints{};
    int32_t OceanGC = 0;
    int32_t GC1 = 0;                   // tree family of the ground clutter
    int32_t GC2 = 0, GC3 = 0, GC4 = 0;
    int32_t NumberOfGCZonesUsed = 0;
    double GCZones[8][5] = {};
    std::array<ObjectForMission, 260> ObjectList{};
    int32_t TotalObjects = 0;
    VictoryConditions TheVictory{};
    double CameraLocation[3] = {};
    double CameraHeading = 0, CameraPitch = 0;
    int32_t WorldMenuOffsetNumber = 0;
    int32_t TabNumber = 0;
    std::array<int32_t, 16> AttackEnemyObjectDistance{};  // 2n start, 2n + 1 restart of aircraft n
    std::array<int32_t, 8> NumberOfAircraftRestarts{};     // 0 without limit
    std::array<CloudLayer, 3> Layers{};
    std::array<int32_t, 40> MoreLongItems{};
    double WindSpeed = 0;              // negative: random 0..20
    double WindDirection = 0;          // deg; above -1.01 and below 0.9999: random
    double WindPitch = 0;
    double MoreDoubleItems[61] = {};   // [0] cloud transition depth, ft
};

#pragma pack(pop)

inline constexpr size_t kMissionBytes = 31360;
inline constexpr int kMaxObjects = 260;
inline constexpr int kFlyToPoints = 200;
inline constexpr int kHeadObjects = 21;         // sky, terrain, eight aircraft, debris, eight explosions, bombs, clutter
inline constexpr uint32_t kNewestObjectKinds = 13;
inline constexpr int32_t kNoWingmanLeader = -1;

static_assert(sizeof(aiFlyToPoint) == 56 && offsetof(aiFlyToPoint, Flags) == 48 && offsetof(aiFlyToPoint, NextPoint) == 52);
static_assert(sizeof(AircraftInit) == 108);
static_assert(offsetof(AircraftInit, RandomDistance) == 12 && offsetof(AircraftInit, Team) == 20 &&
              offsetof(AircraftInit, MPH) == 24 && offsetof(AircraftInit, Heading) == 32 &&
              offsetof(AircraftInit, Throttle) == 40 && offsetof(AircraftInit, Gear) == 48 &&
              offsetof(AircraftInit, Flaps) == 56 && offsetof(AircraftInit, NumberOfBombs) == 64 &&
              offsetof(AircraftInit, AISkillLevel) == 68 && offsetof(AircraftInit, AIType) == 72 &&
              offsetof(AircraftInit, FirstFlyPoint) == 76 && offsetof(AircraftInit, PatrolForSeconds) == 80 &&
              offsetof(AircraftInit, ReturnToPatrolDistance) == 84 && offsetof(AircraftInit, AttackEnemyDistance) == 92 &&
              offsetof(AircraftInit, LeadAircraftForWingman) == 100 && offsetof(AircraftInit, OnOff) == 104 &&
              offsetof(AircraftInit, WillComeBackToLife) == 105);
static_assert(sizeof(ObjectForMission) == 60);
static_assert(offsetof(ObjectForMission, Location) == 4 && offsetof(ObjectForMission, SpeedMPH) == 28 &&
              offsetof(ObjectForMission, Heading) == 36 && offsetof(ObjectForMission, Team) == 44 &&
              offsetof(ObjectForMission, Points) == 48 && offsetof(ObjectForMission, Seed) == 52 &&
              offsetof(ObjectForMission, SubType) == 56);
static_assert(sizeof(VictoryConditions) == 504);
static_assert(offsetof(VictoryConditions, MustBeAlive) == 4 && offsetof(VictoryConditions, Location1Flags) == 8 &&
              offsetof(VictoryConditions, Location1) == 12 && offsetof(VictoryConditions, SpeedMPH1) == 36 &&
              offsetof(VictoryConditions, Speed1Flags) == 44 && offsetof(VictoryConditions, Location2Flags) == 48 &&
              offsetof(VictoryConditions, Location2) == 52 && offsetof(VictoryConditions, SpeedMPH2) == 76 &&
              offsetof(VictoryConditions, Speed2Flags) == 84 && offsetof(VictoryConditions, Location3Flags) == 88 &&
              offsetof(VictoryConditions, Location3) == 92 && offsetof(VictoryConditions, SpeedMPH3) == 116 &&
              offsetof(VictoryConditions, Speed3Flags) == 124 && offsetof(VictoryConditions, Kills) == 128 &&
              offsetof(VictoryConditions, TeamKills) == 132 && offsetof(VictoryConditions, Points) == 136 &&
              offsetof(VictoryConditions, ParticularDeadObjects) == 140 &&
              offsetof(VictoryConditions, ParticularAliveObjects) == 220 &&
              offsetof(VictoryConditions, RequiredNumberOfDeadObjects) == 300 &&
              offsetof(VictoryConditions, RequiredNumberOfAliveObjects) == 304 &&
              offsetof(VictoryConditions, MustWinInXTicks) == 308 &&
              offsetof(VictoryConditions, DontCheckForWinForXTicks) == 312 &&
              offsetof(VictoryConditions, FutureLongItems) == 316 &&
              offsetof(VictoryConditions, Location1NearDistance) == 376 &&
              offsetof(VictoryConditions, Location2NearDistance) == 384 &&
              offsetof(VictoryConditions, Location3NearDistance) == 392 &&
              offsetof(VictoryConditions, FutureDoubleItems) == 400);
static_assert(sizeof(CloudLayer) == 20 && offsetof(CloudLayer, LayerBottom) == 4 && offsetof(CloudLayer, LayerTop) == 12);
static_assert(sizeof(MissionData) == kMissionBytes);
static_assert(offsetof(MissionData, MissionStructVersion) == 4 && offsetof(MissionData, Hash1) == 8 &&
              offsetof(MissionData, NewObjectsNumber) == 12 && offsetof(MissionData, Permissions) == 16 &&
              offsetof(MissionData, Invoice) == 20 && offsetof(MissionData, SecondsSince2001) == 24 &&
              offsetof(MissionData, MissionTitle) == 32 && offsetof(MissionData, PointsForCompletedMission) == 36 &&
              offsetof(MissionData, TimeOfDay) == 40 && offsetof(MissionData, SkyFlags) == 44 &&
              offsetof(MissionData, MissionDescription) == 48 && offsetof(MissionData, MissionVictoryMessage) == 52 &&
              offsetof(MissionData, MissionLostMessage) == 56 && offsetof(MissionData, GameFlags) == 60 &&
              offsetof(MissionData, DogfightAirStartCenterSpot) == 64 &&
              offsetof(MissionData, DogfightAirStartDistance) == 88 &&
              offsetof(MissionData, DogfightGroundStartLocations) == 96 &&
              offsetof(MissionData, DogfightOnlyTeams) == 256 && offsetof(MissionData, MissionStartLocations) == 320 &&
              offsetof(MissionData, DogfightOnlyBombLoad) == 960 && offsetof(MissionData, DogfightOnlyRocketLoad) == 992 &&
              offsetof(MissionData, DogfightOnlyOnOff) == 1024 && offsetof(MissionData, DogfightOnlySkillLevel) == 1056 &&
              offsetof(MissionData, MaxRandomDistance) == 1088 && offsetof(MissionData, TeamStartDistance) == 1096 &&
              offsetof(MissionData, AircraftStarts) == 1104 && offsetof(MissionData, ResetAircraftStarts) == 1968 &&
              offsetof(MissionData, FlyToPoints) == 2832 && offsetof(MissionData, OceanGC) == 14032 &&
              offsetof(MissionData, GC1) == 14036 && offsetof(MissionData, GC2) == 14040 &&
              offsetof(MissionData, GC3) == 14044 && offsetof(MissionData, GC4) == 14048 &&
              offsetof(MissionData, NumberOfGCZonesUsed) == 14052 && offsetof(MissionData, GCZones) == 14056 &&
              offsetof(MissionData, ObjectList) == 14376 && offsetof(MissionData, TotalObjects) == 29976 &&
              offsetof(MissionData, TheVictory) == 29980 && offsetof(MissionData, CameraLocation) == 30484 &&
              offsetof(MissionData, CameraHeading) == 30508 && offsetof(MissionData, CameraPitch) == 30516 &&
              offsetof(MissionData, WorldMenuOffsetNumber) == 30524 && offsetof(MissionData, TabNumber) == 30528 &&
              offsetof(MissionData, AttackEnemyObjectDistance) == 30532 &&
              offsetof(MissionData, NumberOfAircraftRestarts) == 30596 && offsetof(MissionData, Layers) == 30628 &&
              offsetof(MissionData, MoreLongItems) == 30688 && offsetof(MissionData, WindSpeed) == 30848 &&
              offsetof(MissionData, WindDirection) == 30856 && offsetof(MissionData, WindPitch) == 30864 &&
              offsetof(MissionData, MoreDoubleItems) == 30872);

}  // namespace pellam::missions
