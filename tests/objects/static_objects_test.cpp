// The static ground objects as a mission places them: made by the factory, set on the ground,
// drawn into a recording view under a scripted sun, killed, replayed and asked to refuel.
#include <gtest/gtest.h>

#include <cmath>

#include "core/DrawHints.h"
#include "flight/FlightModel.h"
#include "missions/ObjectFactory.h"
#include "objects/FrenchHouse.h"
#include "objects/GroundVehicle.h"
#include "objects/StaticObjects.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::RecordingView;

constexpr double kGround = 100.0;
constexpr int32_t kCodes[] = {56, 57, 58, 59, 60, 68, 69, 70, 71, 72, 73};

const Mesh& tablesOf(int32_t code) {
    switch (code) {
        case 56: return statics::bigHangarMesh();
        case 57: return statics::canvasHangarMesh();
        case 58: case 59: return statics::woodHutMesh(code == 59);
        case 60: return statics::windSockMesh();
        case 68: return statics::racePylonMesh();
        case 69: return statics::woodBridgeMesh();
        case 70: return statics::stoneBridgeMesh();
        case 71: case 72: return statics::frenchHouseMesh(code == 72);
        default: return statics::craterMesh();
    }
}

struct Tanker : testing::RecordAircraft {
    int refuels = 0;
    void refuelReArm() override { ++refuels; }
};

class StaticObjects : public ::testing::Test {
protected:
    void SetUp() override {
        controller.models = &models;
        auto ground = std::make_unique<fakes::FakeTerrain>();
        ground->height = [](double, double) { return kGround; };
        ground->plane = {0, 1, 0, 0};
        terrain = static_cast<fakes::FakeTerrain*>(models.put(ModelArray::kTerrain, std::move(ground)));
        vehicles::setSunSource([this] { return sun.data(); });
    }
    void TearDown() override { vehicles::setSunSource(nullptr); }

    // Made as the factory makes it, then started as the mission start does.
    template <typename T = BaseObject>
    T& place(int32_t code, std::array<double, 3> p, double heading = 0.0, int32_t team = 1) {
        std::unique_ptr<ZephModel> made = factory.make(code);
        fakes::startUnit(*made, &controller, &view, p, heading, team);
        return *static_cast<T*>(models.put(std::max(models.size(), long(ModelArray::kFirstMissionObject)), std::move(made)));
    }
    const RecordingView::Drawn& draw(BaseObject& o, int32_t t) {
        o.getDrawingData(t);
        return view.drawn.back();
    }

    ModelArray models;
    fakes::RecordingController controller;
    fakes::FakeTerrain* terrain = nullptr;
    RecordingView view;
    missions::ObjectFactory factory;
    std::array<double, 3> sun{0, 1, 0};
};

// Every member stands on the ground, answers as a tower, draws its standing model, and from the
// tick of its death (and not before, also when a replay goes back past it) its destroyed look.
TEST_F(StaticObjects, EveryMemberStandsAndShowsItsDeathFromItsTickOn) {
    for (int32_t code : kCodes) {
        BaseObject& o = place(code, {1000.0 * code, kGround + 0.5, 0});
        SCOPED_TRACE(code);
        EXPECT_DOUBLE_EQ(o.live.attitude.Position[1], code == 70 ? kGround + 0.5 : kGround);
        EXPECT_TRUE(o.isTower());
        EXPECT_EQ(o.ThisModel.TheObject.AnimateItems[1], kItemStartDeadOnGround);
        const auto& drawn = draw(o, 100);
        EXPECT_EQ(drawn.points.size() + 1, tablesOf(code).points.size());  // no point ends the list early
        const auto standing = drawn.polygons;
        o.ThisModel.TheObject.GlobalDeadTime = 200;
        o.ThisModel.TheObject.WhoKilledMe = 2;
        EXPECT_EQ(draw(o, 199).polygons.size(), standing.size());
        EXPECT_FALSE(o.areYouDead());
        EXPECT_TRUE(o.areYouDestroyed());
        const auto dead = draw(o, 200).polygons;
        EXPECT_TRUE(o.areYouDead());
        if (code == 70 || code == 73) {
            EXPECT_EQ(dead.size(), standing.size());  // the viaduct and the crater never change
        } else {
            ASSERT_EQ(dead.size(), 1u);
            EXPECT_EQ(dead[0].MapNumber, 2);
        }
        EXPECT_EQ(draw(o, 150).polygons.size(), standing.size());  // a replay before the death
        // Where nothing draws it, the running step alone tells it the time of its death.
        o.callEveryTick(true, 199, false);
        EXPECT_FALSE(o.areYouDead());
        o.callEveryTick(true, 200, false);
        EXPECT_TRUE(o.areYouDead());
        o.resetModel();
        EXPECT_EQ(o.ThisModel.TheObject.GlobalDeadTime, 0);
    }
}

