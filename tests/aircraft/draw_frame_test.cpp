// The aircraft's per-frame drawing step: the sound hand-off, the smoke ring, the paint, the drawn
// pose, falling wings, the hit flash and the moving parts. Then the three shapes: every point and
// polygon the simulation and the hit flash rely on, wheels where the simulation's gear touches
// down, and one shape per class shared by its aircraft while each moves its own points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/AircraftModel.h"
#include "core/DrawHints.h"
#include "platform/Random.h"
#include "render/ObjectDrawing.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

using looks::AircraftModel;
using looks::Mover;

struct HeardSounds : SoundServices {
    void PlayASingleSound(int32_t n, int32_t) override { played.push_back(n); }
    void SetContinousVolume(int32_t n, int32_t v) override { loops[n] = v; }
    std::vector<int32_t> played;
    std::map<int32_t, int32_t> loops;
};

// Hands out a slot per texture name. (Smoke as drawn is the view tests' business.)
struct SlotView : ViewServices, render::ObjectDrawingView {
    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t, int32_t, int32_t, int32_t) override {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        auto [it, added] = slots.emplace(name, int32_t(slots.size()) + 10);
        return it->second;
    }
    void setupDrawingMatrixForModel(const double*) override {}
    void glMakeFacingSquare(const double*, XYZInput*) const override {}
    void glMakeFacingSquareHeadingOnly(const double*, XYZInput*) const override {}
    void glSetCurrentTexture(int32_t, int32_t) override {}
    void glDrawTransparentTexture(const OnePolygon*, const XYZInput*, const PointUV*,
                                  const MaterialLightData*) override {}
    void glNewDrawOneObject(OneCompleteObjectVer2*) override {}
    std::map<std::string, int32_t> slots;
};

// The height of the lowest wheel point among `points`, ft.
float lowestWheel(const AircraftModel& m, const std::vector<GLT2FN3FV3FFormat>& points) {
    float y = 1e9f;
    for (const auto& g : m.groups)
        if (g.mover == Mover::Wheels)
            for (int i = g.first; i < g.first + g.count; ++i) y = std::min(y, points[i].Y);
    return y;
}

// The flight step's smoke hooks, reachable from the tests.
struct Camel : ObjectTestFile {
    using FlyableAircraft::freeAllSmoke;
    using FlyableAircraft::tracersToSmoke;
};

class AircraftDrawFrame : public ::testing::Test {
protected:
    void SetUp() override {
        camel.setaController(&controller);
        camel.setSoundGuy(&sounds);
        camel.initWithGLView(&view);
        controller.missionTime = 1000;
    }
    testing::TestController controller;
    HeardSounds sounds;
    SlotView view;
    Camel camel;
};

// A requested sound plays once; the engine's loop follows the camera in and out of the cockpit.
TEST_F(AircraftDrawFrame, SoundsPlayOnceAndTheEngineFollowsTheCamera) {
    camel.ThisAircraft.PlayThisSound = 13;
    camel.updateMovingThings(1, false, 15.0, 0.0);
    camel.updateMovingThings(1, false, 15.0, 0.0);
    EXPECT_EQ(sounds.played, (std::vector<int32_t>{13}));
    EXPECT_EQ(camel.ThisAircraft.PlayThisSound, -1);
    // Without a sound object the request is still taken, so it cannot sound late.
    camel.setSoundGuy(nullptr);
    camel.ThisAircraft.PlayThisSound = 7;
    camel.updateMovingThings(1, false, 15.0, 0.0);
    EXPECT_EQ(camel.ThisAircraft.PlayThisSound, -1);
    camel.setSoundGuy(&sounds);

    Aircraft& a = camel.ThisAircraft;
    a.CurrentRPM = 1100;
    a.MaxRPM = 1250;
    a.CurrentEngineSetting = 1.0;
    const auto& model = *camel.Drawing.model;
    camel.updateMovingThings(1, true, 5.0, 0.0);
    EXPECT_GT(sounds.loops[model.engineInside], 0);
    camel.updateMovingThings(1, true, 15.0, 0.0);
    EXPECT_EQ(sounds.loops[model.engineInside], 0);
    EXPECT_GT(sounds.loops[model.engineOutside], 0);
    camel.updateMovingThings(1, false, 15.0, 0.0);
    EXPECT_EQ(sounds.loops[model.engineOutside], 0);
}

