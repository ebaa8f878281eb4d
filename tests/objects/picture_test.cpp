// The objects on screen over the generated front: a Camel's bomb, its burst, debris and crater,
// trees along a wood, a balloon line, a supply column, the bomber, an airfield and a village. Each
// is found by drawing the frame with and without it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "objects/AllBombs.h"
#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "flight/AIRecords.h"
#include "objects/Bomber.h"
#include "objects/GunPit.h"
#include "objects/Tanks.h"
#include "objects/TruckWWI.h"
#include "objects/Debris.h"
#include "objects/FrenchHouse.h"
#include "objects/StaticObjects.h"
#include "missions/ObjectFactory.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "tests/objects/RunningGame.h"
#include "tests/render/ViewFixture.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

using Cmd = input::CommandNumber;

using rendertest::RGBAImage;

class EffectsPicture : public rendertest::ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        srandom(3);
        store_ = std::make_unique<platform::UserDefaults>((rendertest::scratchFolder() / "game.json").string());
        c = testing::flyingGame(*store_, 3, [this](ModelArray& m, GameController& gc) { populate(m, gc); });
        ASSERT_NE(terrain, nullptr);
        view().setModelArray(c->getModelArray());
        view().setFrameServices(nullptr);
        view().setDrawSecondWindow(false);
        view().setCameraInsideItem(-1);
        view().setSunVectorFromTime(11.0);
    }
    void TearDown() override { view().setModelArray(nullptr); }

    void populate(ModelArray& models, GameController& gc) {
        auto sky = std::make_unique<TexturedSkyDome>();
        sky->initWithGLView(&view());
        sky->setTimeOfDay(11.0);
        models.put(ModelArray::kSkyDome, std::move(sky));
        auto ground = std::make_unique<RIDUdidav>();
        if (!ground->initWithGLView(&view())) return;
        ground->setFogDistance(0.0);
        terrain = static_cast<RIDUdidav*>(models.put(ModelArray::kTerrain, std::move(ground)));
        auto camel = std::make_unique<ObjectTestFile>();
        camel->setaController(&gc);
        camel->setTerrain(terrain);
        camel->initWithGLView(&view());
        camel->SetUpAircraft(0, -20000, 0, 0, 0, 95.0, 0.8);
        player = static_cast<ObjectTestFile*>(models.put(ModelArray::kFirstAircraft, std::move(camel)));
        placeEffectObjects(models, &view(), &gc);
    }

    // The first place east of Albert where a sloping wood on high ground meets open fields
    // 1,760 ft to the east.
    std::array<double, 3> woodEdge() {
        for (int i = 0; i < 80; ++i)
            for (int j = 0; j < 80; ++j) {
                const double x = 1990000.0 + 440.0 * i, z = 2030000.0 + 440.0 * j;
                const double h = terrain->getAltitudeAtX(x, z);
                const double* p = terrain->lastTerrainPlaneEq();
                if (terrain->getLastTerrainTexture() != GroundClutter::kTreeGround || h < 60 || (p[0] == 0 && p[2] == 0))
                    continue;
                terrain->getAltitudeAtX(x + 1760.0, z);
                if (terrain->getLastTerrainTexture() != GroundClutter::kTreeGround) return {x, h, z};
            }
        return {0, -1, 0};
    }
    void look(const std::array<double, 3>& from, const std::array<double, 3>& at) {
        const double dx = at[0] - from[0], dy = at[1] - from[1], dz = at[2] - from[2];
        const double heading = std::atan2(dx, dz), pitch = std::atan2(dy, std::hypot(dx, dz));
        QNion turn, tilt;
        turn.QAttitude = {std::cos(heading / 2), 0, std::sin(heading / 2), 0};
        tilt.QAttitude = {std::cos(-pitch / 2), std::sin(-pitch / 2), 0, 0};
        ZephModel::multQnions(&turn, &tilt, &camera);
        camera.Position = {from[0], from[1], from[2]};
        view().setGlobalCameraPosition(&camera);
    }
    RGBAImage draw() {
        view().setGameTime(c->clock().GlobalMissionTime);
        return rendertest::drawnFrame(view());
    }
    static int differing(const RGBAImage& a, const RGBAImage& b) {
        int n = 0;
        for (size_t i = 0; i + 3 < a.pixels.size() && i < b.pixels.size(); i += 4)
            n += std::abs(a.pixels[i] - b.pixels[i]) + std::abs(a.pixels[i + 1] - b.pixels[i + 1]) +
                     std::abs(a.pixels[i + 2] - b.pixels[i + 2]) > 40;
        return n;
    }
    void frame() { testing::frameOf(*c); }
    // Over the front near Albert, with the Camel parked far above and away.
    void overTheFront() {
        ground = terrain->getAltitudeAtX(x, z);
        player->SetUpAircraft(x + 9000, ground + 3000.0, z + 9000, 0.0, 0.0, 95.0, 0.8);
    }
    // The pixels the objects change, seen from `from` (ft from the first one's foot) toward `at`.
    int standsOut(std::vector<ZephModel*> os, std::array<double, 3> from, std::array<double, 3> at) {
        const auto p = os[0]->live.attitude.Position;
        look({p[0] + from[0], p[1] + from[1], p[2] + from[2]}, {p[0] + at[0], p[1] + at[1], p[2] + at[2]});
        const RGBAImage with = draw();
        for (ZephModel* o : os) o->live.attitude.Position[1] += 50000;
        const RGBAImage without = draw();
        for (ZephModel* o : os) o->live.attitude.Position[1] -= 50000;
        return differing(with, without);
    }
    // A unit started level at p, turned by `heading` degrees, of team 2, in the world.
    template <typename T>
    T* place(std::unique_ptr<ZephModel> unit, const std::array<double, 3>& p, double heading = 0.0) {
        fakes::startUnit(*unit, c.get(), &view(), p, heading, 2);
        return static_cast<T*>(c->getModelArray()->append(std::move(unit)));
    }
    GroundExplosion& explosion(int k) { return *static_cast<GroundExplosion*>(c->modelAt(ModelArray::kFirstExplosion + k)); }
    AllBombs& bombs() { return *static_cast<AllBombs*>(c->modelAt(ModelArray::kBombs)); }
    Debris& debris() { return *static_cast<Debris*>(c->modelAt(ModelArray::kDebris)); }
    GroundClutter& trees() { return *static_cast<GroundClutter*>(c->modelAt(ModelArray::kGroundClutter)); }

    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
    RIDUdidav* terrain = nullptr;
    ObjectTestFile* player = nullptr;
    QNion camera;
    const double x = 2000000.0, z = 2040000.0;
    double ground = 0.0;
};