TEST_F(StaticObjects, GroundPlacementOnlyWithinOneFootAndOnlyOnceTheControllerIsKnown) {
    terrain->plane = {0.1, 0.99, 0.0, 0};
    BaseObject& near = place(58, {0, kGround + 1.0, 0});
    EXPECT_DOUBLE_EQ(near.live.attitude.Position[1], kGround);
    EXPECT_NE(near.live.attitude.QAttitude[0], 1.0);  // tilted to the slope
    BaseObject& above = place(58, {0, kGround + 1.01, 0});
    EXPECT_DOUBLE_EQ(above.live.attitude.Position[1], kGround + 1.01);
    EXPECT_EQ(above.live.attitude.QAttitude[0], 1.0);
    SmallWoodBuildingWWI alone;
    alone.initWithGLView(&view);
    alone.setStartingModelQNionX(0, kGround - 5, 0, &alone.live.attitude);
    alone.resetModel();
    EXPECT_DOUBLE_EQ(alone.live.attitude.Position[1], kGround - 5);
    alone.setObjectPoints(70000);  // kept to 16 bits
    EXPECT_EQ(alone.getObjectPoints(), int16_t(70000));
}

// The big hangar's shadow: the footprint alone under a sun overhead and by night (when the swept
// quads lie on the footprint's edges instead of keeping the day's shape), never beyond 125 ft.
TEST_F(StaticObjects, BoxShadowFollowsTheSunWithinReachAndShrinksToTheFootprintAtNight) {
    auto& hangar = place<BigOpenHangarWWI>(56, {0, kGround, 0});
    auto extent = [&](const RecordingView::Drawn& d) {
        std::array<double, 4> e{1e9, -1e9, 1e9, -1e9};
        for (int i = 100; i < 112; ++i) {
            e = {std::min(e[0], double(d.points[i].X)), std::max(e[1], double(d.points[i].X)),
                 std::min(e[2], double(d.points[i].Z)), std::max(e[3], double(d.points[i].Z))};
        }
        return e;
    };
    const std::array<double, 4> footprint{-50, 50, -60, 60};
    EXPECT_EQ(extent(draw(hangar, 1)), footprint);
    sun = {0.0, 0.01, 0.99995};  // low behind the +Z end
    const auto low = extent(draw(hangar, 2));
    EXPECT_FLOAT_EQ(low[2], -60 - 125);
    EXPECT_FLOAT_EQ(low[3], 60);
    sun = {0.6, -0.2, -0.77};
    EXPECT_EQ(extent(draw(hangar, 4)), footprint);

    // A hut turned 90 degrees: the offset is worked out in its own axes.
    auto& hut = place(58, {500, kGround, 0}, 90.0);
    sun = {0.6, 0.8, 0.0};  // from the east: the shadow falls west, along the hut's -Z
    const auto& d = draw(hut, 5);
    double reach = 0;
    for (int i = 78; i < 86; ++i) reach = std::min(reach, double(d.points[i].Z));
    EXPECT_NEAR(reach, -16 - 16 * 0.6 / 0.8, 1e-4);
}

TEST_F(StaticObjects, HangarsAndTheCraterRefuelTheirOwnTeamUnderTwoHundredFeet) {
    for (int32_t code : {56, 57, 73}) {
        SCOPED_TRACE(code);
        BaseObject& o = place(code, {0, kGround, 0}, 0, 2);
        Tanker t;
        t.a.Team = 2;
        auto at = [&](double x, double y, double z) {
            t.live.attitude.Position = {x, y, z};
            const int before = t.refuels;
            o.canRefuelThisAircraft(&t);
            return t.refuels > before;
        };
        EXPECT_FALSE(at(120, kGround, 160));  // exactly 200 ft
        EXPECT_TRUE(at(199.9, kGround, 0));
        EXPECT_TRUE(at(90, kGround + 1000, 120));  // height is not asked
        t.a.Team = 1;
        EXPECT_FALSE(at(10, kGround, 0));
        t.a.Team = 2;
        o.ThisModel.TheObject.GlobalDeadTime = 5000;  // killed, though not yet drawn dead
        EXPECT_FALSE(at(10, kGround, 0));
    }
}