TEST_F(AircraftDrawFrame, SmokeRingReusesItsOldestSlotsAndAHitEngineTrailsByTheTick) {
    camel.freeAllSmoke();
    camel.live.globalTime = 500;
    // Every bullet struck the ground this tick: a puff each, round the ring and on.
    for (ProjectileType& b : camel.ThisAircraft.GunBullets.TheBullets) {
        b.GraphicsType = 2;
        b.TimeAlive = b.TimeHitGround = 10;
    }
    for (int i = 0; i < 11; ++i) camel.tracersToSmoke(false);
    const int32_t spot = camel.own.nextSmokeSpot;
    EXPECT_EQ(spot, (11 * BulletsList::kSlots) % int(camel.own.smokes.size()));
    for (const OneSmokePiece& p : camel.own.smokes) EXPECT_EQ(p.Kind, OneSmokePiece::kGroundStrike);

    // A bullet one tick past its strike makes nothing more; a tracer only on a frame's last tick.
    for (ProjectileType& b : camel.ThisAircraft.GunBullets.TheBullets) b.TimeAlive = 11;
    ProjectileType& t = camel.ThisAircraft.GunBullets.TheBullets[0];
    t.GraphicsType = 1;
    t.TimeAlive = 5;
    camel.tracersToSmoke(false);
    EXPECT_EQ(camel.own.nextSmokeSpot, spot);
    camel.tracersToSmoke(true);
    EXPECT_EQ(camel.own.nextSmokeSpot, spot + 1);

    // A slot number out of the ring (a damaged record) starts the ring again.
    camel.own.nextSmokeSpot = 5000;
    camel.tracersToSmoke(true);
    EXPECT_EQ(camel.own.nextSmokeSpot, 1);

    // Freed once old.
    controller.missionTime = 2000;
    camel.drawMySmokeItems();
    for (const OneSmokePiece& p : camel.own.smokes) EXPECT_EQ(p.TimeStarted, -1000);

    // A hit engine's trail grows by the tick, however many sub-steps a tick has.
    camel.freeAllSmoke();
    camel.ThisAircraft.Damage1 |= dmg::EngineDamaged;
    for (int t = 1; t <= 40; ++t) {
        camel.live.globalTime = t;
        camel.aircraftSmoke();
        camel.aircraftSmoke();
    }
    EXPECT_EQ(camel.own.nextSmokeSpot, 10);
}

TEST_F(AircraftDrawFrame, PaintFollowsTheTeamUnlessAPaintJobIsGiven) {
    const int32_t other = view.slots.at("CamelFabricB.png");
    auto paint = [&] { return camel.getDrawingData(0)->ThePointsPolysData[0].MapListOffset[looks::kMapPaint]; };
    auto colour = [&] { return camel.getDrawingData(0)->ThePointsPolysData[0].MapListOffset[looks::kMapTeam]; };
    camel.setTeamNumber(2);
    const int32_t blue = colour();
    EXPECT_EQ(paint(), other);
    camel.setTeamNumber(9);  // no such team: drawn as team 2
    EXPECT_EQ(colour(), blue);
    camel.setTeamNumber(2);
    camel.setCustomPaintJobNumberBig(201, 202);
    camel.updateMovingThings(0, true, 15.0, 0.0);
    EXPECT_EQ(paint(), 201);
    camel.updateMovingThings(0, false, 15.0, 0.0);
    EXPECT_EQ(paint(), 202);
    // Numbers that name no texture slot keep the team's paint.
    camel.setCustomPaintJobNumberBig(0, 300);
    camel.updateMovingThings(0, false, 15.0, 0.0);
    EXPECT_EQ(paint(), other);
    // A wreck that blew up is burnt, and a reset brings its paint back.
    camel.ThisAircraft.Damage1 |= dmg::BlownUp;
    EXPECT_EQ(paint(), view.slots.at("AircraftCharred.png"));
    EXPECT_EQ(colour(), view.slots.at("AircraftCharred.png"));
    camel.ThisAircraft.Damage1 = 0;
    EXPECT_EQ(paint(), other);
}

