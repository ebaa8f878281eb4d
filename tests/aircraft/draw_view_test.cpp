// The three aircraft drawn by the game's own view under Xvfb, with the pictures the build paints:
// each finds its textures, fills the picture it should, moves its controls where its surfaces are,
// drops a lost wing set, can be sat in, and trails smoke and tracers. A Camel firing its guns for
// real: every tracer in flight shows at the point where its bullet is, from the seat and from
// outside; and from the seat a fast propeller is its blurred disc, not blades across the view.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/AircraftModel.h"
#include "core/DrawHints.h"
#include "platform/PngImage.h"
#include "render/MyZephGLView.h"
#include "tests/PictureRule.h"
#include "tests/flight/TestWorld.h"
#include "world/TexturedSkyDome.h"
#include "tests/render/ViewFixture.h"

namespace pellam {
namespace {

using V = std::array<double, 3>;

// The view's main pass, where the tracers are drawn: half height over the near plane, at the
// view's first telephoto factor of 1.25.
constexpr double kTanHalfHeight = 4.275 / (8.25 * 1.25);

// An eye at `eye` looking at `target`: the attitude of a nose pointed that way, and the camera the
// view takes (its inverse).
struct Camera {
    V eye;
    QNion pointer;
    QNion view;
    Camera(V e, V target) : eye(e) {
        const double dx = target[0] - eye[0], dy = target[1] - eye[1], dz = target[2] - eye[2];
        ZephModel p;
        p.setHeading(std::atan2(dx, dz) * 57.29577951);
        p.rotatePitchByDegrees(std::atan2(-dy, std::hypot(dx, dz)) * 57.29577951);
        pointer = view = p.live.attitude;
        view.Position = eye;
        for (int i = 1; i < 4; ++i) view.QAttitude[i] = -view.QAttitude[i];
    }
    // Where a world point lands in a width x height picture, rows from the top.
    std::array<double, 2> project(const V& at, int width, int height) const {
        double m[16] = {};
        ZephModel::quaternionToMatrix(pointer.QAttitude.data(), m);
        const double d[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
        double b[3];
        ZephModel::InverseRotateVector(d, b, m);
        const double perUnit = height / 2.0 / kTanHalfHeight;
        return {width / 2.0 + b[0] / b[2] * perUnit, height / 2.0 - b[1] / b[2] * perUnit};
    }
};

struct GunCamel : ObjectTestFile {
    // The pilot's eye in the world, ft.
    V eye() const {
        double m[16] = {};
        quaternionToMatrix(live.attitude.QAttitude.data(), m);
        double w[3];
        RotateVector(PilotAttitude.Position.data(), w, m);
        return {live.attitude.Position[0] + w[0], live.attitude.Position[1] + w[1], live.attitude.Position[2] + w[2]};
    }
};

// The view over an empty model array of the game's size, the sky's colour behind, the sun at 11.
class AircraftView : public rendertest::ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        if (!view_) return;
        for (long i = 0; i < 22; ++i) controller.models.append(nullptr);
        view_->setModelArray(&controller.models);
        view_->setFrameServices(&services);
        view_->setCameraInsideItem(-1);
        view_->setDrawSecondWindow(false);
        view_->setEraseColorRed(0.62, 0.72, 0.82);
        view_->setSunVectorFromTime(11.0);
    }
    void TearDown() override {
        if (view_) view_->setModelArray(nullptr);
    }

    platform::RGBAImage frame(const Camera& camera) {
        view_->setGlobalCameraPosition(&camera.view);
        return rendertest::drawnFrame(*view_);
    }