// The sock points downwind in the world whatever the heading it was placed with, hangs down in a
// calm, flutters within its band, and wears its team's colour.
TEST_F(StaticObjects, WindSockTurnsDownwindInWorldAxesHangsInACalmAndWearsItsColours) {
    auto& sock = place<WindSockWWI>(60, {0, kGround, 0}, 90.0, 2);
    auto tailHeading = [&](const RecordingView::Drawn& d) {
        const auto mouth = fakes::worldOf(d, d.points[72]);
        const auto tail = fakes::worldOf(d, d.points[90]);
        return std::atan2(tail[0] - mouth[0], tail[2] - mouth[2]) * 57.29577951;
    };
    for (const auto& [mph, band] : {std::pair{12.0, 0.025}, std::pair{20.0, 0.1}}) {
        sock.setWindSpeed(mph, 45.0);
        double widest = 0.0;
        for (int k = 0; k < 50; ++k) widest = std::max(widest, std::fabs(tailHeading(draw(sock, k)) - 45.0));
        EXPECT_LE(widest, band * 57.29577951 + 1e-3);
        EXPECT_GT(widest, band * 57.29577951 * 0.5);
        // Its flutter takes one number a frame, and above 12 mph a second in its place.
        platform::seedRandom(9);
        platform::RandomStream twin{9};
        draw(sock, 50);
        for (int k = 0; k < (mph > 12.0 ? 2 : 1); ++k) twin.next();
        EXPECT_EQ(platform::nextRandom(), twin.next());
    }
    const auto& d = draw(sock, 60);
    EXPECT_EQ(d.polygons[3].PolyColor[2], 0.7f);  // team 2: blue
    sock.setWindSpeed(1.0, 45.0);
    const auto& calm = draw(sock, 61);
    EXPECT_LT(fakes::worldOf(calm, calm.points[99])[1], kGround + 10);  // hangs from its 19-ft mouth
    sock.setTeam(7);
    EXPECT_EQ(draw(sock, 62).polygons[3].PolyColor[2], 0.7f);  // no such team: the colour stays

    // The pole's shadow: a strip to the tip of a 20-ft pole's shadow, at most 125 ft; by night
    // none at all: its ends keep their X and it lies along itself.
    sun = {0.0, 0.001, -1.0};
    EXPECT_FLOAT_EQ(draw(sock, 63).points[109].X, -125.0f);  // heading 90: world -Z is the sock's +X
    sun = {0.0, -0.5, 0.8};
    const auto& night = draw(sock, 64);
    const float nightX[4] = {0, -125, -125, 0}, nightZ[4] = {-16, 16, 16, -16};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(night.points[108 + k].X, nightX[k]);
        EXPECT_EQ(night.points[108 + k].Z, nightZ[k]);
    }
}

TEST_F(StaticObjects, PylonBannerLiesAsBuiltInACalmStreamsDownwindWhenDeadAndItsBoxesReachTheMastTop) {
    auto& pylon = place(68, {0, kGround, 0});
    const auto& calm = draw(pylon, 1);
    const auto& table = statics::racePylonMesh().points;
    for (int i = 36; i < 44; ++i) EXPECT_EQ(calm.points[i].X, table[i].X);
    // Its boxes, drawn and hit, reach the top of its mast; the destroyed patch has its earth picture.
    float top = 0.0f;
    for (const auto& p : table) top = std::max(top, p.Y);
    EXPECT_GT(top, 80.0f);
    const ObjectPointsPolysVer2& g = *pylon.getModelPointsPolysPtr();
    EXPECT_GE(g.SizeSquare[0][4], top);
    EXPECT_GE(pylon.ThisModel.TheObject.HitSquare[3], top);
    EXPECT_NE(g.MapListOffset[2], 0);
    pylon.ThisModel.TheObject.GlobalDeadTime = 2;
    pylon.setWindSpeed(20.0, 90.0);
    const auto& dead = draw(pylon, 3);
    EXPECT_NEAR(dead.points[37].X, 50.0, 3.0);  // still turned: streaming toward world +X
    EXPECT_NEAR(dead.points[37].Z, 0.0, 6.0);
}

