// A wreck settled into the slope of the generated front, on the real view under Xvfb: from the
// outside cameras the ground it lies in is seen from above, not the sky seen from beneath the
// terrain; and from the cockpit of a wreck on its back or its nose, the ground is there, not cut
// away by the near plane.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>

#include "aircraft/FlyableAircraft.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/Paths.h"
#include "render/MyZephGLView.h"
#include "tests/TestFolder.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

// The game's view as the executable fits it, as far as a flight needs.
struct GameView : StandInView {
    explicit GameView(render::MyZephGLView& v) : view(v) {}
    void setModelArray(ModelArray* models) override { view.setModelArray(models); }
    void setGlobalCameraPosition(const QNion* pose) override { view.setGlobalCameraPosition(pose); }
    void setCameraInsideItem(long item) override { view.setCameraInsideItem(item); }
    void setSunVectorFromTime(double hours) override { view.setSunVectorFromTime(hours); }
    const double* getSunUnitVector() override { return view.getSunUnitVector(); }
    void drawRect(int32_t) override { view.drawRect({1, 0, 0, 0}); }
    void setDoFeedback(bool on) override { view.setDoFeedback(on ? 1 : 0); }
    std::array<double, 3> getNearPlane() override {
        const render::MyZephGLView::NearPlane near = view.worldNearPlane();
        return {near.distance, near.halfWidth, near.halfHeight};
    }
    render::MyZephGLView& view;
};

TEST(CrashView, AWreckInTheGroundIsSeenFromAboveIt) {
    if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
    testing::TestFolder folder("pellam crash");
    platform::UserDefaults store(folder.file("defaults.json"));
    render::MyZephGLView view(store);
    ASSERT_TRUE(view.initWithFrame({0, 0, 640, 480})) << view.creationError();
    GameView link(view);
    VADArizodazar2::Content content;
    content.makeTerrain = [&view]() -> std::unique_ptr<ZephModel> {
        auto terrain = std::make_unique<RIDUdidav>();
        return terrain->initWithGLView(&view) ? std::move(terrain) : nullptr;
    };
    content.objectView = &view;
    auto c = std::make_unique<VADArizodazar2>(GameController::Links{&store, &link}, std::move(content));
    c->awakeFromNib();
    c->seedSimulation(1918);  // start-up seeds it from the system; each run is the same crash
    ASSERT_TRUE(c->missionState().worldProblem.empty()) << c->missionState().worldProblem;
    c->fromPlayerSignInOkay();
    c->skipMissionSelection();
    c->fromFlyMissionButton();

    // Paused, the wreck 15 ft deep in the downs north of the Somme, level, facing north.
    c->setRunning(false);
    FlyableAircraft& own = *c->aircraftAt(ModelArray::kFirstAircraft);
    const double x = 1975000.0, z = 2035000.0;
    own.SetUpAircraft(x, c->modelAt(ModelArray::kTerrain)->getAltitudeAtX(x, z) - 15.0, z, 0.0, 0.0, 0.0, 0.0);
    // The player's aircraft, without the start-up slide.
    c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
    // The share of the next frame with something drawn in it: the sky leaves the depth clear.
    auto drawnShare = [&] {
        std::vector<float> depth(size_t(640) * 480);
        view.setFrameObserver([&] { glReadPixels(0, 0, 640, 480, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data()); });
        testing::stepOneFrame(*c, 1);
        view.setFrameObserver({});
        size_t near = 0;
        for (float d : depth) near += d < 1.0f;
        return double(near) / double(depth.size());
    };
    for (int32_t camera : {2, 6}) {  // the view from the south and from the left wing
        SCOPED_TRACE(camera);
        // Chosen while flying, when the camera takes its distance at once; then paused again.
        c->setRunning(true);
        c->sendCommand(input::CommandNumber::CameraInsidePilotHead + camera, kKeyDown);
        while (c->cameras().UserCameraDistance > 40.0)
            c->sendCommand(input::CommandNumber::MoveCameraCloser, kKeyDown);
        c->doEachTick(1);
        c->setRunning(false);
        ASSERT_EQ(c->cameras().CameraPosition, camera);
        ASSERT_EQ(c->cameras().CameraDistance, 40.0);
        ASSERT_EQ(c->cameras().AbsoluteCameraOffset, (Vector3{0.0, 0.0, 0.0}));
        EXPECT_GT(drawnShare(), 0.5) << "the ground is a thin band: the camera is under it";
    }

    // From the cockpit, the wreck 3 ft deep: level, on its back, on its nose, on its nose and back.
    c->setRunning(true);
    c->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
    for (const auto& [pitch, roll, least] : {std::tuple{0.0, 0.0, 0.5}, {0.0, 180.0, 0.2}, {-60.0, 0.0, 0.9},
                                             {-60.0, 180.0, 0.9}}) {
        SCOPED_TRACE(::testing::Message() << "pitch " << pitch << " roll " << roll);
        c->setRunning(true);
        own.SetUpAircraft(x, c->modelAt(ModelArray::kTerrain)->getAltitudeAtX(x, z) - 3.0, z, 0.0, pitch, 0.0, 0.0);
        QNion level, wreck, rolled;
        own.getModelPositionQNion(&level);
        rolled.QAttitude = {std::cos(roll * M_PI / 360.0), 0.0, 0.0, std::sin(roll * M_PI / 360.0)};
        ZephModel::multQnions(&rolled, &level, &wreck);
        wreck.Position = level.Position;
        own.setModelPositionQNion(&wreck);
        c->doEachTick(1);
        c->setRunning(false);
        ASSERT_EQ(c->cameras().CameraPosition, 0);
        EXPECT_GT(drawnShare(), least) << "the ground is cut away: the near plane is in it";
    }
    c.reset();
}

}  // namespace
}  // namespace pellam