    // How far pixel i of `im` is from the colour at `c`, summed over red, green and blue.
    static int away(const platform::RGBAImage& im, size_t i, const uint8_t* c) {
        return std::abs(im.pixels[i] - c[0]) + std::abs(im.pixels[i + 1] - c[1]) + std::abs(im.pixels[i + 2] - c[2]);
    }
    // Whether a pixel differs from the empty background, which the corner shows.
    static bool notSky(const platform::RGBAImage& im, size_t i) { return away(im, i, im.pixels.data()) > 30; }
    // Share of the picture that is not sky.
    static double covered(const platform::RGBAImage& im) {
        int n = 0;
        for (size_t i = 0; i < im.pixels.size(); i += 4) n += notSky(im, i);
        return double(n) / (double(im.width) * im.height);
    }
    static bool differs(const platform::RGBAImage& a, const platform::RGBAImage& b, int x, int y, int by = 40) {
        if (x < 0 || y < 0 || x >= a.width || y >= a.height || x >= b.width || y >= b.height) return false;
        const size_t i = (size_t(y) * a.width + x) * 4;
        return away(a, i, &b.pixels[i]) > by;
    }
    // Pixels that changed by more than `by` between two pictures, and how many of them lie in the
    // left or right 40 % or the bottom third.
    struct Diff {
        int count = 0, left = 0, bottom = 0, right = 0;
    };
    static Diff diff(const platform::RGBAImage& a, const platform::RGBAImage& b, int by = 24) {
        Diff d;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                if (!differs(a, b, x, y, by)) continue;
                ++d.count;
                if (x < a.width * 2 / 5) ++d.left;
                if (x > a.width * 3 / 5) ++d.right;
                if (y > a.height * 2 / 3) ++d.bottom;
            }
        return d;
    }

    // The view's own drawing against its reference by the plain rules, from `camera`: at most 1 %
    // of the pixels more than 16 levels apart in a colour, none of those in the middle third of
    // the picture, where the pilot aims, and no structure of the picture lost.
    void expectLooksTheSame(const Camera& camera, const std::string& name) {
        view_->setExactDrawing(true);
        const auto reference = frame(camera);
        view_->setExactDrawing(false);
        const auto drawn = frame(camera);
        ASSERT_EQ(reference.pixels.size(), drawn.pixels.size());
        const testing::PixelsApart apart = testing::pixelsApart(drawn, reference);
        EXPECT_LE(apart.count, drawn.width * drawn.height / 100) << name;
        EXPECT_EQ(apart.middle, 0) << name;
        EXPECT_EQ(testing::structureLost(reference, drawn), "") << name;
        // Its triangles of one colour at every point filled flat: a colour moves by the one level at
        // most that interpolating it with perspective rounds it by.
        view_->setFlatShading(false);
        const auto smooth = frame(camera);
        view_->setFlatShading(true);
        ASSERT_EQ(smooth.pixels.size(), drawn.pixels.size());
        EXPECT_LE(testing::farthestApart(smooth, drawn), 1) << name;
    }

    testing::TestController controller;
    render::NoFrameServices services;
};

