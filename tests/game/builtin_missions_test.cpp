// The 23 built-in missions as the build wrote them, each over the real Western Front: it starts,
// its conditions name live objects of the right side, ten minutes under the computer pilot leave
// everything finite and above the ground, and the game's own damage and landing paths win it and
// lose it. PELLAM_MISSION names the slot to fly (CTest runs one process per mission), or "all".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "flight/FlightModel.h"
#include "game/VADArizodazar2.h"
#include "missions/ObjectFactory.h"
#include "objects/ArmedModels.h"
#include "objects/Balloon.h"
#include "platform/Paths.h"
#include "tests/game/frame_step.h"
#include "missions/MissionTable.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

constexpr int kPlayer = ModelArray::kFirstAircraft;

class BuiltIn : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("pellam builtin " + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                             VADArizodazar2::Content{{}, {}, [] {
                                                 auto terrain = std::make_unique<RIDUdidav>();
                                                 return terrain->initWithGLView(nullptr) ? std::move(terrain) : nullptr;
                                             }});
        c->awakeFromNib();
        c->seedSimulation(1918 + GetParam());  // start-up seeds it from the system; each run is the same fight
        ASSERT_EQ(c->missionState().worldProblem, "");
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
        slot = GetParam();
        ASSERT_TRUE(c->missionTable().loaded(slot)) << slot;
        ASSERT_EQ(c->whyMissionCannotStart(slot), "");
        c->fromMissionMenu(c->missionWindowControls().toMissionMenuPopUp.positionOfTag(slot));
        c->fromFlyMissionButton();
        ASSERT_EQ(c->missionState().CurrentMissionNumber, slot);
        ASSERT_TRUE(c->clock().gamePause);
    }
    void TearDown() override {
        c.reset();
        store_.reset();  // its last saves land before the folder goes
        std::filesystem::remove_all(folder_);
    }

    missions::MissionData& mission() { return *c->missionTable().record(slot); }
    const missions::VictoryConditions& victory() { return mission().TheVictory; }
    FlyableAircraft& player() { return *c->aircraftAt(kPlayer); }
    int32_t team() { return player().ThisAircraft.Team; }
    // Frames of three ticks, each object handing out its drawing as the view asks every frame (a
    // static object learns the time, and so its death, only then).
    void frames(int n, bool drawn = true) {
        for (int i = 0; i < n; ++i) {
            testing::stepOneFrame(*c, 3);
            for (long k = missions::kHeadObjects; drawn && k < c->getModelArray()->size(); ++k)
                c->modelAt(k)->getDrawingData(c->clock().GlobalMissionTime);
        }
    }
    double ground(double x, double z) { return c->modelAt(ModelArray::kTerrain)->getAltitudeAtX(x, z); }
    bool placeholder(long index) { return dynamic_cast<missions::PlaceholderObject*>(c->modelAt(index)) != nullptr; }
    std::vector<long> listed(const std::array<int32_t, 20>& list, int32_t required) {
        std::vector<long> out;
        if (required > 0)
            for (int32_t index : list)
                if (index > 20 && index < c->getModelArray()->size()) out.push_back(index);
        return out;
    }
    // A bomb bursting on the object, dropped by the player: the blast path every bomb takes.
    void blast(long index) {
        OneCompleteObjectVer2* o = c->modelAt(index)->getCompleteObjectPtr();
        ASSERT_NE(o, nullptr) << index;
        const double at[3] = {o->ObjectMatrix[12], o->ObjectMatrix[13], o->ObjectMatrix[14]};
        CheckForBombHitObject(kPlayer, c->getModelArray(), c->clock().GlobalMissionTime, false, c.get(), at);
    }
    // Hit past its limit by the player's guns, as the bullet test leaves an aircraft.
    void shootDown(long n) {
        Aircraft& a = c->aircraftAt(n + kPlayer)->ThisAircraft;
        a.TotalHits = a.TotalHitsBeforeDead + 1.0;
        a.WhoShotMe = 0;
        a.Damage1 |= dmg::FatalDamage | dmg::Down;
    }
    void putPlayer(double x, double y, double z, double mph) { player().SetUpAircraft(x, y, z, 90.0, 0.0, mph, 0.8); }
    bool enemy(long n) { return c->aircraftAt(n + kPlayer)->ThisAircraft.Team != team(); }
    void parkEnemies() {
        for (long n = 1; n < 8; ++n)
            if (enemy(n)) c->aircraftAt(n + kPlayer)->SetUpAircraft(0.0, -10000.0, 0.0, 0.0, 0.0, 0.8, 0.8);
    }
    std::string shownTitle(int limitFrames) {
        for (int i = 0; i < limitFrames && !c->interface().toGameOverWindow.open; ++i) frames(1);
        return c->interface().toGameOverWindow.open ? c->interface().toYouWonOrLost : "";
    }
    // A condition on an object whose class this build does not have yet cannot be judged.
    bool waitsForStaticObjects() {
        const missions::VictoryConditions& v = victory();
        for (long i : listed(v.ParticularDeadObjects, v.RequiredNumberOfDeadObjects))
            if (placeholder(i)) return true;
        for (long i : listed(v.ParticularAliveObjects, v.RequiredNumberOfAliveObjects))
            if (placeholder(i)) return true;
        return false;
    }

    int slot = 0;
    std::filesystem::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
};