TEST_F(EffectsPicture, ACamelsBombFallsAndBurstsWithDebrisOverItsCraterAndTreesLineAWood) {
    const auto edge = woodEdge();
    ASSERT_GT(edge[1], 0.0) << "no wood edge near Albert";
    // Over the fields east of the wood, flying north at 500 ft.
    const double x = edge[0] + 2600.0, z = edge[2] - 1500.0;
    const double ground = terrain->getAltitudeAtX(x, z);
    player->SetUpAircraft(x, ground + 500.0, z, 0.0, 0.0, 95.0, 0.8);
    player->ThisAircraft.CurrentNumberOfBombs = 2;
    c->sendCommand(Cmd::DropBomb, kKeyDown);

    // Halfway down: the bomb seen from 120 ft off its path, the Camel going away above it.
    const AllBombs::BombOrRocket* falling = nullptr;
    for (const auto& b : bombs().own.bombs)
        if (b.TimeStarted > 0) falling = &b;
    ASSERT_NE(falling, nullptr);
    while (falling->TimeStarted > 0 && falling->Pos[1] > ground + 250.0) frame();
    ASSERT_GT(falling->TimeStarted, 0);
    const std::array<double, 3> bomb = falling->Pos;
    look({bomb[0] + 45.0, bomb[1] - 8.0, bomb[2] + 15.0}, bomb);
    const RGBAImage withBomb = draw();
    const auto kept = *falling;
    const_cast<AllBombs::BombOrRocket*>(falling)->Pos[1] += 5000.0;
    const RGBAImage noBomb = draw();
    *const_cast<AllBombs::BombOrRocket*>(falling) = kept;
    EXPECT_GT(differing(withBomb, noBomb), 30);

    // The burst, half a second after the landing, seen from 350 ft away and 150 ft up.
    while (!explosion(0).isBusy()) frame();
    for (int i = 0; i < 30; ++i) frame();
    const auto at = explosion(0).live.attitude.Position;
    look({at[0] - 350.0, at[1] + 150.0, at[2] - 60.0}, {at[0], at[1] + 30.0, at[2]});
    const RGBAImage burst = draw();
    explosion(0).own.busy = false;
    const RGBAImage noSmoke = draw();
    explosion(0).own.busy = true;
    EXPECT_GT(differing(burst, noSmoke), 3000);
    const auto flakes = debris().TheFlakes;
    for (auto& f : debris().TheFlakes) f.TimeStarted = Debris::kFree;
    explosion(0).own.busy = false;
    const RGBAImage noDebris = draw();
    debris().TheFlakes = flakes;
    EXPECT_GT(differing(noSmoke, noDebris), 20);
    const auto mark = bombs().own.marks[0];
    ASSERT_GT(mark.Pos[1], -9000.0);
    bombs().own.marks[0].Pos[1] = -10000.0;
    const RGBAImage noMark = draw();
    bombs().own.marks[0] = mark;
    EXPECT_GT(differing(noSmoke, noMark), 200);
    explosion(0).own.busy = true;

    // Trees: the eye flies along the wood's edge at 400 ft, planting one a frame ahead of it.
    for (int i = 0; i < 400; ++i) {
        frame();
        look({edge[0] + 800.0, edge[1] + 400.0, edge[2] - 9000.0 + 10.0 * i}, {edge[0] + 800.0, edge[1], edge[2] + 3000.0});
        draw();
    }
    EXPECT_GT(trees().liveTrees(), 20);
    // From 800 ft short of the nearest tree, 120 ft up, looking on into the wood.
    const GroundClutter::OneGCTree1* near = nullptr;
    for (const auto& t : trees().GCTrees)
        if (t.Size != 0.0 && (!near || t.XYZPosition[2] < near->XYZPosition[2])) near = &t;
    ASSERT_NE(near, nullptr);
    const auto n = near->XYZPosition;
    look({n[0] + 300.0, n[1] + 120.0, n[2] - 800.0}, {n[0], n[1] + 30.0, n[2] + 1500.0});
    const RGBAImage wood = draw();
    const auto standing = trees().GCTrees;
    for (auto& t : trees().GCTrees) t.Size = 0.0;
    c->setRunning(false);  // no planting while the bare frame is drawn
    const RGBAImage bare = draw();
    trees().GCTrees = standing;
    EXPECT_GT(differing(wood, bare), 100);  // a few trees, each a few hundred pixels
}


