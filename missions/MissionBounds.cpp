#include "missions/MissionBounds.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Log.h"

namespace pellam::missions {
namespace {

using namespace ranges;

// Fields are reached by offset and copied, never referenced: doubles may lie at 4-byte boundaries.
using Field = BoundedField;

// Collects the table's rows; `within` names and places the rows of a sub-record.
struct Table {
    std::vector<Field> rows;
    std::string prefix;
    size_t base = 0;

    void l(const std::string& name, size_t offset, Range r) { rows.push_back({prefix + name, base + offset, false, r}); }
    void d(const std::string& name, size_t offset, Range r) { rows.push_back({prefix + name, base + offset, true, r}); }
    void place(const std::string& name, size_t offset) {
        d(name + ".x", offset, kPlaceXZ);
        d(name + ".y", offset + 8, kHeight);
        d(name + ".z", offset + 16, kPlaceXZ);
    }
    // `count` numbers one after another, each named with its index.
    void longs(const char* name, size_t offset, size_t count, Range r) {
        for (size_t k = 0; k < count; ++k) l(at(name, k), offset + 4 * k, r);
    }
    void doubles(const char* name, size_t offset, size_t count, Range r) {
        for (size_t k = 0; k < count; ++k) d(at(name, k), offset + 8 * k, r);
    }
    template <class F> void within(const std::string& name, size_t offset, F&& fields) {
        const std::string savedPrefix = prefix;
        const size_t savedBase = base;
        prefix += name + ".";
        base += offset;
        fields();
        prefix = savedPrefix;
        base = savedBase;
    }
    // `count` sub-records of `size` bytes, each with the rows `fields` makes.
    template <class F> void each(const char* name, size_t offset, size_t count, size_t size, F&& fields) {
        for (size_t k = 0; k < count; ++k) within(at(name, k), offset + k * size, fields);
    }
    static std::string at(const char* name, size_t k) { return std::string(name) + "[" + std::to_string(k) + "]"; }
};

// Not bounded, because every value has a meaning or nothing reads it: the versions, Hash1,
// NewObjectsNumber and the container's checks (MissionFile.cpp), Permissions, Invoice, SkyFlags
// and TabNumber (bit fields decoded with masks), GameFlags, codes whose unknown values have a
// meaning (ObjectCode: an inert object; AircraftType: a Camel; StartType: a plain start),
// path-point Flags, Seed bits 24-31 (200 and above: no path), SubType,
// the byte flags (read as zero or not), OceanGC, GC2..GC4, NumberOfGCZonesUsed, the reserve longs
// (FutureLongItems, MoreLongItems).
void startRows(Table& t) {
    using A = AircraftInit;
    t.l("LocationOffset", offsetof(A, LocationOffset), kStartPlace);
    t.d("RandomDistance", offsetof(A, RandomDistance), kDistance);
    t.l("Team", offsetof(A, Team), kTeam);
    t.d("MPH", offsetof(A, MPH), kSpeedMph);
    t.d("Heading", offsetof(A, Heading), kHeading);
    t.d("Throttle", offsetof(A, Throttle), kFraction);
    t.d("Gear", offsetof(A, Gear), kFraction);
    t.d("Flaps", offsetof(A, Flaps), kFraction);
    t.l("NumberOfBombs", offsetof(A, NumberOfBombs), kBombs);
    t.l("AISkillLevel", offsetof(A, AISkillLevel), kSkill);
    t.l("AIType", offsetof(A, AIType), kAIType);
    t.l("FirstFlyPoint", offsetof(A, FirstFlyPoint), kPathPoint);
    t.l("PatrolForSeconds", offsetof(A, PatrolForSeconds), kPatrolSeconds);
    t.d("ReturnToPatrolDistance", offsetof(A, ReturnToPatrolDistance), kDistance);
    t.d("AttackEnemyDistance", offsetof(A, AttackEnemyDistance), kDistance);
    t.l("LeadAircraftForWingman", offsetof(A, LeadAircraftForWingman), kWingmanLeader);
}

void victoryRows(Table& t) {
    using V = VictoryConditions;
    t.l("TotalLandings", offsetof(V, TotalLandings), kVictoryCount);
    const size_t locations[3] = {offsetof(V, Location1Flags), offsetof(V, Location2Flags), offsetof(V, Location3Flags)};
    const size_t near[3] = {offsetof(V, Location1NearDistance), offsetof(V, Location2NearDistance),
                            offsetof(V, Location3NearDistance)};
    for (size_t k = 0; k < 3; ++k) {
        const std::string n = std::to_string(k + 1);
        t.l("Location" + n + "Flags", locations[k], kLocationKind);
        t.place("Location" + n, locations[k] + 4);
        t.d("SpeedMPH" + n, locations[k] + 28, kSpeedMph);
        t.l("Speed" + n + "Flags", locations[k] + 36, kSpeedRule);
        t.d("Location" + n + "NearDistance", near[k], kDistance);
    }
    t.l("Kills", offsetof(V, Kills), kVictoryCount);
    t.l("TeamKills", offsetof(V, TeamKills), kVictoryCount);
    t.l("Points", offsetof(V, Points), kVictoryPoints);
    t.longs("ParticularDeadObjects", offsetof(V, ParticularDeadObjects), 20, kObjectRow);
    t.longs("ParticularAliveObjects", offsetof(V, ParticularAliveObjects), 20, kObjectRow);
    t.l("RequiredNumberOfDeadObjects", offsetof(V, RequiredNumberOfDeadObjects), kListedObjects);
    t.l("RequiredNumberOfAliveObjects", offsetof(V, RequiredNumberOfAliveObjects), kListedObjects);
    t.l("MustWinInXTicks", offsetof(V, MustWinInXTicks), kTimeLimitTicks);
    t.l("DontCheckForWinForXTicks", offsetof(V, DontCheckForWinForXTicks), kNoWinTicks);
    t.doubles("FutureDoubleItems", offsetof(V, FutureDoubleItems), 13, kUnused);
}

void recordRows(Table& t) {
    using M = MissionData;
    t.d("SecondsSince2001", offsetof(M, SecondsSince2001), kSeconds);
    t.l("PointsForCompletedMission", offsetof(M, PointsForCompletedMission), kMissionPoints);
    t.l("TimeOfDay", offsetof(M, TimeOfDay), kTimeOfDay);
    t.place("DogfightAirStartCenterSpot", offsetof(M, DogfightAirStartCenterSpot));
    t.d("DogfightAirStartDistance", offsetof(M, DogfightAirStartDistance), kDistance);
    const auto startRow = [&](const char* name, size_t offset, size_t k) {
        const std::string row = Table::at(name, k);
        t.place(row, offset);
        t.d(row + "[3]", offset + 24, kHeading);
        t.d(row + "[4]", offset + 32, kFraction);  // fuel
    };
    for (size_t k = 0; k < 4; ++k)
        startRow("DogfightGroundStartLocations", offsetof(M, DogfightGroundStartLocations) + 40 * k, k);
    t.doubles("DogfightOnlyTeams", offsetof(M, DogfightOnlyTeams), 8, kTeam);
    for (size_t k = 0; k < 16; ++k) startRow("MissionStartLocations", offsetof(M, MissionStartLocations) + 40 * k, k);
    t.longs("DogfightOnlyBombLoad", offsetof(M, DogfightOnlyBombLoad), 8, kBombs);
    t.longs("DogfightOnlyRocketLoad", offsetof(M, DogfightOnlyRocketLoad), 8, kBombs);
    t.longs("DogfightOnlyOnOff", offsetof(M, DogfightOnlyOnOff), 8, kOnOff);
    t.longs("DogfightOnlySkillLevel", offsetof(M, DogfightOnlySkillLevel), 8, kSkill);
    t.d("MaxRandomDistance", offsetof(M, MaxRandomDistance), kDistance);
    t.d("TeamStartDistance", offsetof(M, TeamStartDistance), kDistance);
    t.each("AircraftStarts", offsetof(M, AircraftStarts), 8, sizeof(AircraftInit), [&] { startRows(t); });
    t.each("ResetAircraftStarts", offsetof(M, ResetAircraftStarts), 8, sizeof(AircraftInit), [&] { startRows(t); });
    t.each("FlyToPoints", offsetof(M, FlyToPoints), kFlyToPoints, sizeof(aiFlyToPoint), [&] {
        t.place("PointXYZ", offsetof(aiFlyToPoint, PointXYZ));
        t.d("PSTargets", offsetof(aiFlyToPoint, PSTargets), kPathTargets);
        t.d("ThrottlePosition", offsetof(aiFlyToPoint, ThrottlePosition), kFraction);
        t.d("TargetClimbDiveSpeed", offsetof(aiFlyToPoint, TargetClimbDiveSpeed), kClimbRate);
        t.l("NextPoint", offsetof(aiFlyToPoint, NextPoint), kPathPoint);
    });
    t.l("GC1", offsetof(M, GC1), kTreeFamily);
    t.doubles("GCZones", offsetof(M, GCZones), 40, kUnused);
    t.each("ObjectList", offsetof(M, ObjectList), kMaxObjects, sizeof(ObjectForMission), [&] {
        using O = ObjectForMission;
        t.place("Location", offsetof(O, Location));
        t.d("SpeedMPH", offsetof(O, SpeedMPH), kSpeedMph);
        t.d("Heading", offsetof(O, Heading), kHeading);
        t.l("Team", offsetof(O, Team), kTeam);
        t.l("Points", offsetof(O, Points), kObjectPoints);
    });
    t.within("TheVictory", offsetof(M, TheVictory), [&] { victoryRows(t); });
    t.place("CameraLocation", offsetof(M, CameraLocation));
    t.d("CameraHeading", offsetof(M, CameraHeading), kCameraHeading);
    t.d("CameraPitch", offsetof(M, CameraPitch), kCameraPitch);
    t.l("WorldMenuOffsetNumber", offsetof(M, WorldMenuOffsetNumber), kWorld);
    t.longs("AttackEnemyObjectDistance", offsetof(M, AttackEnemyObjectDistance), 16, kObjectDistance);
    t.longs("NumberOfAircraftRestarts", offsetof(M, NumberOfAircraftRestarts), 8, kRestarts);
    t.each("Layers", offsetof(M, Layers), 3, sizeof(CloudLayer), [&] {
        t.l("TextureNumber", offsetof(CloudLayer, TextureNumber), kCloudTexture);
        t.d("LayerBottom", offsetof(CloudLayer, LayerBottom), kCloudHeight);
        t.d("LayerTop", offsetof(CloudLayer, LayerTop), kCloudHeight);
    });
    t.d("WindSpeed", offsetof(M, WindSpeed), kWindSpeed);
    t.d("WindDirection", offsetof(M, WindDirection), kWindDirection);
    t.d("WindPitch", offsetof(M, WindPitch), kWindPitch);
    t.d("MoreDoubleItems[0]", offsetof(M, MoreDoubleItems), kCloudThickness);
    for (size_t k = 1; k < 61; ++k) t.d(Table::at("MoreDoubleItems", k), offsetof(M, MoreDoubleItems) + 8 * k, kUnused);
}

std::string shown(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

}  // namespace

const std::vector<BoundedField>& boundedMissionFields() {
    static const std::vector<BoundedField> table = [] {
        Table t;
        recordRows(t);
        return t.rows;
    }();
    return table;
}

BoundsReport boundMissionRecord(MissionData& record) {
    BoundsReport report;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (const Field& f : boundedMissionFields()) {
        std::string was, now;
        if (f.isDouble) {
            double v;
            std::memcpy(&v, bytes + f.offset, 8);
            const double bounded = f.range.clamp(v);
            // Compared as bytes, so a NaN is always replaced.
            if (std::memcmp(&v, &bounded, 8) == 0) continue;
            std::memcpy(bytes + f.offset, &bounded, 8);
            was = shown(v);
            now = shown(bounded);
        } else {
            int32_t v;
            std::memcpy(&v, bytes + f.offset, 4);
            const int32_t bounded = f.range.clamp(v);
            if (bounded == v) continue;
            std::memcpy(bytes + f.offset, &bounded, 4);
            was = std::to_string(v);
            now = std::to_string(bounded);
        }
        if (report.changed++ == 0) report.first = f.name + " " + was + " -> " + now;
    }
    return report;
}

void boundMissionRecord(MissionData& record, const std::string& file) {
    const BoundsReport report = boundMissionRecord(record);
    if (report.changed == 0) return;
    platform::logMessage(file + ": " + std::to_string(report.changed) + " value" + (report.changed == 1 ? "" : "s") +
                         " out of range taken to the range's end, the first " + report.first);
}

}  // namespace pellam::missions
