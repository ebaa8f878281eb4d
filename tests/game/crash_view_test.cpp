// The cameras near the ground of the generated front, on the real view under Xvfb: from the outside
// cameras the ground a wreck lies in is seen from above, not the sky seen from beneath the terrain;
// from the cockpit of a wreck on its back or its nose, the ground is there, not cut away by the
// near plane; a pilot parked or low and looking about keeps his cockpit and all of the ground;
// and a burning wreck's smoke blown across the view is seen through, not drawn as a solid slab, and
// from close by is not cut by the ground within its puffs.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

#include "aircraft/FlyableAircraft.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "missions/ObjectFactory.h"
#include "platform/Paths.h"
#include "render/MyZephGLView.h"
#include "tests/TestFolder.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

constexpr int kWidth = 640, kHeight = 480;

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
    std::array<double, 3> getNearPlane() override { return view.worldNearPlane().asArray(); }
    void setWorldNearLimit(double ft) override { view.setWorldNearLimit(ft); }
    void setDrawSecondWindow(bool on) override { view.setDrawSecondWindow(on); }
    void setSecondAircraftCamera(long item) override { view.setSecondAircraftCamera(item); }
    void setSecondGlobalCameraPosition(const QNion* pose) override { view.setSecondGlobalCameraPosition(pose); }
    void setCameraInsideItem2(long item) override { view.setCameraInsideItem2(item); }
    std::array<double, 3> getSecondNearPlane() override { return view.secondNearPlane().asArray(); }
    void setSecondNearLimit(double ft) override { view.setSecondNearLimit(ft); }
    render::MyZephGLView& view;
};