class AircraftInTheView : public AircraftView {
protected:
    // At the origin, level, nose north, controls central.
    template <typename Plane>
    Plane* place(int32_t team) {
        auto* plane = static_cast<Plane*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<Plane>()));
        plane->setaController(&controller);
        plane->initWithGLView(view_.get());
        plane->setTeamNumber(team);
        plane->ThisAircraft.Damage1 = 0;
        plane->live.attitude.Position = {0, 0, 0};
        plane->live.attitude.QAttitude = {1, 0, 0, 0};
        plane->animateParts();
        return plane;
    }

    template <typename Plane>
    void check(const std::string& name, int32_t team) {
        Plane* plane = place<Plane>(team);
        // Every picture the model names was found on disk; none stands in for a missing one.
        const ObjectPointsPolysVer2& pp = *plane->getModelPointsPolysPtr();
        for (int k = 0; k < looks::kMapCount; ++k) EXPECT_NE(pp.MapListOffset[k], view_->missingTextureSlot()) << k;
        EXPECT_NE(plane->Drawing.smokeSlot, view_->missingTextureSlot());
        EXPECT_NE(plane->Drawing.charredSlot, view_->missingTextureSlot());

        const Camera side({-34, 1, -4}, {0, 0, -4});   // from the left: nose to the left
        const Camera above({0, 40, -4}, {0, 0, -3.99});  // nose at the top
        const Camera front({0, 2, 34}, {0, 0, 0});
        const auto sideNeutral = frame(side);
        const auto aboveNeutral = frame(above);
        EXPECT_GT(covered(frame(front)), 0.03) << name;
        EXPECT_GT(covered(sideNeutral), 0.03) << name;
        EXPECT_GT(covered(aboveNeutral), 0.08) << name;
        // Drawn cheaply from outside, it looks as it does by the plain rules.
        expectLooksTheSame(side, name + " from the side");
        expectLooksTheSame(above, name + " from above");
        expectLooksTheSame(front, name + " from the front");

        // Up elevator: the tail changes (right in the side view); the stick moves with it.
        plane->ThisAircraft.PElevator = 1.0;
        plane->animateParts();
        const Diff elevator = diff(sideNeutral, frame(side));
        EXPECT_GT(elevator.right, 60) << name;
        EXPECT_GT(elevator.right, elevator.count * 7 / 10) << name;
        plane->ThisAircraft.PElevator = 0.0;

        // Rudder over: seen from above, only the tail, at the bottom of the picture, changes.
        plane->ThisAircraft.PRudder = 1.0;
        plane->animateParts();
        const Diff rudder = diff(aboveNeutral, frame(above));
        EXPECT_GT(rudder.bottom, 20) << name;
        EXPECT_GT(rudder.bottom, rudder.count * 7 / 10) << name;
        plane->ThisAircraft.PRudder = 0.0;

        // Ailerons: changes out toward both wing tips.
        plane->ThisAircraft.PAilerons = 1.0;
        plane->animateParts();
        const Diff ailerons = diff(aboveNeutral, frame(above));
        EXPECT_GT(ailerons.left, 40) << name;
        EXPECT_GT(ailerons.right, 40) << name;
        plane->ThisAircraft.PAilerons = 0.0;
        plane->animateParts();

        // The left wing set torn off and fallen 60 ft: from above, the left side empties.
        plane->own.parts[0] = plane->live.attitude;
        plane->own.parts[0].Position[1] -= 60.0;
        plane->ThisAircraft.Damage1 |= dmg::LeftWingGone;
        const Diff lost = diff(aboveNeutral, frame(above));
        plane->ThisAircraft.Damage1 &= ~dmg::LeftWingGone;
        EXPECT_GT(lost.left, 2000) << name;
        EXPECT_LT(lost.right, lost.left / 10) << name;

        // In the cockpit, drawn in the view's own pass, our head out of the way.
        plane->updateMovingThings(1, true, 5.0, 0.0);
        const auto& eye = plane->PilotAttitude.Position;
        view_->setCameraInsideItem(ModelArray::kFirstAircraft);
        EXPECT_GT(covered(frame(Camera(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}))), 0.25) << name;
        // The cockpit drawn cheaply looks as it does by the plain rules: over the nose, and up at
        // the upper wing seen edge on, where its pictures are least magnified.
        expectLooksTheSame(Camera(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}), name + " over the nose");
        expectLooksTheSame(Camera(eye, {eye[0] + 2, eye[1] + 1.2, eye[2] + 10}), name + " at the upper wing");
        // In the mission's light haze and in a fog thick enough to tint the cockpit itself.
        for (const float density : {1.5e-5f, 0.05f}) {
            view_->glSetFogParameters(1, 0, 1, GL_EXP2, density);
            expectLooksTheSame(Camera(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}), name + " in fog " + std::to_string(density));
        }
        // Under a sky with no ground, drawn over all without the depth test.
        auto* sky = static_cast<TexturedSkyDome*>(controller.models.put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
        sky->initWithGLView(view_.get());
        sky->setTimeOfDay(11.0);
        view_->glSetFogParameters(1, 0, 1, GL_EXP2, 1.5e-5f);
        expectLooksTheSame(Camera(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}), name + " under the sky");
        controller.models.put(ModelArray::kSkyDome, nullptr);
        view_->glSetFogParameters(1, 1, 1, GL_LINEAR, 0.00005f);
        view_->setCameraInsideItem(-1);
    }

    // From the seat, over the nose and up at the upper wing, the cockpit drawn alone in its own
    // order after a depth clear: the fragments shaded (those that passed the depth test when they
    // were drawn) against the pixels it covers. A part drawn before the nearer parts that hide it
    // is shaded for nothing.
    template <typename Plane>
    void shadedAboutOnceFromTheSeat(const std::string& name) {
        Plane* plane = place<Plane>(1);
        plane->updateMovingThings(1, true, 5.0, 0.0);
        const auto& eye = plane->PilotAttitude.Position;
        view_->setCameraInsideItem(ModelArray::kFirstAircraft);
        view_->setMarksOpaqueCover(false);
        view_->setEraseColorRed(1, 0, 1);  // a colour no part of the cockpit has
        for (const Camera& camera : {Camera(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}),
                                     Camera(eye, {eye[0] + 2, eye[1] + 1.2, eye[2] + 10})}) {
            GLuint query = 0;
            glGenQueries(1, &query);
            glBeginQuery(GL_SAMPLES_PASSED, query);
            const auto image = frame(camera);
            glEndQuery(GL_SAMPLES_PASSED);
            GLuint shaded = 0;
            glGetQueryObjectuiv(query, GL_QUERY_RESULT, &shaded);
            glDeleteQueries(1, &query);
            long covered = 0;
            for (size_t i = 0; i < image.pixels.size(); i += 4)
                covered += !(image.pixels[i] == 255 && image.pixels[i + 1] == 0 && image.pixels[i + 2] == 255);
            EXPECT_GT(covered, image.width * image.height / 5) << name;
            EXPECT_LE(shaded, covered * 1065 / 1000) << name;
        }
        view_->setMarksOpaqueCover(true);
        view_->setCameraInsideItem(-1);
    }
};