TEST_P(BuiltIn, ConditionsNameLiveObjectsOfTheRightSide) {
    const missions::VictoryConditions& v = victory();
    EXPECT_EQ(c->modelAt(kPlayer)->getTeamNumber(), mission().AircraftStarts[0].Team);
    const bool network = slot == 12 || slot == 13;
    // Outside network play, a way to lose (the win and the loss are flown below).
    EXPECT_EQ(network, !(v.MustBeAlive || v.RequiredNumberOfAliveObjects || v.MustWinInXTicks > 60));
    for (int n = 0; network && n < 8; ++n) {
        EXPECT_EQ(mission().NumberOfAircraftRestarts[n], 0);  // back without limit
        EXPECT_EQ(mission().AircraftStarts[n].WillComeBackToLife, 1);
    }
    if (waitsForStaticObjects()) GTEST_SKIP() << "the static ground objects are placeholders in this build";
    for (bool dead : {true, false}) {
        const auto list = dead ? listed(v.ParticularDeadObjects, v.RequiredNumberOfDeadObjects)
                               : listed(v.ParticularAliveObjects, v.RequiredNumberOfAliveObjects);
        EXPECT_GE(list.size(), size_t(dead ? v.RequiredNumberOfDeadObjects : v.RequiredNumberOfAliveObjects));
        for (long index : list) {
            OneCompleteObjectVer2* o = c->modelAt(index)->getCompleteObjectPtr();
            ASSERT_NE(o, nullptr) << index;
            EXPECT_TRUE(o->TheObject.ObjectFlags & 0x20) << index << " cannot be hit";
            EXPECT_FALSE(c->modelAt(index)->areYouDead()) << index;
            EXPECT_EQ(mission().ObjectList[index].Team != team(), dead) << index;
        }
    }
}

TEST_P(BuiltIn, TenMinutesUnderTheComputerPilotStayFiniteAndAboveGround) {
    constexpr int32_t kTicks = 10 * 60 * 60;
    // Nobody watches the aircraft: their moving parts are not posed each frame (half the time under
    // the sanitizers).
    FlyableAircraft::setDrawingHooks(nullptr);
    // The flight stands while its drawing's warm-up, drawn a share of time a frame, lasts: the ten
    // minutes are counted in ticks stepped, however many frames a busy machine spends on the
    // warm-up (the first frame plans it, and a share may not end it).
    frames(1);
    const int32_t start = c->clock().GlobalMissionTime;
    const auto check = [&] {
        ModelArray& models = *c->getModelArray();
        for (long i = ModelArray::kFirstAircraft; i < models.size(); ++i) {
            ZephModel* m = models.at(i);
            const auto& p = m->live.attitude.Position;
            ASSERT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
                << "object " << i << " at tick " << c->clock().GlobalMissionTime;
            if (i < ModelArray::kDebris && p[1] < -500.0) continue;  // parked out of play
            if (i >= ModelArray::kDebris && i <= ModelArray::kBombs + 1) continue;  // the pools and clutter
            if (dynamic_cast<FirstCloud*>(m)) continue;
            // Wrecks settle into the ground a little; nothing sinks beneath it.
            ASSERT_GT(p[1], ground(p[0], p[2]) - 25.0)
                << "object " << i << " underground at tick " << c->clock().GlobalMissionTime << ": " << p[0] << ", "
                << p[1] << ", " << p[2];
        }
    };
    for (int f = 0; c->clock().GlobalMissionTime - start < kTicks; ++f) {
        ASSERT_LT(f, kTicks) << "the flight stood still";
        Aircraft& own = player().ThisAircraft;
        if (own.AIType <= 0) own.AIType = 1;  // the computer pilot flies the player's aircraft
        c->setRunning(true);                 // a decided mission flies on
        frames(1, f % 4 == 0);               // drawn at 15 frames a second
        if (f % 20 == 0) check();
        if (HasFatalFailure()) return;
    }
    check();
}