// The first mission flown on the generated front, seeded, so each run is the same flight.
class OnTheFront : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
        folder_ = std::make_unique<testing::TestFolder>("pellam crash");
        store_ = std::make_unique<platform::UserDefaults>(folder_->file("defaults.json"));
        view = std::make_unique<render::MyZephGLView>(*store_);
        ASSERT_TRUE(view->initWithFrame({0, 0, kWidth, kHeight})) << view->creationError();
        link_ = std::make_unique<GameView>(*view);
        VADArizodazar2::Content content;
        content.makeTerrain = [this]() -> std::unique_ptr<ZephModel> {
            auto terrain = std::make_unique<RIDUdidav>();
            return terrain->initWithGLView(view.get()) ? std::move(terrain) : nullptr;
        };
        content.objectView = view.get();
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get(), link_.get()}, std::move(content));
        c->awakeFromNib();
        c->seedSimulation(1918);  // start-up seeds it from the system
        ASSERT_TRUE(c->missionState().worldProblem.empty()) << c->missionState().worldProblem;
        c->fromPlayerSignInOkay();
        c->skipMissionSelection();
        c->fromFlyMissionButton();
    }
    void TearDown() override { c.reset(); }

    FlyableAircraft& own() { return *c->aircraftAt(ModelArray::kFirstAircraft); }
    double groundAt(double x, double z) { return c->modelAt(ModelArray::kTerrain)->getAltitudeAtX(x, z); }
    // The next frame's depths, rows from the bottom; the sky leaves them clear (1).
    std::vector<float> depths() {
        std::vector<float> depth(size_t(kWidth) * kHeight);
        view->setFrameObserver([&] { glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data()); });
        testing::stepOneFrame(*c, 1);
        view->setFrameObserver({});
        return depth;
    }
    // The next frame's colours, rows from the bottom: a step of the game's, or the view's own
    // redraw of the moment as it stands.
    std::vector<uint8_t> colours(bool step = true) {
        std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
        view->setFrameObserver([&] {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        });
        step ? testing::stepOneFrame(*c, 1) : view->drawRect({1, 0, 0, 0});
        view->setFrameObserver({});
        return rgb;
    }
    // The player's aircraft dived into the level downs on its nose (75 deg down, facing `heading`,
    // north by default) and burning, the wind fixed, blowing its smoke toward the north-east, until
    // the column is whole: pieces live 300 ticks, one every other tick. The simulation's stream is
    // seeded first, so the parts the wreck sheds and where its puffs go are the same on every run.
    void burnOnItsNose(double heading = 0.0) {
        c->seedSimulation(1918);
        c->setRunning(true);
        own().SetUpAircraft(kX, groundAt(kX, kZ), kZ, heading, -75.0, 0.0, 0.0);
        own().doSplodes();
        own().WindVector = {0.1, 0.0, 0.1};  // ft/tick
        c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
        auto puffs = [&] {
            int n = 0;
            for (const OneSmokePiece& p : own().own.smokes) n += p.TimeStarted > -1000;
            return n;
        };
        for (int f = 0; f < 400 && puffs() < 140; ++f) testing::stepOneFrame(*c, 2);
        ASSERT_GE(puffs(), 140);
        c->setRunning(false);
    }
    // How far the player's smoke moves each pixel of the view's redraw of the moment (red, green and
    // blue summed), rows from the bottom.
    std::vector<int> smokeStrength() {
        const std::vector<uint8_t> with = colours(false);
        const auto kept = own().own.smokes;
        for (OneSmokePiece& p : own().own.smokes) p.TimeStarted = -1000;
        const std::vector<uint8_t> without = colours(false);
        own().own.smokes = kept;
        std::vector<int> strength(size_t(kWidth) * kHeight);
        for (size_t i = 0; i < strength.size(); ++i)
            strength[i] = std::abs(with[3 * i] - without[3 * i]) + std::abs(with[3 * i + 1] - without[3 * i + 1]) +
                          std::abs(with[3 * i + 2] - without[3 * i + 2]);
        return strength;
    }
    // The longest run along a row of the view (px) of the edge of smoke the ground hides: smoke
    // plain with the ground taken away and none over it, while within a few rows above or below
    // the smoke shows over the ground. The puffs stacked there are each cut at their own depth, so
    // a cut fades over up to a dozen rows.
    static int longestCut(const std::vector<int>& overGround, const std::vector<int>& noGround) {
        constexpr int kPlain = 90, kNone = 15, kRows = 16;
        auto at = [](int x, int y) { return size_t(y) * kWidth + size_t(x); };
        auto edge = [&](int x, int y) {
            if (noGround[at(x, y)] <= kPlain || overGround[at(x, y)] >= kNone) return false;
            for (int r = std::max(0, y - kRows); r <= std::min(kHeight - 1, y + kRows); ++r)
                if (overGround[at(x, r)] > kPlain) return true;
            return false;
        };
        int longest = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0, run = 0; x < kWidth; ++x) {
                run = edge(x, y) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        return longest;
    }

    // How far the smoke's outline strays from straight: the smoke (where it moves a pixel by more
    // than `kSeen`) taken along its long axis, the farthest smoke on each side across it at each
    // step along, and the root-mean-square distance of those edges from the straight line that fits
    // each best, over the middle of the band's length (its rounded ends left out). The lesser of
    // the two sides, px.
    static double outlineWander(const std::vector<int>& strength) {
        constexpr int kSeen = 30;
        double n = 0, mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (strength[size_t(y) * kWidth + size_t(x)] > kSeen)
                    ++n, mx += x, my += y, sxx += x * x, syy += y * y, sxy += x * y;
        if (n < 100) return 0;
        mx /= n, my /= n, sxx = sxx / n - mx * mx, syy = syy / n - my * my, sxy = sxy / n - mx * my;
        const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
        const double ax = std::cos(angle), ay = std::sin(angle);  // along the band
        std::map<int, std::pair<double, double>> sides;            // per step along: least and most across
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (strength[size_t(y) * kWidth + size_t(x)] <= kSeen) continue;
                const double along = (x - mx) * ax + (y - my) * ay, across = -(x - mx) * ay + (y - my) * ax;
                auto [it, fresh] = sides.try_emplace(int(std::lround(along)), across, across);
                it->second = {std::min(it->second.first, across), std::max(it->second.second, across)};
            }
        const int from = sides.begin()->first, to = sides.rbegin()->first, cut = (to - from) / 10;
        auto straying = [&](bool upper) {
            double k = 0, sa = 0, sc = 0, saa = 0, sac = 0;
            for (const auto& [a, e] : sides)
                if (a >= from + cut && a <= to - cut) {
                    const double c = upper ? e.second : e.first;
                    ++k, sa += a, sc += c, saa += a * a, sac += a * c;
                }
            const double slope = (k * sac - sa * sc) / std::max(1e-9, k * saa - sa * sa), base = (sc - slope * sa) / k;
            double sum = 0;
            for (const auto& [a, e] : sides)
                if (a >= from + cut && a <= to - cut)
                    sum += std::pow((upper ? e.second : e.first) - base - slope * a, 2);
            return std::sqrt(sum / k);
        };
        return std::min(straying(false), straying(true));
    }

    // The downs north of the Somme.
    static constexpr double kX = 1975000.0, kZ = 2035000.0;
    std::unique_ptr<testing::TestFolder> folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<render::MyZephGLView> view;
    std::unique_ptr<GameView> link_;
    std::unique_ptr<VADArizodazar2> c;
};