TEST_F(AircraftInTheView, Camel) { check<ObjectTestFile>("camel", 1); }
TEST_F(AircraftInTheView, FokkerDr1) { check<FokkerDr1>("dr1", 1); }
TEST_F(AircraftInTheView, FokkerDVII) { check<FokkerDVII>("dvii", 2); }
TEST_F(AircraftInTheView, FromTheSeatEachPixelIsShadedAboutOnce) {
    shadedAboutOnceFromTheSeat<ObjectTestFile>("camel");
    shadedAboutOnceFromTheSeat<FokkerDr1>("dr1");
    shadedAboutOnceFromTheSeat<FokkerDVII>("dvii");
}

// From the D.VII's seat, far behind its long nose, the turning propeller's disc is seen whole: a
// shimmer over the sky, never a grey plate across the view.
TEST_F(AircraftInTheView, FromTheDVIIsSeatTheDiscIsAShimmer) {
    FokkerDVII* plane = place<FokkerDVII>(2);
    plane->ThisAircraft.CurrentRPM = 1000.0;
    plane->updateMovingThings(1, true, 5.0, 0.0);
    const auto& eye = plane->PilotAttitude.Position;
    view_->setCameraInsideItem(ModelArray::kFirstAircraft);
    const Camera ahead(eye, {eye[0], eye[1] - 0.9, eye[2] + 10});
    const long levelZero = view_->queueRunsAtLevelZero();
    const auto disc = frame(ahead);
    // Its runs read their picture's level 0 alone where magnified: read through its own filter, the
    // same pixels.
    EXPECT_GT(view_->queueRunsAtLevelZero(), levelZero);
    view_->setQueueLevelZero(false);
    EXPECT_TRUE(frame(ahead).pixels == disc.pixels);
    view_->setQueueLevelZero(true);
    const looks::AircraftModel& m = *plane->Drawing.model;
    for (int i = m.propDiscFirst; i < m.propDiscFirst + m.propDiscCount; ++i)
        plane->Drawing.TemplatePolyListCopy[i].DrawHints |= kSkip;
    const auto bare = frame(ahead);
    // Over the white behind it, the outside's disc would darken it by 100 levels.
    EXPECT_GT(diff(disc, bare, 12).count, disc.width * disc.height / 10);
    EXPECT_EQ(diff(disc, bare, 40).count, 0);
    view_->setCameraInsideItem(-1);
}

// Each aircraft near, in the middle distance and far off, from the side, above, below, ahead and
// behind: drawn cheaply it looks as the plain rules draw it, and it never vanishes.
TEST_F(AircraftInTheView, NearMiddleAndFarItLooksAsThePlainRulesDrawIt) {
    const auto each = [&](const std::string& name) {
        for (const double range : {60.0, 400.0, 1500.0})
            for (const V way : {V{-1, 0.05, 0}, V{0.1, 1, 0.1}, V{0.2, -1, 0.3}, V{0.1, 0.1, 1}, V{-0.3, 0.2, -1}}) {
                const double length = std::sqrt(way[0] * way[0] + way[1] * way[1] + way[2] * way[2]);
                const Camera camera({way[0] / length * range, way[1] / length * range, way[2] / length * range}, {0, 0, 0});
                const std::string where = name + " at " + std::to_string(int(range)) + " ft, " + std::to_string(way[1]);
                expectLooksTheSame(camera, where);
                EXPECT_GT(covered(frame(camera)), 0) << where;
            }
    };
    place<ObjectTestFile>(1);
    each("camel");
    place<FokkerDr1>(1);
    each("dr1");
    place<FokkerDVII>(2);
    each("dvii");
}