// Every balloon flies on its cable, drawn whole above the ground, and burns when the player flies
// at it from downrange with the guns firing.
TEST_P(BuiltIn, EveryBalloonFliesAndFallsToThePlayersGuns) {
    frames(1);
    std::vector<long> balloons;
    for (long i = missions::kHeadObjects; i < c->getModelArray()->size(); ++i)
        if (dynamic_cast<BalloonWWI*>(c->modelAt(i))) balloons.push_back(i);
    if (balloons.empty()) GTEST_SKIP() << "no balloons";
    for (long i : balloons) {
        OneCompleteObjectVer2* o = c->modelAt(i)->getCompleteObjectPtr();
        const auto& m = o->ObjectMatrix;
        const ObjectPointsPolysVer2* g = o->ThePointsPolysData;
        double lowest = 1e9;  // ft: the drawn balloon's lowest point above the ground under it
        for (int k = 0; k < armed::balloon::kFirstPatchPoint; ++k) {
            const GLT2FN3FV3FFormat& p = g->ThePoints[k];
            const double x = m[0] * p.X + m[4] * p.Y + m[8] * p.Z + m[12];
            const double y = m[1] * p.X + m[5] * p.Y + m[9] * p.Z + m[13];
            const double z = m[2] * p.X + m[6] * p.Y + m[10] * p.Z + m[14];
            lowest = std::min(lowest, y - ground(x, z));
        }
        EXPECT_GT(lowest, 500.0) << "balloon " << i << " hangs too low to be seen in flight";
    }
    parkEnemies();
    for (long i : balloons) {
        SCOPED_TRACE(i);
        const auto b = c->modelAt(i)->live.attitude.Position;
        // Passes from 600 ft south of it at its height, flying north at it with the guns firing.
        int passes = 0;
        for (; passes < 4 && !c->modelAt(i)->areYouDead(); ++passes) {
            player().SetUpAircraft(b[0], b[1] - 1.0, b[2] - 600.0, 0.0, 0.0, 100.0, 0.8);
            player().gunsOnOff(1);
            for (int f = 0; f < 60 && !c->modelAt(i)->areYouDead(); ++f) frames(1);
            player().gunsOnOff(0);
        }
        EXPECT_TRUE(c->modelAt(i)->areYouDead()) << "untouched after " << passes << " passes";
    }
}