TEST_F(OnTheFront, AWreckInTheGroundIsSeenFromAboveIt) {
    // Paused, the wreck 15 ft deep, level, facing north.
    c->setRunning(false);
    own().SetUpAircraft(kX, groundAt(kX, kZ) - 15.0, kZ, 0.0, 0.0, 0.0, 0.0);
    // The player's aircraft, without the start-up slide.
    c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
    // The share of the next frame with something drawn in it.
    auto drawnShare = [&] {
        size_t near = 0;
        for (float d : depths()) near += d < 1.0f;
        return double(near) / (double(kWidth) * kHeight);
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
        own().SetUpAircraft(kX, groundAt(kX, kZ) - 3.0, kZ, 0.0, pitch, 0.0, 0.0);
        QNion level, wreck, rolled;
        own().getModelPositionQNion(&level);
        rolled.QAttitude = {std::cos(roll * M_PI / 360.0), 0.0, 0.0, std::sin(roll * M_PI / 360.0)};
        ZephModel::multQnions(&rolled, &level, &wreck);
        wreck.Position = level.Position;
        own().setModelPositionQNion(&wreck);
        c->doEachTick(1);
        c->setRunning(false);
        ASSERT_EQ(c->cameras().CameraPosition, 0);
        EXPECT_GT(drawnShare(), least) << "the ground is cut away: the near plane is in it";
    }
}

// Each aircraft parked, and low over the ground: looking down at every zoom, and looking aside,
// the pilot keeps his seat (the cockpit is drawn, in its own slice of the depths) and the lower
// third of the view, all ground, is drawn to its last pixel.
TEST_F(OnTheFront, APilotLookingDownNearTheGroundKeepsHisCockpit) {
    constexpr float kCockpitDepths = 1.0f / 16;
    struct Look {
        const char* what;
        double height;  // ft above the ground; 0 parked, tail down
        double pitch, heading;  // deg: the head's
        double zoom;
        double cockpit;  // the least share of the view it fills: most of it looking down
    };
    const Look looks[] = {{"parked, down", 0, 35, 0, 1.0, 0.5},   {"parked, down", 0, 35, 0, 1.25, 0.5},
                          {"parked, down", 0, 35, 0, 2.0, 0.5},   {"parked, down", 0, 35, 0, 3.0, 0.5},
                          {"parked, left", 0, 0, -90, 1.25, 0.03}, {"parked, right and down", 0, 35, 67.5, 1.25, 0.3},
                          {"low, down", 20, 35, 0, 1.25, 0.5},    {"low, down", 20, 35, 0, 3.0, 0.5}};
    for (int32_t type : {55, 64, 77}) {  // Camel, D.VII, Dr.I
        c->currentMission()->AircraftStarts[0].AircraftType = type;
        c->fromRestartMissionButton();
        ASSERT_EQ(missions::aircraftTypeOf(&own()), type);
        c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
        c->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
        for (const Look& look : looks) {
            SCOPED_TRACE(::testing::Message() << "type " << type << ", " << look.what << ", zoom " << look.zoom);
            c->setRunning(true);
            if (look.height == 0)
                own().SetUpAircraft(kX, -1.0, kZ, 0.0, 400.0, 0.0, 0.0);
            else
                own().SetUpAircraft(kX, groundAt(kX, kZ) + look.height, kZ, 0.0, 0.0, 100.0, 1.0);
            own().setPilotPitchAbsolute(look.pitch, look.heading);
            c->doEachTick(1);
            c->setRunning(false);
            view->setTeleFactor(look.zoom);
            const std::vector<float> depth = depths();
            EXPECT_EQ(view->getCameraInsideItem(), ModelArray::kFirstAircraft);
            size_t cockpit = 0, open = 0;
            for (size_t i = 0; i < depth.size(); ++i) {
                cockpit += depth[i] < kCockpitDepths;
                open += i < depth.size() / 3 && depth[i] >= 1.0f;
            }
            EXPECT_GT(double(cockpit) / double(depth.size()), look.cockpit) << "no cockpit";
            EXPECT_EQ(open, 0u) << "ground cut away";
        }
    }
    view->setTeleFactor(1.25);
}

