// Starting a mission and its aircraft: what a new start keeps and rebuilds, what a restart of a
// wreck waits for, and the record's numbers bounded where a start uses them.
#include <limits>

#include "builder/MissionBuilder.h"
#include "missions/MissionBounds.h"
#include "missions/RecordBuilding.h"
#include "tests/game/mission_rig.h"
#include "world/TexturedSkyDome.h"

namespace pellam::testing {
namespace {

using MissionStart = MissionRig;
using AircraftStart = MissionRig;

// Starting the same mission again resets the objects it has; another mission releases them and
// rebuilds the array around the one terrain the run keeps; coming back rebuilds mission 0.
TEST_F(MissionStart, SameMissionKeepsItsObjectsAnotherRebuildsAroundTheSameTerrain) {
    const std::vector<ZephModel*> first = objects();
    ASSERT_EQ(static_cast<long>(first.size()), mission(0).TotalObjects);
    ZephModel* terrain = c->modelAt(ModelArray::kTerrain);
    EXPECT_EQ(terrain, c->keptScene().TheRIDUdidavWorld);

    for (int i = 0; i < 30; ++i) frame(2);
    c->newDocument();
    EXPECT_EQ(objects(), first);
    EXPECT_EQ(c->clock().GlobalMissionTime, 2);

    c->chooseMission(1);
    c->newDocument();
    EXPECT_EQ(c->missionState().PreviousCurrentMissionNumber, 1);
    EXPECT_EQ(c->getModelArray()->size(), mission(0).TotalObjects + 2);
    EXPECT_EQ(c->modelAt(ModelArray::kTerrain), terrain);
    EXPECT_EQ(c->getFlyToPoints(), mission(1).FlyToPoints.data());
    for (int i = 0; i < 30; ++i) frame(2);
    c->chooseMission(0);
    c->newDocument();
    EXPECT_EQ(c->getModelArray()->size(), mission(0).TotalObjects);
    EXPECT_EQ(c->modelAt(ModelArray::kTerrain), terrain);
    // Every aircraft is in the air where the mission puts it, and the player flies his own.
    for (long n = 0; n < 8; ++n) EXPECT_GT(aircraft(n).live.attitude.Position[1], 4000.0) << n;
    EXPECT_NEAR(aircraft(0).live.attitude.Position[0], mission(0).MissionStartLocations[0][0], 100.0);
    EXPECT_LE(aircraft(0).ThisAircraft.AIType, 0);
}

// A random hour stays random in the record: the next start draws again.
TEST_F(MissionStart, ARandomHourIsDrawnAtEveryStart) {
    missions::MissionData& m = mission(0);
    m.SkyFlags = 9000 << 8 | 7;
    m.TimeOfDay = 0;
    draws = {-32768, 32767};  // the group offset, then the hour: the last of the day
    c->newDocument();
    EXPECT_EQ(m.TimeOfDay, 118);
    EXPECT_DOUBLE_EQ(view.sun, 18.0);
    draws = {-32768, 0};
    c->newDocument();
    EXPECT_LT(view.sun, 18.0);
}

TEST_F(MissionStart, AMissionThatCannotStartChangesNothing) {
    const std::vector<ZephModel*> before = objects();
    const long beeps = platform::beepCount();
    c->chooseMission(3);  // no file for it
    c->newDocument();
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(objects(), before);
    EXPECT_EQ(c->missionState().PreviousCurrentMissionNumber, 0);
    // A head whose debris row names a cloud would hand explosions to a cloud: refused too, from
    // the mission window and from the start.
    c->fromMissionMenu(c->missionWindowControls().toMissionMenuPopUp.positionOfTag(1));
    mission(1).ObjectList[ModelArray::kDebris].ObjectCode = 5;
    c->fromFlyMissionButton();
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(objects(), before);
    c->chooseMission(1);
    EXPECT_FALSE(c->StartMission());
    EXPECT_EQ(objects(), before);
    EXPECT_NE(c->whyMissionCannotStart(1).find("object 10"), std::string::npos);
    ASSERT_FALSE(c->interface().notices.empty());  // the player reads why, not only the log
    EXPECT_NE(c->interface().notices.back().find("object 10"), std::string::npos) << c->interface().notices.back();
    for (long outside : {-1L, long(missions::MissionTable::kSlots)}) {
        c->chooseMission(outside);  // no slot: the choice stays
        EXPECT_EQ(c->missionState().CurrentMissionNumber, 1);
    }
}

// A row of a code this game cannot make stands inert in its place, and the player is told the code.
TEST_F(MissionStart, AnObjectOfAnUnknownCodeStandsInertAndThePlayerIsTold) {
    const long row = mission(1).TotalObjects - 1;
    mission(1).ObjectList[row].ObjectCode = 999;
    c->chooseMission(1);
    c->newDocument();
    EXPECT_NE(dynamic_cast<missions::PlaceholderObject*>(c->modelAt(row)), nullptr);
    ASSERT_FALSE(c->interface().notices.empty());
    EXPECT_NE(c->interface().notices.back().find("object code 999)"), std::string::npos)
        << c->interface().notices.back();
}

// Objects with Seed 500, 1, 1 move by one offset of at most 500 ft; 0x03000000 starts a path at
// point 3, and a path start past the fly-to points starts no path.
TEST_F(MissionStart, GroupedObjectsShareTheirOffsetAndAPathStartPastThePointsIsNone) {
    struct Placed : ZephModel {
        int32_t first = -9;
        void setPathStart(int32_t point, const aiFlyToPoint*) override { first = point; }
    };
    missions::MissionData& m = mission(1);
    const long at = m.TotalObjects;
    for (int32_t seed : {500, 1, 1, 0x03000000, static_cast<int32_t>(0xC8000000)}) {  // points 3 and 200
        m.ObjectList[m.TotalObjects] =
            missions::ObjectForMission{88, {2000000.0, 0.0, 2040000.0 + 100.0 * m.TotalObjects}};
        m.ObjectList[m.TotalObjects++].Seed = seed;
    }
    c->factory().registerKind(88, [] { return std::make_unique<Placed>(); });
    c->chooseMission(1);
    c->newDocument();
    auto offset = [&](long i) {
        const ZephModel* o = c->modelAt(at + i);
        return std::array<double, 2>{o->live.attitude.Position[0] - m.ObjectList[at + i].Location[0],
                                     o->live.attitude.Position[2] - m.ObjectList[at + i].Location[2]};
    };
    EXPECT_EQ(offset(1), offset(0));
    EXPECT_EQ(offset(2), offset(0));
    EXPECT_LE(std::hypot(offset(0)[0], offset(0)[1]), 500.0);
    EXPECT_EQ(static_cast<Placed*>(c->modelAt(at + 3))->first, 3);
    EXPECT_EQ(static_cast<Placed*>(c->modelAt(at + 4))->first, -1);
}

TEST_F(MissionStart, NetworkSettingsReachOnlyTheSlotsTheyName) {
    const int32_t own = mission(0).AircraftStarts[0].AircraftType;
    c->setNetworkAircraftTypeForAircraft(0, 64);
    c->setNetworkAircraftTypeForAircraft(8, 64);
    c->setNetworkAircraftTypeForAircraft(-1, 64);
    EXPECT_EQ(mission(0).AircraftStarts[0].AircraftType, own);
    c->setNetworkAircraftTypeForAircraft(3, 77);
    EXPECT_EQ(mission(0).AircraftStarts[3].AircraftType, 77);
    EXPECT_EQ(mission(0).ResetAircraftStarts[3].AircraftType, 77);
}

// A file from another player holding numbers no builder writes: the mission loads, starts and
// flies past the ten seconds after which a wrapped time limit used to lose it, with every object
// somewhere; and the builder opens it, shows it and saves a file that reads back unchanged.
TEST_F(MissionStart, WildNumbersInAFileAreHeldToTheirRangesAsItIsRead) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
    const struct {
        double d;
        int32_t i;
    } cases[] = {{kNaN, kMax}, {kInf, kMax}, {-kInf, kMin}, {1e308, kMax}, {-1e308, kMin}};
    const std::string path = (folder_ / "wild.pellam").string();
    for (const auto& wild : cases) {
        SCOPED_TRACE(wild.d);
        auto record = std::make_unique<missions::MissionData>();
        missions::MissionTexts texts;
        missiongen::buildPatrolMission(*record, texts);
        missions::MissionData& m = *record;
        const double d = wild.d;
        const int32_t i = wild.i;
        // A lorry driving from path point 4, which leads nowhere.
        const int truck = m.TotalObjects++;
        m.ObjectList[truck] = {14, {d, d, d}, d, d, i, i, 4 << 24, 0};
        aiFlyToPoint& point = m.FlyToPoints[4];
        point = {{d, d, d}, d, d, d, i, i};
        // Places (aircraft 1 starts and restarts at 1 and 9), headings, fuel, speeds and the wind.
        for (double* row : {m.MissionStartLocations[1], m.MissionStartLocations[9], m.DogfightGroundStartLocations[0]})
            std::fill(row, row + 5, d);
        for (int k = 0; k < 3; ++k) m.TheVictory.Location1[k] = m.CameraLocation[k] = d;
        m.TheVictory.Location1Flags = 2;
        m.TheVictory.Location1NearDistance = m.TheVictory.SpeedMPH1 = d;
        m.CameraHeading = m.CameraPitch = m.WindSpeed = m.WindDirection = d;
        m.Layers[0].LayerBottom = m.Layers[0].LayerTop = m.MoreDoubleItems[0] = d;
        missions::AircraftInit& a = m.AircraftStarts[1];
        a.MPH = a.Heading = a.Throttle = a.Gear = a.Flaps = a.RandomDistance = d;
        a.AttackEnemyDistance = a.ReturnToPatrolDistance = d;
        // Counts, indexes and times.
        a.NumberOfBombs = a.AISkillLevel = a.AIType = a.FirstFlyPoint = a.PatrolForSeconds = i;
        a.LeadAircraftForWingman = a.Team = m.AircraftStarts[2].LocationOffset = i;
        m.NumberOfAircraftRestarts[1] = m.AttackEnemyObjectDistance[2] = m.DogfightOnlyBombLoad[0] = i;
        m.PointsForCompletedMission = m.TimeOfDay = m.GC1 = m.Layers[0].TextureNumber = i;
        missions::VictoryConditions& v = m.TheVictory;
        v.MustWinInXTicks = v.DontCheckForWinForXTicks = v.Kills = v.TeamKills = v.Points = v.TotalLandings = i;
        v.RequiredNumberOfDeadObjects = v.ParticularDeadObjects[0] = v.Speed1Flags = i;
        v.MustBeAlive = 0;
        ASSERT_EQ(missions::writeMissionFile(path, m, texts), "");

        ASSERT_TRUE(c->missionTable().loadMyMission(path, 1));
        c->chooseMission(1);
        c->newDocument();
        ASSERT_EQ(c->missionState().PreviousCurrentMissionNumber, 1);
        for (int t = 0; t < 11 * 60; t += 2) frame(2);
        EXPECT_FALSE(c->missionState().CantWinMission);
        for (ZephModel* object : objects())
            for (double at : object->live.attitude.Position) EXPECT_TRUE(std::isfinite(at));

        builder::MissionBuilder& b = c->missionBuilder();
        ASSERT_TRUE(b.openMission(path));
        EXPECT_EQ(b.controls().victoryMinutes, i > 0 ? 600 : 0);
        b.fromMBMenu(builder::kTagSave);
        EXPECT_TRUE(b.MBSavedFlag);
        auto saved = std::make_unique<missions::MissionFileContents>();
        ASSERT_EQ(missions::readMissionFile(path, *saved), "");
        EXPECT_EQ(missions::boundMissionRecord(saved->record).changed, 0);
        b.leaveBuilder();
        c->rebuildWorldOnNextGame();  // the next case rebuilds slot 1
    }
}

void wreck(FlyableAircraft& a, int32_t when) {
    a.ThisAircraft.Damage1 |= dmg::Down | dmg::EngineStopped;
    a.ThisAircraft.DeadOnGroundTime = when;
}

// Restarts come after 900 ticks for the player and 2,700 for the others, as often as the mission
// allows; the gate is asked first, so a refused restart leaves the wreck exactly as it lies.
TEST_F(AircraftStart, RestartsWaitTheirTimeAndTheGateComesFirst) {
    missions::MissionData& m = mission(0);
    const int32_t t0 = 1000;
    for (long n : {0L, 1L, 2L, 3L, 4L}) wreck(aircraft(n), t0);
    aircraft(2).ThisAircraft.RemoteLocal = 1;        // flown by another machine
    m.AircraftStarts[3].WillComeBackToLife = 0;      // the start record says no, whatever the restart says
    m.ResetAircraftStarts[3].WillComeBackToLife = 1;
    ZephModel* dr1 = &aircraft(4);
    m.ResetAircraftStarts[4].AircraftType = 64;

    c->setMissionTime(t0 + 901);
    c->doAircraftRestart();
    EXPECT_FALSE(aircraft(0).getDeadOnGround());
    EXPECT_NEAR(aircraft(0).live.attitude.Position[0], m.MissionStartLocations[8][0], 100.0);
    EXPECT_TRUE(aircraft(1).getDeadOnGround());

    c->setMissionTime(t0 + 2701);
    c->doAircraftRestart();
    EXPECT_FALSE(aircraft(1).getDeadOnGround());
    EXPECT_NEAR(aircraft(1).live.attitude.Position[2], m.MissionStartLocations[9][2], 100.0);
    EXPECT_TRUE(aircraft(2).getDeadOnGround());
    EXPECT_TRUE(aircraft(3).getDeadOnGround());
    EXPECT_EQ(missions::aircraftTypeOf(&aircraft(4)), 64);  // its one restart, in the restart record's class
    EXPECT_EQ(c->missionState().AircraftRestartCount[4], 1);

    // Aircraft 1 may come back twice; aircraft 4 once, so its second wreck stays the D.VII it became.
    ZephModel* dvii = &aircraft(4);
    m.ResetAircraftStarts[4].AircraftType = 77;
    for (int round = 0; round < 2; ++round) {
        wreck(aircraft(1), c->clock().GlobalMissionTime);
        wreck(aircraft(4), c->clock().GlobalMissionTime);
        c->setMissionTime(c->clock().GlobalMissionTime + 2701);
        c->doAircraftRestart();
    }
    EXPECT_TRUE(aircraft(1).getDeadOnGround());
    EXPECT_EQ(c->missionState().AircraftRestartCount[1], 2);
    EXPECT_EQ(&aircraft(4), dvii);
    EXPECT_NE(dvii, dr1);
    EXPECT_TRUE(aircraft(4).getDeadOnGround());

    // The player's aircraft comes back without limit; after the game is over nothing does.
    for (int round = 0; round < 4; ++round) {
        wreck(aircraft(0), c->clock().GlobalMissionTime);
        c->setMissionTime(c->clock().GlobalMissionTime + 901);
        c->doAircraftRestart();
        EXPECT_FALSE(aircraft(0).getDeadOnGround()) << round;
    }
    wreck(aircraft(0), c->clock().GlobalMissionTime);
    missions::clearVictoryStructure(mission().TheVictory);  // lost with the pilot: the game is over
    for (int t = 0; t < 2000 && !c->interface().toGameOverWindow.open; ++t) {
        c->setMissionTime(c->clock().GlobalMissionTime + 1);
        c->checkVictoryConditions(false);
    }
    ASSERT_TRUE(c->interface().toGameOverWindow.open);
    c->setMissionTime(c->clock().GlobalMissionTime + 5000);
    c->doAircraftRestart();
    EXPECT_TRUE(aircraft(0).getDeadOnGround());
}

// The same start twice, once fresh and once as a restart of a wreck, flies the same path.
TEST_F(AircraftStart, ARestartedAircraftFliesAsAFreshOne) {
    missions::MissionData& m = mission(0);
    m.ResetAircraftStarts[0] = m.AircraftStarts[0];
    for (int k = 0; k < 5; ++k) m.MissionStartLocations[8][k] = m.MissionStartLocations[0][k];
    auto fly = [&] {
        std::vector<Vector3> path;
        for (int32_t t = 3; t < 400; ++t) {
            aircraft(0).driveModel(1, t, true, false);
            path.push_back(aircraft(0).live.attitude.Position);
        }
        return path;
    };
    c->startThisAircraft(0, true);
    const std::vector<Vector3> fresh = fly();

    aircraft(0).ElevatorTrimUpDown(-5);  // the trim wound on as it went in
    aircraft(0).orDamage1(dmg::WingsBroken | dmg::FatalDamage | dmg::PropBroken);
    for (int32_t t = 400; t < 700; ++t) aircraft(0).driveModel(1, t, true, false);
    wreck(aircraft(0), 700);
    c->setMissionTime(1700);
    c->doAircraftRestart();
    ASSERT_FALSE(aircraft(0).getDeadOnGround());
    EXPECT_EQ(fly(), fresh);
}

TEST_F(AircraftStart, DogfightTeamsOutsideTheTableAndUnknownRestartsStillStart) {
    missions::MissionData& m = mission(0);
    c->setDogfightRules(true, false, 1);
    for (long n = 0; n < 8; ++n) {
        m.DogfightOnlyOnOff[n] = 1;
        m.DogfightOnlyTeams[n] = n == 1 || n == 2 ? 2 : 1;
    }
    m.DogfightOnlyTeams[7] = 9;  // outside 1..4: placed as team 1
    m.DogfightOnlyTeams[6] = std::nan("");
    m.DogfightAirStartCenterSpot[0] = 2000000.0;
    m.DogfightAirStartCenterSpot[1] = 6000.0;
    m.DogfightAirStartCenterSpot[2] = 2050000.0;
    m.DogfightAirStartDistance = 3000.0;
    m.DogfightOnlyOnOff[5] = 0;
    for (long n = 0; n < 8; ++n) c->startThisAircraft(n, true);
    EXPECT_EQ(aircraft(5).live.attitude.Position[1], -10000.0);
    EXPECT_GT(aircraft(7).live.attitude.Position[1], 5000.0);
    EXPECT_GT(aircraft(6).live.attitude.Position[1], 5000.0);

    // A restart by a rule this game does not know comes back on the ground at the team's place.
    m.DogfightGroundStartLocations[1][0] = 2010000.0;
    m.DogfightGroundStartLocations[1][1] = -1.0;
    m.DogfightGroundStartLocations[1][2] = 2060000.0;
    c->setDogfightRules(true, false, 7);  // a host's rule unknown here
    c->startThisAircraft(1, false);
    EXPECT_NEAR(aircraft(1).live.attitude.Position[0], 2010000.0 - m.TeamStartDistance / 2, 1e-6);
    EXPECT_LT(aircraft(1).live.attitude.Position[1], 120.0);
}

// A random place within the start's distance, and the next aircraft at the very same place with
// distance 1.0 (its recalled distance as asked, not raised to 10 ft); a start beside an object stands 50 ft apart per record, 300 ft before it for
// record 0, on the ground.
TEST_F(AircraftStart, ARandomPlaceIsReusedAtDistanceOneAndAnObjectStartStandsBesideIt) {
    missions::MissionData& m = mission(0);
    auto set = [&](long n, int32_t type, int32_t location, double distance) {
        m.AircraftStarts[n].StartType = type;
        m.AircraftStarts[n].LocationOffset = location;
        m.AircraftStarts[n].RandomDistance = distance;
    };
    set(5, 2, 5, 500.0);
    set(6, 2, 5, 1.0);
    draws = {12000, -4000, 9000};
    c->startThisAircraft(5, true);
    c->startThisAircraft(6, true);
    EXPECT_EQ(aircraft(6).live.attitude.Position, aircraft(5).live.attitude.Position);
    EXPECT_EQ(aircraft(6).live.attitude.QAttitude, aircraft(5).live.attitude.QAttitude);
    const double dx = aircraft(5).live.attitude.Position[0] - m.MissionStartLocations[5][0];
    const double dz = aircraft(5).live.attitude.Position[2] - m.MissionStartLocations[5][2];
    EXPECT_NEAR(std::hypot(dx, dz), 500.0, 1.0);

    // A distance under 10 ft draws its place 10 ft out; the aircraft that recalls it takes the
    // same draws at the distance asked for, so a formation keeps its own spacing.
    auto offset = [&](long n) {
        return std::hypot(aircraft(n).live.attitude.Position[0] - m.MissionStartLocations[5][0],
                          aircraft(n).live.attitude.Position[2] - m.MissionStartLocations[5][2]);
    };
    set(5, 2, 5, 4.0);
    draws = {12000, -4000, 9000};
    c->startThisAircraft(5, true);
    c->startThisAircraft(6, true);
    EXPECT_NEAR(offset(5), 10.0, 1e-6);
    EXPECT_NEAR(offset(6), 4.0, 1e-6);
    EXPECT_EQ(aircraft(6).live.attitude.QAttitude, aircraft(5).live.attitude.QAttitude);

    m.MissionStartLocations[3][0] = 30.0;  // object 30
    m.MissionStartLocations[3][1] = 0.0;
    m.MissionStartLocations[3][2] = 0.0;
    set(3, 0, 3, 0.0);
    m.AircraftStarts[3].MPH = 4.0;
    c->startThisAircraft(3, true);
    QNion object;
    c->modelAt(30)->getModelPositionQNion(&object);
    EXPECT_DOUBLE_EQ(aircraft(3).live.attitude.Position[0], object.Position[0]);
    EXPECT_DOUBLE_EQ(aircraft(3).live.attitude.Position[2], object.Position[2] + 3 * 50.0 - 300.0);
    EXPECT_LT(aircraft(3).live.attitude.Position[1], 120.0);  // on the 100-ft ground
}

// Values of a start record that name something by number are bounded where they are used.
TEST_F(AircraftStart, NumbersFromTheRecordAreBoundedAtUse) {
    missions::MissionData& m = mission(0);
    missions::AircraftInit& r = m.AircraftStarts[2];
    r.FirstFlyPoint = 200;
    r.LeadAircraftForWingman = 8;
    r.AISkillLevel = 12;
    r.StartType = 30;
    r.Team = 7;  // line abreast of a team outside 1..4: the first team's place
    r.AttackEnemyDistance = 1e300;
    r.ReturnToPatrolDistance = std::nan("");
    c->startThisAircraft(2, true);
    const Aircraft& a = aircraft(2).ThisAircraft;
    EXPECT_EQ(a.AttackEnemyDistance, 2147483647);
    EXPECT_EQ(a.ReturnToPatrolDistance, 0);
    EXPECT_EQ(a.NextFlyPointNumber, -1);
    EXPECT_EQ(a.LeadAircraftNumber, 0);
    EXPECT_EQ(a.aiPilotNumber, 0);
    // Place 0, beside the two aircraft of team 1 before it.
    const auto& place = m.MissionStartLocations[0];
    const auto& at = aircraft(2).live.attitude.Position;
    EXPECT_NEAR(std::hypot(at[0] - place[0], at[2] - place[2]), 2 * m.TeamStartDistance, 1e-6);
    r.AISkillLevel = 3;  // drawn: 0, 1 or 2
    draws = {32767};
    c->startThisAircraft(2, true);
    EXPECT_EQ(aircraft(2).ThisAircraft.aiPilotNumber, 2);

    // A place number outside the table beeps and uses place 0; a type no class answers is a
    // Camel; a slot switched off is parked below the world.
    const long beeps = platform::beepCount();
    m.AircraftStarts[4].StartType = 0;
    m.AircraftStarts[4].LocationOffset = -3;
    m.AircraftStarts[4].RandomDistance = 0.0;
    m.AircraftStarts[4].AircraftType = 99;
    c->startThisAircraft(4, true);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_NEAR(aircraft(4).live.attitude.Position[0], m.MissionStartLocations[0][0], 1.0);
    EXPECT_EQ(missions::aircraftTypeOf(&aircraft(4)), 55);
    m.AircraftStarts[4].OnOff = 0;
    c->startThisAircraft(4, true);
    EXPECT_EQ(aircraft(4).live.attitude.Position[1], -10000.0);

    // A random type is drawn once and kept for the restarts; the player's pilot stays his own.
    m.AircraftStarts[0].AircraftType = 1001;
    m.AircraftStarts[0].AIType = 3;
    draws = {0};
    c->startThisAircraft(0, true);
    EXPECT_EQ(missions::aircraftTypeOf(&aircraft(0)), 77);
    EXPECT_EQ(m.ResetAircraftStarts[0].AircraftType, 77);
    EXPECT_EQ(aircraft(0).ThisAircraft.AIType, -3);
}

// One sun: the sky dome shows it where the view's light comes from, in the game and, while it is
// open, in the builder, whose view keeps its own sun.
TEST_F(MissionStart, TheSkyShowsTheSunThatLightsTheWorld) {
    auto domeSun = [](ModelArray* models) {
        auto* sky = models ? dynamic_cast<TexturedSkyDome*>(models->at(ModelArray::kSkyDome)) : nullptr;
        return sky ? sky->getSunVector() : Vector3{};
    };
    frame();
    EXPECT_EQ(domeSun(c->getModelArray()), (Vector3{0.6, 0.8, 0.0}));

    c->fromMBMenu(builder::kTagNewMission);
    c->missionBuilder().controls().worldMenu = 1;
    c->fromMBMenu(builder::kTagAddWorld);
    ASSERT_TRUE(c->builderWindowOpen());
    view.light = {0.0, 0.6, -0.8};
    view.sun = -1.0;
    frame();
    EXPECT_EQ(view.sun, -1.0) << "the game's hour set over the builder's sun";
    const double* s = c->getSunVector();
    EXPECT_EQ(domeSun(c->getArrayForTerrain(nullptr)), (Vector3{s[0], s[1], s[2]}));
    EXPECT_EQ(domeSun(c->getArrayForTerrain(nullptr)), (Vector3{0.0, 0.6, -0.8}));
}

}  // namespace
}  // namespace pellam::testing