TEST_F(AircraftDrawFrame, DrawnPoseRefusesABadCorrectionAndLostWingsFlyAlone) {
    Aircraft& a = camel.ThisAircraft;
    camel.live.attitude.Position = {100, 2000, -50};
    camel.live.attitude.QAttitude = {1, 0, 0, 0};
    a.SliderX = 3;
    a.SliderY = -2;
    a.SliderZ = 1;
    a.SliderQW = 1;
    a.SliderQX = a.SliderQY = a.SliderQZ = 0;
    a.SlerpValue = 0.5;
    OneCompleteObjectVer2* o = camel.getDrawingData(0);
    EXPECT_DOUBLE_EQ(o->ObjectMatrix[13], 1998);
    // A slider attitude of zeros or NaN (a bad packet) is not used.
    a.SliderQW = a.SliderQX = a.SliderQY = a.SliderQZ = 0;
    camel.getDrawingData(0);
    EXPECT_DOUBLE_EQ(camel.own.slerping.QAttitude[0], 1);
    a.SliderQW = std::nan("");
    camel.getDrawingData(0);
    EXPECT_DOUBLE_EQ(camel.own.slerping.QAttitude[0], 1);
    a.SlerpValue = 0;
    a.SliderY = std::nan("");  // nor a position correction that is not a number
    EXPECT_DOUBLE_EQ(camel.getDrawingData(0)->ObjectMatrix[13], 2000);
    a.SliderY = -2;

    // The left wing set, once gone, is drawn where its own pose has taken it.
    camel.own.parts[0].Position = {90, 1500, -40};
    a.Damage1 |= dmg::LeftWingGone;
    o = camel.getDrawingData(0);
    EXPECT_DOUBLE_EQ(o->OptionalObjectMatrix[0][13], 1500);
    EXPECT_DOUBLE_EQ(o->OptionalObjectMatrix[2][13], 1998);
    EXPECT_DOUBLE_EQ(o->OptionalObjectMatrix[4][13], 1998);

    // A free slot far below the world is not drawn.
    camel.live.attitude.Position[1] = -10000;
    EXPECT_TRUE(camel.getDrawingData(0)->TheObject.ObjectFlags & 0x1);
}

TEST_F(AircraftDrawFrame, HitFlashShowsForOneFrameAtTheHit) {
    Aircraft& a = camel.ThisAircraft;
    auto& flash = camel.Drawing.TemplatePolyListCopy[0];
    platform::seedRandom(7);
    bool shown = false;
    for (int i = 0; i < 50 && !shown; ++i) {
        a.HitX = 2;
        a.HitY = 1;
        a.HitZ = -6;
        camel.Drawing.HitFlashFlag = 0;
        camel.displayAHit();
        EXPECT_EQ(a.HitY, -15000);
        shown = !(flash.DrawHints & kSkip);
    }
    ASSERT_TRUE(shown);
    // The next frames hide it.
    a.HitY = 1;
    camel.displayAHit();
    EXPECT_TRUE(flash.DrawHints & kSkip);
    EXPECT_EQ(camel.Drawing.HitFlashFlag, 1);
}

// The propeller turns with the engine, the wheels only on the ground, a broken gear folds the
// wheels up and a wounded pilot's head sags while we ride with him, once a tick of the step.
TEST_F(AircraftDrawFrame, MovingPartsFollowTheRecord) {
    Aircraft& a = camel.ThisAircraft;
    a.CurrentRPM = 600;
    a.OnGround = 0;
    const double wheels = camel.Drawing.wheelAngle;
    camel.Drawing.propAngle = 0;
    camel.updateMovingThings(1, false, 15.0, 0.0);
    const double turned = camel.Drawing.propAngle;
    EXPECT_GT(turned, 0.0);
    EXPECT_DOUBLE_EQ(camel.Drawing.wheelAngle, wheels);
    camel.updateMovingThings(0, false, 15.0, 0.0);  // paused: nothing turns
    a.Damage1 |= dmg::PropBroken;
    camel.updateMovingThings(1, false, 15.0, 0.0);
    EXPECT_DOUBLE_EQ(camel.Drawing.propAngle, turned);
    a.OnGround = 1;
    a.CurrentVelocity = 1.0;
    camel.updateMovingThings(1, false, 15.0, 0.0);
    EXPECT_NE(camel.Drawing.wheelAngle, wheels);

    camel.animateParts();
    const float down = lowestWheel(*camel.Drawing.model, camel.Drawing.TemplatePointsListCopy);
    a.Damage1 |= dmg::UndercarriageDamage;
    camel.animateParts();
    EXPECT_GT(lowestWheel(*camel.Drawing.model, camel.Drawing.TemplatePointsListCopy), down + 1.5f);

    a.Damage1 |= dmg::PilotHit;
    a.PilotHeadToHeading = 0.5;
    camel.updateMovingThings(1, true, 5.0, 0.0);
    camel.sagWoundedHead();
    EXPECT_NEAR(a.PilotHeadToHeading, 0.49, 1e-12);
}