// The second window on the player's cockpit, the main view on it too: parked and looking down,
// each keeps its cockpit and all of the ground, the small window with a near plane of its own.
TEST_F(OnTheFront, TheSecondWindowKeepsTheCockpitOfAPilotLookingDown) {
    constexpr float kCockpitDepths = 1.0f / 16;
    c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
    c->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
    c->sendCommand(input::CommandNumber::OnOffSecondWindowToggle, kKeyUp);
    c->sendCommand(input::CommandNumber::CameraOnAircraft1, kKeyDown);
    c->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
    ASSERT_TRUE(c->cameras().DrawSecondWindow);
    ASSERT_EQ(c->cameras().CameraAircraft2, ModelArray::kFirstAircraft);
    c->setRunning(true);
    own().SetUpAircraft(kX, -1.0, kZ, 0.0, 400.0, 0.0, 0.0);
    own().setPilotPitchAbsolute(35.0, 0.0);
    c->doEachTick(1);
    c->setRunning(false);
    std::vector<float> second;
    view->setSecondFrameObserver([&] {
        int w = 0, h = 0;
        view->getSecondWindow()->drawableSize(w, h);
        // Within the one-pixel edge, which keeps the background.
        second.assign(size_t(w - 2) * size_t(h - 2), 0.0f);
        glReadPixels(1, 1, w - 2, h - 2, GL_DEPTH_COMPONENT, GL_FLOAT, second.data());
    });
    std::vector<float> first = depths();
    view->setSecondFrameObserver({});
    ASSERT_FALSE(second.empty()) << "no second window drawn";
    EXPECT_EQ(view->getCameraInsideItem(), ModelArray::kFirstAircraft);
    EXPECT_EQ(view->getCameraInsideItem2(), ModelArray::kFirstAircraft);
    for (const std::vector<float>* depth : {&first, &second}) {
        SCOPED_TRACE(depth == &first ? "main view" : "second window");
        size_t cockpit = 0, open = 0;
        for (size_t i = 0; i < depth->size(); ++i) {
            cockpit += (*depth)[i] < kCockpitDepths;
            open += i < depth->size() / 3 && (*depth)[i] >= 1.0f;
        }
        EXPECT_GT(double(cockpit) / double(depth->size()), 0.5) << "no cockpit";
        EXPECT_EQ(open, 0u) << "ground cut away";
    }
}

