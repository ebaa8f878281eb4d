// A Camel firing its guns for real, drawn by the game's own view under Xvfb: every tracer in
// flight shows in the picture at the point where its bullet is, from the seat and from outside;
// and from the seat a fast propeller is its blurred disc, not blades standing across the view.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/AircraftModel.h"
#include "tests/flight/TestWorld.h"
#include "tests/render/ViewFixture.h"

namespace pellam {
namespace {

namespace fs = std::filesystem;
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
        pointer = view = p.ModelAttitude;
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
        quaternionToMatrix(ModelAttitude.QAttitude.data(), m);
        double w[3];
        RotateVector(PilotAttitude.Position.data(), w, m);
        return {ModelAttitude.Position[0] + w[0], ModelAttitude.Position[1] + w[1], ModelAttitude.Position[2] + w[2]};
    }
    // The tracers' streaks of this frame taken away, for the picture without them.
    void hideTracers() {
        for (OneSmokePiece& p : OurSmokes)
            if (p.Kind == OneSmokePiece::kTracer) p.TimeStarted = -1000;
    }
};

class GunsInTheView : public rendertest::ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        if (!view_) return;
        for (long i = 0; i < 22; ++i) controller.models.append(nullptr);
        ground = controller.models.put(ModelArray::kTerrain, std::make_unique<testing::FlatTerrain>(-20000.0));
        view_->setModelArray(&controller.models);
        view_->setFrameServices(&services);
        view_->setDrawSecondWindow(false);
        view_->setEraseColorRed(0.62, 0.72, 0.82);
        view_->setSunVectorFromTime(11.0);
        camel = static_cast<GunCamel*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<GunCamel>()));
        camel->setaController(&controller);
        camel->setTerrain(ground);
        camel->initWithGLView(view_.get());
        camel->SetUpAircraft(0.0, 0.0, 0.0, 0.0, 0.0, 100.0, 1.0);  // level, north, full power
    }
    void TearDown() override {
        if (view_) view_->setModelArray(nullptr);
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

    platform::RGBAImage frame(const Camera& camera) {
        view_->setGlobalCameraPosition(&camera.view);
        platform::RGBAImage image;
        view_->setFrameObserver([&] { image = rendertest::readBack(*view_); });
        view_->drawRect({1, 0, 0, 1});
        view_->setFrameObserver(nullptr);
        EXPECT_EQ(view_->getFrameGLError(), 0);
        return image;
    }

    static bool differs(const platform::RGBAImage& a, const platform::RGBAImage& b, int x, int y) {
        if (x < 0 || y < 0 || x >= a.width || y >= a.height) return false;
        const size_t i = (size_t(y) * a.width + x) * 4;
        return std::abs(a.pixels[i] - b.pixels[i]) + std::abs(a.pixels[i + 1] - b.pixels[i + 1]) +
                   std::abs(a.pixels[i + 2] - b.pixels[i + 2]) > 40;
    }
    static int changed(const platform::RGBAImage& a, const platform::RGBAImage& b) {
        int n = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) n += differs(a, b, x, y);
        return n;
    }

    // The heads of the tracers in flight and where each shows: every one in the picture within
    // three pixels of where its bullet is, and nothing else changed by them.
    void tracersShowWhereTheBulletsAre(const Camera& camera, const std::string& shot) {
        const auto with = frame(camera);
        camel->hideTracers();
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

    testing::TestController controller;
    render::FrameServices services;
    ZephModel* ground = nullptr;
    GunCamel* camel = nullptr;
};

TEST_F(GunsInTheView, TracersShowWhereTheirBulletsFly) {
    camel->gunsOnOff(1);
    fly(50);  // three tracers out, the first 50 ticks (some 2,000 ft) ahead
    const V& at = camel->ModelAttitude.Position;

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
    auto withBladesAt = [&](double degrees, const std::string& shot) {
        camel->Drawing.propAngle = degrees;
        camel->animateParts();
        return frame(ahead);
    };
    // Turning fast: wherever the blades are, the same disc.
    const auto disc = withBladesAt(0.0, "seat_propeller_fast");
    EXPECT_LT(changed(disc, withBladesAt(90.0, "seat_propeller_fast_quarter_turn")), 50);
    // And the disc is there to see.
    for (int i = camel->Drawing.model->propDiscFirst; i < camel->Drawing.model->propDiscFirst + camel->Drawing.model->propDiscCount; ++i)
        camel->Drawing.TemplatePolyListCopy[i].DrawHints |= 0x2;
    EXPECT_GT(changed(disc, frame(ahead)), disc.width * disc.height / 50);

    // Stopped, the blades stand where they are.
    camel->ThisAircraft.CurrentRPM = 0.0;
    EXPECT_GT(changed(withBladesAt(0.0, "seat_propeller_stopped"), withBladesAt(90.0, "seat_propeller_stopped_quarter_turn")),
              2000);
}

}  // namespace
}  // namespace pellam