// The real hit tests against the hangar's boxes: the gap between its walls is open below 22 ft,
// its roof is not, and a bomb closer than 150 ft destroys it. The viaduct's boxes leave room
// under its deck.
TEST_F(StaticObjects, AircraftPassUnderTheHangarRoofAndTheViaductDeckAndABombInReachWrecksIt) {
    auto& hangar = place(56, {0, kGround, 0}, 90.0);
    const Object3DData& o = hangar.ThisModel.TheObject;
    testing::RecordAircraft craft;
    craft.live.attitude.Position = {50, kGround + 12, 0};  // along the hangar's axis, world +X
    checkThisAircraftForThisModelCollision(&craft, &hangar, 10, ModelArray::kFirstMissionObject, 0);
    EXPECT_EQ(o.GlobalDeadTime, 0);
    craft.live.attitude.Position = {50, kGround + 26, 0};
    checkThisAircraftForThisModelCollision(&craft, &hangar, 10, ModelArray::kFirstMissionObject, 0);
    EXPECT_EQ(o.GlobalDeadTime, 10);
    for (const auto& [reach, dies] : {std::pair{151.0, false}, std::pair{149.0, true}}) {
        hangar.resetModel();
        const double burst[3] = {0, kGround, reach};
        CheckForBombHitObject(2, &models, 20, false, &controller, burst);
        EXPECT_EQ(o.GlobalDeadTime != 0, dies) << reach;
    }

    const ObjectPointsPolysVer2& g = *place(70, BridgeSpWWI::kWorldPlace, BridgeSpWWI::kWorldHeading).getModelPointsPolysPtr();
    auto inBox = [&](double x, double y) {
        for (int k = 0; k < g.NumberOfSizeSquares; ++k) {
            const auto& b = g.SizeSquare[k];
            if (x >= b[0] && x <= b[3] && y >= b[1] && y <= b[4]) return k + 1;
        }
        return 0;
    };
    EXPECT_EQ(inBox(-500, 100), 0);
    EXPECT_EQ(inBox(-300, 100), 3);
    EXPECT_EQ(inBox(0, 520), 4);
}

// Chimney smoke: straight up without wind, the rise's floor, downwind in a wind whatever the
// house's heading, the fade at 950 ticks, held while paused, and a replay gives back the puffs.
TEST_F(StaticObjects, ChimneySmokeRisesFadesHoldsWhilePausedAndSurvivesAReplay) {
    auto& house = place<FrenchHouseWWI>(71, {0, kGround, 0}, 30.0);
    house.DrawSmoke = true;
    for (int32_t t = 1; t <= 400; ++t) house.callEveryTick(true, t, false);
    const GunnerSmoke first = house.TheBlueSmoke[0];
    EXPECT_GE(first.XYZPosition[1], FrenchHouseWWI::kChimneyTop);
    EXPECT_DOUBLE_EQ(first.XYZPosition[0], 0.0);
    EXPECT_DOUBLE_EQ(first.XYZPosition[2], -12.5);
    const auto kept = house.TheBlueSmoke;
    for (int32_t t = 401; t <= 500; ++t) house.callEveryTick(false, t, false);
    EXPECT_EQ(house.TheBlueSmoke, kept);

    house.TheBlueSmoke[0].XYZPosition[1] = 49.625;
    house.callEveryTick(true, 501, false);
    EXPECT_NEAR(house.TheBlueSmoke[0].XYZPosition[1], 49.6253, 1e-9);

    house.setWindSpeed(20.0, 70.0);
    const auto out = house.TheBlueSmoke[0].XYZPosition;
    house.callEveryTick(true, 502, false);
    const auto& blown = house.TheBlueSmoke[0].XYZPosition;
    const double drift[3] = {blown[0] - out[0], 0.0, blown[2] - out[2]};
    double m[16] = {}, world[3];
    ZephModel::quaternionToMatrix(house.live.attitude.QAttitude.data(), m);
    ZephModel::RotateVector(drift, world, m);
    EXPECT_NEAR(world[0], 0.25 * house.WindVector[0], 1e-9);
    EXPECT_NEAR(world[2], 0.25 * house.WindVector[2], 1e-9);

    const auto live = house.TheBlueSmoke;
    house.prepareForReplayStart(502);
    for (int32_t t = 1; t <= 300; ++t) house.callEveryTick(true, t, true);
    EXPECT_NE(house.TheBlueSmoke, live);
    house.recoverFromReplay(502);
    EXPECT_EQ(house.TheBlueSmoke, live);

    house.TheBlueSmoke[3].TimeStarted = 1000;
    house.TheBlueSmoke[3].XYZPosition[1] = 30;
    EXPECT_FLOAT_EQ(draw(house, 1949).polygons[8 + 3].PolyColor[3], 0.9f);
    EXPECT_FLOAT_EQ(draw(house, 1950).polygons[8 + 3].PolyColor[3], 0.5f);
    house.DrawSmoke = false;
    const auto& quiet = draw(house, 1951);
    for (int i = 8; i < 24; ++i) EXPECT_TRUE(quiet.polygons[i].DrawHints & kSkip);
}

}  // namespace
}  // namespace pellam