// A defended balloon line: the kite balloon, and the flak gun and the machine-gun post in their pits.
TEST_F(EffectsPicture, ABalloonLineWithItsGunsIsDrawn) {
    overTheFront();
    auto* balloon = place<BalloonWWI>(armed::createArmedBalloon(), {x, ground + 700.0, z});
    auto* flak = place<GunPit>(armed::createFlakGun(), {x + 150.0, ground, z + 60.0});
    auto* post = place<GunPit>(armed::createMachineGunPost(), {x - 120.0, ground, z + 40.0});
    balloon->setWindSpeed(10, 240);
    for (int i = 0; i < 30; ++i) frame();
    EXPECT_GT(standsOut({balloon}, {160, -20, 0}, {0, -20, 0}), 0);
    // The flak pit from above its parapet: the gun and its sandbags against the empty ground.
    EXPECT_GT(standsOut({flak, post}, {45, 22, 13}, {0, 3, 0}), 0);
}

// A supply column on a road in the afternoon sun: the Allied lorry, the German lorry, the
// ambulance and the two tanks.
TEST_F(EffectsPicture, LorriesAndTanksInTheSunAreDrawn) {
    overTheFront();
    view().setSunVectorFromTime(15.0);
    std::vector<ZephModel*> column;
    const std::pair<int32_t, double> kinds[] = {{14, 0}, {63, 30}, {16, 60}, {75, 95}, {76, 140}};
    for (const auto& [code, along] : kinds) {
        std::unique_ptr<GroundVehicle> v;
        if (code == 75) v = std::make_unique<TankWWI>();
        else if (code == 76) v = std::make_unique<Tank2WWI>();
        else v = std::make_unique<TruckWWI>();
        v->setModelType(code);
        const double px = x + (code == 76 ? 4.0 : 0.0), pz = z + along;
        column.push_back(place<ZephModel>(std::move(v), {px, terrain->getAltitudeAtX(px, pz), pz}));
    }
    frame();
    look({x + 70.0, ground + 25.0, z - 40.0}, {x, ground + 4.0, z + 60.0});
    const RGBAImage withColumn = draw();
    for (ZephModel* v : column) v->live.attitude.Position[1] += 50000;
    EXPECT_GT(differing(withColumn, draw()), 2000);
}