// Wherever any of an aircraft is in view, it is drawn: the view turned away from it step by step
// until only a wing tip, then nothing, is left at the edge; and a wing set that has come off and
// fallen into view while the rest is out of it.
TEST_F(AircraftInTheView, DrawnWhereverAnyOfItIsInView) {
    ObjectTestFile* plane = place<ObjectTestFile>(1);
    int edgeOnly = 0;
    for (double aside = 30.0; aside <= 60.0; aside += 1.0) {
        const Camera camera({0, 2, -60}, {aside, 2, 0});  // the nose 60 ft ahead, the view turned right
        view_->setExactDrawing(true);
        const double reference = covered(frame(camera));
        view_->setExactDrawing(false);
        EXPECT_EQ(covered(frame(camera)), reference) << aside << " ft aside";
        edgeOnly += reference > 0 && reference < 0.002;
    }
    EXPECT_GT(edgeOnly, 0);  // one of the turns left only a sliver in view

    plane->own.parts[0] = plane->live.attitude;
    plane->own.parts[0].Position[1] -= 60.0;
    plane->ThisAircraft.Damage1 |= dmg::LeftWingGone;
    const Camera down({0, -45, -40}, {-6, -60, 0});  // below the aircraft, looking down at the wing set
    view_->setExactDrawing(true);
    const double reference = covered(frame(down));
    view_->setExactDrawing(false);
    EXPECT_GT(reference, 0.01);
    EXPECT_EQ(covered(frame(down)), reference);
}

// A Camel with a hit engine flying along: its smoke trail lies behind it (its tracers are the
// firing Camel's below); laid apart as a flying aircraft lays them, even this slowly, its puffs
// keep their own strength: the trail is the picture of its puffs each drawn alone.
TEST_F(AircraftInTheView, SmokeTrail) {
    ObjectTestFile* plane = place<ObjectTestFile>(3);
    plane->ThisAircraft.Damage1 |= dmg::EngineDamaged;
    plane->ThisAircraft.EngineSmokingTime = 5000;
    for (int t = 1; t <= 120; ++t) {
        plane->live.globalTime = controller.missionTime = t;
        plane->live.attitude.Position = {0, 0, (t - 120) * 0.5};  // half a foot a tick, north
        plane->aircraftSmoke();
    }
    plane->live.attitude.Position = {0, 0, 0};
    // From the left side: north, ahead, is to the left of the picture.
    const Camera left({-60, 6, 5}, {0, 0, 5});
    const auto image = frame(left);
    int behind = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = image.width * 4 / 5 + 1; x < image.width; ++x) behind += notSky(image, (size_t(y) * image.width + x) * 4);
    EXPECT_GT(behind, 300);

    // Every other slot of the ring left free: no puff has the one laid before it beside it.
    const auto laid = plane->own.smokes;
    for (OneSmokePiece& p : plane->own.smokes) p.TimeStarted = -1000;
    for (size_t i = 0; 2 * i < laid.size(); ++i) plane->own.smokes[2 * i] = laid[i];
    EXPECT_EQ(diff(image, frame(left), 2).count, 0);
}