// ---- The shapes.

TEST(AircraftDrawModel, ShapesHoldWhatTheSimulationAndTheRendererRelyOn) {
    ObjectTestFile camel;
    FokkerDr1 dr1;
    FokkerDVII dvii;
    const std::pair<const AircraftModel*, FlyableAircraft*> types[] = {
        {&looks::camelModel(), &camel}, {&looks::fokkerDr1Model(), &dr1}, {&looks::fokkerDVIIModel(), &dvii}};
    for (const auto& [model, plane] : types) {
        const AircraftModel& m = *model;
        SCOPED_TRACE(m.name);
        ASSERT_GE(m.points.size(), 2889u);
        const int count = int(m.points.size()) - 1;
        EXPECT_LT(m.points.back().U, 0.0f);
        for (int i = 0; i < count; ++i) ASSERT_GE(m.points[i].U, 0.0f) << "point " << i << " would end the list";

        // Polygon 0 is the hit flash over points 2884..2887; the quad the record names, vertex 729
        // and polygon 43, is a flash quad too. Both hidden until a hit shows one.
        ASSERT_GT(m.polygons.size(), 44u);
        for (const auto& [polygon, first] : {std::pair{0, 2884}, {43, 729}}) {
            const OnePolygonVer2& flash = m.polygons[polygon];
            EXPECT_TRUE(flash.DrawHints & kSkip) << polygon;
            ASSERT_EQ(m.runs[flash.FirstItem], 4) << polygon;
            for (int k = 0; k < 4; ++k) EXPECT_EQ(m.runs[flash.FirstItem + 1 + k], first + k) << polygon;
        }

        // Every run names points that exist; markers name moving parts 1, 3 and 5 in order.
        std::vector<int> markers;
        for (const OnePolygonVer2& p : m.polygons) {
            if (p.MapNumber < 0) break;
            if (p.FirstItem < 0) {
                markers.push_back(-p.FirstItem);
                continue;
            }
            ASSERT_LT(size_t(p.FirstItem), m.runs.size());
            const int n = m.runs[p.FirstItem];
            ASSERT_LE(size_t(p.FirstItem + n + 1), m.runs.size());
            for (int k = 1; k <= n; ++k) ASSERT_LT(m.runs[p.FirstItem + k], count);
            EXPECT_LT(p.MapNumber, looks::kMapCount);
            EXPECT_LT(p.MaterialLightDataOffset, kMaxMaterials);
        }
        EXPECT_EQ(markers, (std::vector<int>{1, 3, 5}));
        EXPECT_EQ(m.polygons.back().MapNumber, -1);

        std::set<Mover> movers;
        for (const auto& g : m.groups) {
            EXPECT_GT(g.count, 0);
            EXPECT_LE(g.first + g.count, count);
            movers.insert(g.mover);
        }
        for (Mover mv : {Mover::Elevator, Mover::Rudder, Mover::AileronLeft, Mover::AileronRight, Mover::Propeller,
                         Mover::Wheels, Mover::Gear, Mover::StickPitch, Mover::StickRoll, Mover::RudderBar, Mover::Head,
                         Mover::NeedleSpeed, Mover::NeedleAltitude, Mover::NeedleRevs})
            EXPECT_TRUE(movers.count(mv)) << int(mv);

        // The wheels' lowest points are the gear contact points the ground contact uses.
        plane->afterLightTexture3dPointChangesFor(nullptr);
        EXPECT_NEAR(lowestWheel(m, m.points), plane->ThisAircraft.LeftGearBottom[1], 0.45);
    }
}

TEST(AircraftDrawModel, ClassesShareOneShapeAndKeepTheirOwnPoints) {
    ObjectTestFile a, b;
    FokkerDr1 c;
    a.initWithGLView(nullptr);
    b.initWithGLView(nullptr);
    c.initWithGLView(nullptr);
    EXPECT_EQ(a.Drawing.model, &looks::camelModel());
    EXPECT_EQ(a.Drawing.model, b.Drawing.model);
    EXPECT_EQ(c.Drawing.model, &looks::fokkerDr1Model());
    EXPECT_NE(a.Drawing.pointsPolys.ThePoints, b.Drawing.pointsPolys.ThePoints);
    EXPECT_NE(a.Drawing.pointsPolys.ThePoints, a.Drawing.model->points.data());
    EXPECT_EQ(a.Drawing.pointsPolys.RunItems, b.Drawing.pointsPolys.RunItems);  // never changed, so shared

    // Up elevator on one aircraft moves its own points and nothing of the other's.
    const auto rest = b.Drawing.TemplatePointsListCopy;
    a.ThisAircraft.PElevator = 1.0;
    a.animateParts();
    int moved = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        moved += a.Drawing.TemplatePointsListCopy[i].Y != rest[i].Y;
        ASSERT_EQ(b.Drawing.TemplatePointsListCopy[i].Y, rest[i].Y) << i;
    }
    EXPECT_GT(moved, 0);
}