// The bomber in both liveries: the British one flying its way point with the propeller a disc,
// the American one parked with its blades standing; then the British one shot down, falling in
// smoke and standing on its nose over its scar. Each view is drawn with and without the bomber.
TEST_F(EffectsPicture, TheBomberInBothLiveriesFlyingParkedAndWrecked) {
    overTheFront();
    static std::array<aiFlyToPoint, 200> path{};
    path[0].PointXYZ = {x + 30000.0, ground + 600.0, z + 30000.0};
    path[0].NextPoint = -1;
    auto bomber = [&](int32_t livery, const std::array<double, 3>& p, double heading) {
        auto* b = place<AircoDH4>(std::make_unique<AircoDH4>(), p, heading);
        b->setAmerOrBrit(livery);
        b->setObjectGroundAltitude(ground);
        return b;
    };
    AircoDH4* flying = bomber(2, {x, ground + 600.0, z}, 45.0);
    AircoDH4* parked = bomber(1, {x + 200.0, terrain->getAltitudeAtX(x + 200.0, z - 100.0), z - 100.0}, 120.0);
    flying->setPathStart(1, path.data());
    for (int i = 0; i < 240; ++i) frame();
    for (const auto& from : {std::array<double, 3>{45, -1, -45}, {40, 7, 50}, {-30, -50, 10}, {-50, 35, -30}})
        EXPECT_GT(standsOut({flying}, from, {0, 5, 0}), 2000);
    EXPECT_GT(standsOut({parked}, {40, 7, -25}, {0, 5, 0}), 2000);

    flying->ThisModel.TheObject.GlobalDeadTime = c->clock().GlobalMissionTime;
    for (int i = 0; i < 120; ++i) frame();
    EXPECT_GT(standsOut({flying}, {250, 55, -150}, {0, 5, 0}), 100);
    for (int i = 0; i < 700 && flying->own.speed != 0.0; ++i) frame();
    EXPECT_GT(standsOut({flying}, {70, 29, 60}, {0, 5, 0}), 2000);
}