class GunsInTheView : public AircraftView {
protected:
    void SetUp() override {
        AircraftView::SetUp();
        if (!view_) return;
        ground = controller.models.put(ModelArray::kTerrain, std::make_unique<testing::FlatTerrain>(-20000.0));
        camel = static_cast<GunCamel*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<GunCamel>()));
        camel->setaController(&controller);
        camel->setTerrain(ground);
        camel->initWithGLView(view_.get());
        camel->SetUpAircraft(0.0, 0.0, 0.0, 0.0, 0.0, 100.0, 1.0);  // level, north, full power
    }
    // Flies `ticks` ticks as the game loop does, then the frame's upkeep with the camera
    // `cameraDistance` ft away (in the seat below 10).
    void fly(int ticks, double cameraDistance = 5.0) {
        for (int t = 0; t < ticks; ++t) {
            ++controller.missionTime;
            camel->driveModel(1, controller.missionTime, t == ticks - 1, false);
        }
        camel->updateMovingThings(1, true, cameraDistance, 0.0);
    }

    // The heads of the tracers in flight and where each shows: every one in the picture within
    // three pixels of where its bullet is, and nothing else changed by them.
    void tracersShowWhereTheBulletsAre(const Camera& camera, const std::string& shot) {
        const auto with = frame(camera);
        for (OneSmokePiece& p : camel->own.smokes)  // the tracers' streaks of this frame taken away
            if (p.Kind == OneSmokePiece::kTracer) p.TimeStarted = -1000;
        const auto without = frame(camera);
        int seen = 0, inPicture = 0;
        for (const ProjectileType& b : camel->ThisAircraft.GunBullets.TheBullets) {
            if (b.GraphicsType != 1 || b.TimeAlive < 1 || b.TimeAlive > 70) continue;
            const auto at = camera.project({b.P2X, b.P2Y, b.P2Z}, with.width, with.height);
            if (at[0] < 3 || at[1] < 3 || at[0] > with.width - 4 || at[1] > with.height - 4) continue;
            ++inPicture;
            bool found = false;
            for (int dy = -3; dy <= 3 && !found; ++dy)
                for (int dx = -3; dx <= 3 && !found; ++dx)
                    found = differs(with, without, int(at[0]) + dx, int(at[1]) + dy);
            EXPECT_TRUE(found) << shot << ": tracer " << b.TimeAlive << " ticks out, at " << at[0] << ", " << at[1];
            seen += found;
        }
        EXPECT_GE(inPicture, 2) << shot;
        EXPECT_EQ(seen, inPicture) << shot;
    }

    ZephModel* ground = nullptr;
    GunCamel* camel = nullptr;
};

TEST_F(GunsInTheView, TracersShowWhereTheirBulletsFly) {
    camel->gunsOnOff(1);
    fly(50);  // three tracers out, the first 50 ticks (some 2,000 ft) ahead
    const V& at = camel->live.attitude.Position;

    // From the seat, looking along the guns.
    const V eye = camel->eye();
    view_->setCameraInsideItem(ModelArray::kFirstAircraft);
    tracersShowWhereTheBulletsAre(Camera(eye, {eye[0], eye[1] - 8.0, eye[2] + 400.0}), "guns_from_the_seat");

    // A frame later, from off the left wing and a little behind: the stream reaches ahead.
    fly(1, 300.0);
    view_->setCameraInsideItem(-1);
    tracersShowWhereTheBulletsAre(Camera({at[0] - 250.0, at[1] + 20.0, at[2] - 150.0}, {at[0], at[1], at[2] + 700.0}),
                                  "guns_from_the_left");
}

TEST_F(GunsInTheView, FromTheSeatAFastPropellerIsItsDisc) {
    fly(10);
    ASSERT_GT(camel->ThisAircraft.CurrentRPM, 350.0);
    const V eye = camel->eye();
    const Camera ahead(eye, {eye[0], eye[1] - 1.0, eye[2] + 20.0});
    view_->setCameraInsideItem(ModelArray::kFirstAircraft);
    auto withBladesAt = [&](double degrees) {
        camel->Drawing.propAngle = degrees;
        camel->animateParts();
        return frame(ahead);
    };
    // Turning fast: wherever the blades are, the same disc, which looks as it does by the plain rules.
    const auto disc = withBladesAt(0.0);
    expectLooksTheSame(ahead, "the disc from the seat");
    EXPECT_LT(diff(disc, withBladesAt(90.0), 40).count, 50);
    // And the disc is there to see, as a shimmer.
    for (int i = camel->Drawing.model->propDiscFirst; i < camel->Drawing.model->propDiscFirst + camel->Drawing.model->propDiscCount; ++i)
        camel->Drawing.TemplatePolyListCopy[i].DrawHints |= kSkip;
    EXPECT_GT(diff(disc, frame(ahead), 8).count, disc.width * disc.height / 50);

    // Stopped, the blades stand where they are.
    camel->ThisAircraft.CurrentRPM = 0.0;
    EXPECT_GT(diff(withBladesAt(0.0), withBladesAt(90.0), 40).count, 2000);
}

}  // namespace
}  // namespace pellam