// A Camel dived into the ground on its nose and burning, the wind across the view from the north
// (Alt-2) camera: the smoke shows, and little of it is solid, where the column used to be one
// opaque slab with straight edges across half the view.
TEST_F(OnTheFront, ABurningWrecksSmokeAcrossTheViewIsSeenThrough) {
    c->sendCommand(input::CommandNumber::CameraViewFromNorth, kKeyDown);
    burnOnItsNose();  // the wind right to left in the view
    const std::vector<uint8_t> with = colours();
    for (OneSmokePiece& p : own().own.smokes) p.TimeStarted = -1000;
    const std::vector<uint8_t> without = colours();
    size_t smoke = 0, solid = 0;
    for (size_t i = 0; i < with.size(); i += 3) {
        const int change = std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) +
                           std::abs(with[i + 2] - without[i + 2]);
        if (change <= 30) continue;
        ++smoke;
        // How much of what lay behind the smoke hides, by brightness, against the smoke's own
        // (about 20 of 255 once the fire has burnt out of it).
        auto bright = [](const uint8_t* c) { return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]; };
        const double behind = bright(&without[i]);
        solid += (behind - bright(&with[i])) / std::max(1.0, behind - 20.0) > 0.9;
    }
    const double pixels = double(kWidth) * kHeight;
    EXPECT_GT(smoke / pixels, 0.05) << "no smoke";
    EXPECT_LT(solid / pixels, 0.03) << "a solid slab of smoke";
}

// Each aircraft's burning wreck, turned 60 deg from north, from its own seat (Alt-1), from the
// camera that keeps it and the nearest enemy in view (Alt-z) and from above it (Alt-5, the camera
// placed while the world runs). From above, its outline wanders as smoke's does, where puffs all
// alike on one line downwind gave it edges as straight as a ruler's. Its puffs, larger than their
// distance from the eye and half under the ground, were once cut by the ground through their middles along straight, stair-stepped
// lines across the view: smoke that shows with the ground taken away hidden over it, beside smoke
// that shows. From the Camel's and the Dr.I's seats, so turned, that edge ran along a row for 90
// and 190 px. None runs for a twelfth of the view; the ground in front of the puffs whole, at the
// column's foot seen from afar, hides a dozen.
TEST_F(OnTheFront, ABurningWrecksSmokeCloseByIsNotCutByTheGroundWithinIt) {
    for (int32_t type : {55, 64, 77}) {  // Camel, D.VII, Dr.I
        c->currentMission()->AircraftStarts[0].AircraftType = type;
        c->fromRestartMissionButton();
        c->sendCommand(input::CommandNumber::CameraInsidePilotHead, kKeyDown);
        burnOnItsNose(60.0);
        for (const auto camera : {input::CommandNumber::CameraInsidePilotHead, input::CommandNumber::YouAndNearestEnemyAircraft,
                                  input::CommandNumber::CameraViewFromAbove}) {
            SCOPED_TRACE(::testing::Message() << "type " << type << ", camera command " << int(camera));
            const bool above = camera == input::CommandNumber::CameraViewFromAbove;
            c->setRunning(true);
            c->sendCommand(camera, kKeyDown);
            c->doEachTick(1);
            if (above) testing::stepOneFrame(*c, 0);  // it rises to its height as the world runs
            c->setRunning(false);
            testing::stepOneFrame(*c, 0);  // the camera placed, the world still
            if (above) {
                EXPECT_GT(view->getMyEye()[1], own().live.attitude.Position[1] + 40.0) << "not above the wreck";
            }
            const std::vector<int> overGround = smokeStrength();
            ModelArray& models = *c->getModelArray();
            std::unique_ptr<ZephModel> terrain = models.take(ModelArray::kTerrain);
            const std::vector<int> noGround = smokeStrength();
            models.put(ModelArray::kTerrain, std::move(terrain));
            EXPECT_GT(std::count_if(noGround.begin(), noGround.end(), [](int s) { return s > 30; }),
                      kWidth * kHeight / 50)
                << "no smoke";
            EXPECT_LT(longestCut(overGround, noGround), kWidth / 12) << "cut by the ground";
            // The ruler-straight edges strayed from their lines by 1.5 px at most.
            if (above) {
                EXPECT_GT(outlineWander(noGround), 3.0) << "straight-edged smoke";
            }
        }
    }
}

}  // namespace
}  // namespace pellam