TEST_P(BuiltIn, WonByItsConditionsLostByItsLosses) {
    if (waitsForStaticObjects()) GTEST_SKIP() << "the static ground objects are placeholders in this build";
    const missions::VictoryConditions v = victory();
    const double* home = mission().MissionStartLocations[mission().AircraftStarts[0].LocationOffset];
    auto safe = [&] { putPlayer(home[0], std::max(home[1], ground(home[0], home[2])) + 12000.0, home[2], 100.0); };
    // Kills first: enemies shot down by the player, again as they come back, until enough.
    const int32_t kills = std::max(v.Kills, v.TeamKills);
    for (int f = 0; f < 20000 && c->pilotScoring().AircraftResults[0][0] < kills; ++f) {
        for (long n = 1; n < 8 && f % 10 == 0; ++n) {
            FlyableAircraft* a = c->aircraftAt(n + kPlayer);
            if (enemy(n) && a->live.attitude.Position[1] > -500.0 && !(a->ThisAircraft.Damage1 & dmg::Down)) shootDown(n);
        }
        if (f % 60 == 0) safe();
        frames(1, f % 4 == 0);
    }
    EXPECT_GE(c->pilotScoring().AircraftResults[0][0], kills);
    parkEnemies();
    safe();
    // Targets, then enemy objects for their points.
    for (long index : listed(v.ParticularDeadObjects, v.RequiredNumberOfDeadObjects)) blast(index);
    for (long i = 21; i < c->getModelArray()->size() && c->pilotScoring().DeadObjectPoints < v.Points; ++i)
        if (mission().ObjectList[i].Team && mission().ObjectList[i].Team != team() && mission().ObjectList[i].Points &&
            !c->modelAt(i)->areYouDead())
            blast(i);
    frames(2);
    // Objectives in the air, flown through at a speed they accept.
    const int32_t kinds[3] = {v.Location1Flags, v.Location2Flags, v.Location3Flags};
    const double points[3][3] = {{v.Location1[0], v.Location1[1], v.Location1[2]},
                                 {v.Location2[0], v.Location2[1], v.Location2[2]},
                                 {v.Location3[0], v.Location3[1], v.Location3[2]}};
    for (int k = 0; k < 3; ++k) {
        if (kinds[k] == 1) continue;
        double p[3] = {points[k][0], points[k][1], points[k][2]};
        if (kinds[k] == 3) p[2] += 500.0, p[0] = home[0];
        if (kinds[k] == 4) p[2] -= 500.0, p[0] = home[0];
        if (kinds[k] == 5) p[0] -= 500.0, p[2] = home[2];
        if (kinds[k] == 6) p[0] += 500.0, p[2] = home[2];
        if (kinds[k] != 2) p[1] = ground(p[0], p[2]) + 3000.0;
        putPlayer(p[0], p[1], p[2], 100.0);
        frames(1);
        EXPECT_TRUE(c->missionState().LocationCompletedFlags[k]) << "objective " << k + 1;
    }
    // Landings: up over the field, then down on it, stopped.
    for (int k = 0; k < v.TotalLandings; ++k) {
        putPlayer(home[0], ground(home[0], home[2]) + 500.0, home[2], 100.0);
        frames(1);
        player().SetUpAircraft(home[0], -1.0, home[2], home[3], 400.0, 0.0, 0.0);  // on the ground, at rest
        frames(30);
    }
    EXPECT_GE(c->pilotScoring().Landings, v.TotalLandings);
    if (!v.TotalLandings) safe();
    // A hold-out is won at its limit; anything else as soon as all holds.
    if (v.RequiredNumberOfAliveObjects > 0 && v.MustWinInXTicks > 60)
        for (int f = 0; c->clock().GlobalMissionTime <= v.MustWinInXTicks; ++f) {
            frames(1, f % 4 == 0);  // drawn at 15 frames a second
            if (f % 60 == 0 && !v.TotalLandings) safe();
        }
    EXPECT_EQ(shownTitle(400), "Mission Successful");
    EXPECT_FALSE(c->missionState().CantWinMission);

    // The same mission again, lost: what it protects destroyed, or else the pilot killed, or else
    // the time let run out. Network missions are decided by their kill race alone.
    if (slot == 12 || slot == 13) return;
    c->fromRestartMissionButton();
    ASSERT_FALSE(c->interface().toGameOverWindow.open);
    c->setRunning(true);  // flying again
    frames(2);
    if (v.RequiredNumberOfAliveObjects > 0) {
        for (long index : listed(v.ParticularAliveObjects, v.RequiredNumberOfAliveObjects)) blast(index);
    } else if (v.MustBeAlive) {
        player().orDamage1(dmg::FatalDamage);
        player().ThisAircraft.Damage1 |= dmg::Down;
    } else {
        while (c->clock().GlobalMissionTime <= v.MustWinInXTicks + 60) frames(1);
    }
    EXPECT_EQ(shownTitle(1200), "Mission Failure");
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BuiltIn);
INSTANTIATE_TEST_SUITE_P(Slots, BuiltIn, ::testing::ValuesIn([] {
                             std::vector<int> slots;
                             const char* which = std::getenv("PELLAM_MISSION");
                             if (which && std::string(which) == "all")
                                 for (int s = 0; s < missions::MissionTable::kBuiltIn; ++s) slots.push_back(s);
                             else if (which)
                                 slots.push_back(std::clamp(std::atoi(which), 0, missions::MissionTable::kBuiltIn - 1));
                             return slots;
                         }()));

// Network play compares the hashes the files carry.
TEST(BuiltInMissions, FilesCarryTheirOwnHash) {
    for (long slot = 0; slot < missions::MissionTable::kBuiltIn; ++slot) {
        auto file = std::make_unique<missions::MissionFileContents>();
        const std::string name = platform::resourcesFolder() + missions::MissionTable::builtInFileName(slot);
        ASSERT_EQ(missions::readMissionFile(name, *file), "");
        EXPECT_EQ(file->byteSum, file->record.Hash1) << name;
    }
}

}  // namespace
}  // namespace pellam
