// The three aircraft drawn by the game's own view under Xvfb, with the pictures the build paints:
// each finds its textures, fills the picture it should, moves its controls where its surfaces are,
// drops a lost wing set, can be sat in, and trails smoke and tracers.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/MeshBuilder.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "tests/flight/TestWorld.h"
#include "tests/render/ViewFixture.h"

namespace pellam {
namespace {

namespace fs = std::filesystem;

// The eye at `eye` looking at `target` (world ft), as the view takes a camera: the inverse of the
// attitude that points a nose that way.
QNion lookAt(std::array<double, 3> eye, std::array<double, 3> target) {
    const double dx = target[0] - eye[0], dy = target[1] - eye[1], dz = target[2] - eye[2];
    ZephModel pointer;
    pointer.setHeading(std::atan2(dx, dz) * 57.29577951);
    pointer.rotatePitchByDegrees(std::atan2(-dy, std::hypot(dx, dz)) * 57.29577951);
    QNion camera = pointer.ModelAttitude;
    camera.Position = eye;
    for (int i = 1; i < 4; ++i) camera.QAttitude[i] = -camera.QAttitude[i];
    return camera;
}

struct SmokyCamel : ObjectTestFile {
    using FlyableAircraft::tracersToSmoke;
};

class AircraftInTheView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        if (build) platform::setApplicationFolder(build);
        folder_ = fs::path(build ? build : ".") / "aircraft_draw_shots";
        fs::create_directories(folder_);
        defaults_ = std::make_unique<platform::UserDefaults>((folder_ / "view_defaults.json").string());
        view_ = std::make_unique<render::MyZephGLView>(*defaults_);
        if (!view_->initWithFrame({0, 0, 640, 480}, true)) view_.reset();
    }
    static void TearDownTestSuite() {
        view_.reset();
        defaults_.reset();
    }
    void SetUp() override {
        ASSERT_NE(view_, nullptr) << "no GL window";
        view_->getGLWindow()->makeCurrent();
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

    // At the origin, level, nose north, controls central.
    template <typename Plane>
    Plane* place(int32_t team) {
        auto* plane = static_cast<Plane*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<Plane>()));
        plane->setaController(&controller);
        plane->initWithGLView(view_.get());
        plane->setTeamNumber(team);
        plane->ThisAircraft.Damage1 = 0;
        plane->ModelAttitude.Position = {0, 0, 0};
        plane->ModelAttitude.QAttitude = {1, 0, 0, 0};
        plane->animateParts();
        return plane;
    }

    platform::RGBAImage frame(const QNion& camera) {
        view_->setGlobalCameraPosition(&camera);
        platform::RGBAImage image;
        view_->setFrameObserver([&] { image = rendertest::readBack(*view_); });
        view_->drawRect({1, 0, 0, 1});
        view_->setFrameObserver(nullptr);
        EXPECT_EQ(view_->getFrameGLError(), 0);
        return image;
    }

    // Whether a pixel differs from the empty background, which the corner shows.
    static bool notSky(const platform::RGBAImage& im, size_t i) {
        const uint8_t* sky = im.pixels.data();
        return std::abs(im.pixels[i] - sky[0]) + std::abs(im.pixels[i + 1] - sky[1]) + std::abs(im.pixels[i + 2] - sky[2]) > 30;
    }
    // Share of the picture that is not sky.
    static double covered(const platform::RGBAImage& im) {
        int n = 0;
        for (size_t i = 0; i < im.pixels.size(); i += 4) n += notSky(im, i);
        return double(n) / (double(im.width) * im.height);
    }
    // Pixels that changed between two pictures, and how many of them lie in the left 40 % or the
    // bottom third.
    struct Diff {
        int count = 0, left = 0, bottom = 0, right = 0;
    };
    static Diff diff(const platform::RGBAImage& a, const platform::RGBAImage& b) {
        Diff d;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const size_t i = (size_t(y) * a.width + x) * 4;
                if (i + 2 >= b.pixels.size()) continue;
                if (std::abs(a.pixels[i] - b.pixels[i]) + std::abs(a.pixels[i + 1] - b.pixels[i + 1]) +
                        std::abs(a.pixels[i + 2] - b.pixels[i + 2]) <= 24)
                    continue;
                ++d.count;
                if (x < a.width * 2 / 5) ++d.left;
                if (x > a.width * 3 / 5) ++d.right;
                if (y > a.height * 2 / 3) ++d.bottom;
            }
        return d;
    }

    template <typename Plane>
    void check(const std::string& name, int32_t team) {
        Plane* plane = place<Plane>(team);
        // Every picture the model names was found on disk; none stands in for a missing one.
        const ObjectPointsPolysVer2& pp = *plane->getModelPointsPolysPtr();
        for (int k = 0; k < looks::kMapCount; ++k) EXPECT_NE(pp.MapListOffset[k], view_->missingTextureSlot()) << k;
        EXPECT_NE(plane->Drawing.smokeSlot, view_->missingTextureSlot());
        EXPECT_NE(plane->Drawing.charredSlot, view_->missingTextureSlot());

        const QNion side = lookAt({-34, 1, -4}, {0, 0, -4});   // from the left: nose to the left
        const QNion above = lookAt({0, 40, -4}, {0, 0, -3.99});  // nose at the top
        const QNion front = lookAt({0, 2, 34}, {0, 0, 0});
        const auto sideNeutral = frame(side);
        const auto aboveNeutral = frame(above);
        EXPECT_GT(covered(frame(front)), 0.03) << name;
        EXPECT_GT(covered(sideNeutral), 0.03) << name;
        EXPECT_GT(covered(aboveNeutral), 0.08) << name;

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
        plane->OptionalModelAttitude[0] = plane->ModelAttitude;
        plane->OptionalModelAttitude[0].Position[1] -= 60.0;
        plane->ThisAircraft.Damage1 |= dmg::LeftWingGone;
        const Diff lost = diff(aboveNeutral, frame(above));
        plane->ThisAircraft.Damage1 &= ~dmg::LeftWingGone;
        EXPECT_GT(lost.left, 2000) << name;
        EXPECT_LT(lost.right, lost.left / 10) << name;

        // In the cockpit, drawn in the view's own pass, our head out of the way.
        plane->updateMovingThings(1, true, 5.0, 0.0);
        const auto& eye = plane->PilotAttitude.Position;
        view_->setCameraInsideItem(ModelArray::kFirstAircraft);
        EXPECT_GT(covered(frame(lookAt(eye, {eye[0], eye[1] - 0.9, eye[2] + 10}))), 0.25) << name;
        view_->setCameraInsideItem(-1);
    }

    testing::TestController controller;
    render::FrameServices services;

    static inline fs::path folder_;
    static inline std::unique_ptr<platform::UserDefaults> defaults_;
    static inline std::unique_ptr<render::MyZephGLView> view_;
};