// An airfield and a village with smoking chimneys, each object found by drawing the frame with
// and without it from a camera on it; the swept shadows in the evening sun; then the viaduct on
// the gorge north of Reims, the wooden bridge, the pylon and the crater.
TEST_F(EffectsPicture, AnAirfieldAndAVillageWithSmokingChimneys) {
    overTheFront();
    missions::ObjectFactory factory;
    vehicles::setSunSource([this] { return view().getSunUnitVector(); });  // the shadows under the drawn sun
    auto object = [&](int32_t code, double px, double pz, double heading, double py = -1.0) {
        auto* o = place<BaseObject>(factory.make(code), {px, py < 0 ? terrain->getAltitudeAtX(px, pz) : py, pz}, heading);
        o->setWindSpeed(14.0, 70.0);
        return o;
    };
    BaseObject* big = object(56, x, z, 20.0);
    BaseObject* canvas = object(57, x + 120, z - 90, 20.0);
    BaseObject* hut = object(58, x - 90, z - 60, 110.0);
    BaseObject* hut2 = object(59, x + 190, z - 40, 80.0);
    BaseObject* sock = object(60, x + 60, z + 120, 0.0);
    frame();
    EXPECT_GT(standsOut({big}, {30, 12, -170}, {0, 12, 0}), 3000);  // through its open end
    EXPECT_GT(standsOut({canvas}, {24, 10, 38}, {0, 6, 0}), 3000);
    EXPECT_GT(standsOut({hut}, {-50, 25, 45}, {0, 5, 0}), 3000);
    EXPECT_GT(standsOut({hut2}, {60, 20, -40}, {0, 5, 0}), 3000);
    EXPECT_GT(standsOut({sock}, {30, 22, -20}, {0, 16, 4}), 1000);
    // In the late afternoon the shadows reach out from the buildings.
    view().setSunVectorFromTime(17.0);
    EXPECT_GT(standsOut({big, canvas}, {330, 140, -120}, {40, 0, -40}), 2000);
    view().setSunVectorFromTime(11.0);

    // The village: four houses, all smoking, after their puffs have left the chimneys.
    const double vx = x + 3000, vz = z + 2000;
    std::vector<FrenchHouseWWI*> houses;
    for (int k = 0; k < 4; ++k) {
        auto* house = static_cast<FrenchHouseWWI*>(object(k % 2 ? 72 : 71, vx + 45.0 * k, vz + 25.0 * (k % 2), 15.0 * k));
        house->DrawSmoke = true;
        houses.push_back(house);
    }
    for (int32_t t = 1; t <= 900; ++t)
        for (FrenchHouseWWI* house : houses) house->callEveryTick(true, t, false);
    c->setMissionTime(900);
    for (FrenchHouseWWI* house : houses) EXPECT_GT(standsOut({house}, {-35, 8, 10}, {0, 8, 0}), 3000);
    const double vg = terrain->getAltitudeAtX(vx, vz);
    look({vx + 60, vg + 45, vz - 140}, {vx + 60, vg + 20, vz});
    const RGBAImage village = draw();
    for (FrenchHouseWWI* house : houses) house->DrawSmoke = false;
    EXPECT_GT(differing(village, draw()), 150);  // the smoke over the chimneys

    // The viaduct from the valley floor, the arches against the sky.
    BaseObject* viaduct = object(70, BridgeSpWWI::kWorldPlace[0], BridgeSpWWI::kWorldPlace[2], BridgeSpWWI::kWorldHeading,
                                BridgeSpWWI::kWorldPlace[1]);
    EXPECT_GT(standsOut({viaduct}, {1500, 150, 200}, {0, 300, 0}), 20000);
    BaseObject* bridge = object(69, x - 400, z + 300, 30.0);
    BaseObject* pylon = object(68, x - 300, z + 400, 0.0);
    BaseObject* crater = object(73, x - 350, z + 250, 0.0);
    EXPECT_GT(standsOut({bridge}, {60, 30, -70}, {0, 5, 0}), 3000);
    EXPECT_GT(standsOut({pylon}, {90, 40, -140}, {0, 45, 0}), 3000);
    EXPECT_GT(standsOut({crater}, {40, 70, -60}, {0, 0, 0}), 3000);
    vehicles::setSunSource(nullptr);
}

}  // namespace
}  // namespace pellam