// The points kept from tick to tick draw what a fresh copy of the shape each tick draws: every
// point, for each type, through flying, blades blurred and standing, the head hidden from the seat
// and shown again, bailing out, damage and a restart.
template <class Plane>
void keptPointsMatchAFreshCopy() {
    Plane kept, fresh;
    kept.initWithGLView(nullptr);
    fresh.initWithGLView(nullptr);
    const AircraftModel& m = *kept.Drawing.model;
    SCOPED_TRACE(m.name);
    struct State {
        const char* name;
        double rpm, controls;
        uint32_t damage;
        bool seat;
        int bailed;
        bool restart;
    };
    const State states[] = {
        {"flying, blades blurred", 1100, 0.6, 0, false, 0, false},
        {"from the seat", 1100, -0.4, 0, true, 0, false},
        {"blades standing, seen from the seat", 200, 0.3, 0, true, 0, false},
        {"from the seat again", 1100, 0.2, 0, true, 0, false},
        {"from outside", 1100, -0.8, 0, false, 0, false},
        {"damaged", 900, 0.5,
         dmg::RudderHit | dmg::LeftAileronHit | dmg::RightAileronHit | dmg::GearBroken | dmg::PropBroken, false, 0,
         false},
        {"bailed out", 0, 0.0, dmg::EngineStopped | dmg::GearBroken, false, 1, false},
        {"restarted", 1000, 0.1, 0, false, 0, true},
        {"at rest", 0, 0.0, 0, false, 0, false},
    };
    for (const State& s : states) {
        SCOPED_TRACE(s.name);
        for (FlyableAircraft* p : {static_cast<FlyableAircraft*>(&kept), static_cast<FlyableAircraft*>(&fresh)}) {
            if (s.restart) p->resetModel();
            Aircraft& a = p->ThisAircraft;
            a.CurrentRPM = s.rpm;
            a.PElevator = s.controls;
            a.PRudder = -s.controls;
            a.PAilerons = s.controls / 2;
            a.PilotHeadPitch = 20 * s.controls;
            a.PilotHeadHeading = -40 * s.controls;
            a.Damage1 = s.damage;
            a.GuyBailedOut = s.bailed;
            a.OnGround = s.restart;
            a.CurrentVelocity = 30;
            p->Drawing.CameraOnMe = s.seat;
            p->Drawing.cameraDistance = s.seat ? 5.0 : 15.0;
        }
        for (int tick = 0; tick < 3; ++tick) {
            for (FlyableAircraft* p : {static_cast<FlyableAircraft*>(&kept), static_cast<FlyableAircraft*>(&fresh)}) {
                p->Drawing.propAngle = std::fmod(p->Drawing.propAngle + 37.0, 360.0);
                p->Drawing.wheelAngle = std::fmod(p->Drawing.wheelAngle + 11.0, 360.0);
            }
            // The reference: every point from the shape, but the hit flash's, and every group worked.
            fresh.ShownGroupPoses.clear();
            auto& reference = fresh.Drawing.TemplatePointsListCopy;
            const size_t flash = looks::Modeller::kHitFlashPoint;
            for (size_t i = 0; i < reference.size(); ++i)
                if (i < flash || i >= flash + 4) reference[i] = m.points[i];
            kept.animateParts();
            fresh.animateParts();
            const auto& got = kept.Drawing.TemplatePointsListCopy;
            ASSERT_EQ(got.size(), reference.size());
            for (size_t i = 0; i < got.size(); ++i)
                ASSERT_EQ(0, std::memcmp(&got[i], &reference[i], sizeof got[i])) << "point " << i << " tick " << tick;
        }
    }
}

TEST(AircraftDrawModel, KeptPointsDrawWhatAFreshCopyDraws) {
    keptPointsMatchAFreshCopy<ObjectTestFile>();
    keptPointsMatchAFreshCopy<FokkerDr1>();
    keptPointsMatchAFreshCopy<FokkerDVII>();
}

}  // namespace
}  // namespace pellam