TEST_F(AircraftInTheView, Camel) { check<ObjectTestFile>("camel", 1); }
TEST_F(AircraftInTheView, FokkerDr1) { check<FokkerDr1>("dr1", 1); }
TEST_F(AircraftInTheView, FokkerDVII) { check<FokkerDVII>("dvii", 2); }

// A Camel with a hit engine flying along: its smoke trail lies behind it, its tracers reach ahead.
TEST_F(AircraftInTheView, SmokeTrailAndTracers) {
    SmokyCamel* plane = place<SmokyCamel>(3);
    plane->ThisAircraft.Damage1 |= dmg::EngineDamaged;
    plane->ThisAircraft.EngineSmokingTime = 5000;
    for (int t = 1; t <= 120; ++t) {
        plane->GlobalTime = controller.missionTime = t;
        plane->ModelAttitude.Position = {0, 0, (t - 120) * 0.5};  // half a foot a tick, north
        plane->aircraftSmoke();
    }
    auto& bullets = plane->ThisAircraft.GunBullets.TheBullets;
    for (int k = 0; k < 2; ++k) {
        ProjectileType& b = bullets[k];
        b.GraphicsType = 1;
        b.TimeAlive = 10;
        b.PX = b.P2X = 0.35 * (k ? 1 : -1);
        b.PY = b.P2Y = 1.9;
        b.PZ = 20 + 30 * k;
        b.P2Z = b.PZ + 25;
    }
    plane->tracersToSmoke(true);
    plane->ModelAttitude.Position = {0, 0, 0};
    // From the left side: north, ahead, is to the left of the picture.
    const auto image = frame(lookAt({-60, 6, 5}, {0, 0, 5}));
    int behind = 0, ahead = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const size_t i = (size_t(y) * image.width + x) * 4;
            const uint8_t* p = &image.pixels[i];
            if (x > image.width * 4 / 5 && notSky(image, i)) ++behind;
            if (x < image.width / 4 && p[0] > 200 && p[1] > 170 && p[2] < 190) ++ahead;
        }
    EXPECT_GT(behind, 300);
    EXPECT_GT(ahead, 20);
}

}  // namespace
}  // namespace pellam
