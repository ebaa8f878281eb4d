#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <vector>

#include "core/ZephModel.h"
#include "game/GameController.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"
#include "tests/TestFolder.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

// ---- Frame pacing, on a clock the test drives: the frame's work costs `work` ticks.
struct PacingRig {
    uint32_t now = 100000;
    FramePacer pacer;
    platform::ScopedTickSource source{[this] { return static_cast<int32_t>(now); }};
    int32_t frame(uint32_t work, FramePacer::Inputs in = {true, false}) {
        now += work;
        return pacer.wait1Tick(in, [this](uint32_t until) { now = std::max(now, until); });
    }
};

// Slow work lowers the frame rate at once and keeps the clock's pace; fast work raises it a step
// at a time, never past one tick a frame; a stall runs at most five steps, ten in fast time.
TEST(FramePacing, FollowsTheWorkAndBoundsAStall) {
    PacingRig rig;
    rig.pacer.lastTickCount = rig.now;
    rig.pacer.LastAdjustTime = rig.now;
    int32_t steps = 0;
    for (int i = 0; i < 60; ++i) steps += rig.frame(2);
    EXPECT_EQ(steps, 120);
    EXPECT_EQ(rig.pacer.TickMinimum, 2);
    for (int i = 0; i < 600; ++i) rig.frame(0);
    EXPECT_EQ(rig.pacer.TickMinimum, 1);
    EXPECT_EQ(rig.frame(600), 5);
    EXPECT_EQ(rig.frame(600, {true, true}), 10);
    // The first frame of all (last tick 0) is a stall too.
    FramePacer fresh;
    platform::ScopedTickSource late([] { return 5000000; });
    EXPECT_EQ(fresh.wait1Tick({true, false}, [](uint32_t) {}), 5);
}

// A mission started from its window flies on at the pause's 20 frames a second and climbs back a
// step at a time, 240 ticks apart, as its work allows; a resume from the keyboard asks for no wait
// and runs at 60 at once. The drawing's warm-up is stepped but does not lower the rate; a slow
// frame of the flight's own still does.
TEST(FramePacing, AStartClimbsBackFromThePausedRateAndTheWarmUpDoesNotSlowIt) {
    PacingRig rig;
    rig.pacer.lastTickCount = rig.pacer.LastAdjustTime = rig.now;
    for (int i = 0; i < 10; ++i) rig.frame(0, {false, false});
    EXPECT_EQ(rig.frame(0, {false, false}), 3);
    EXPECT_EQ(rig.frame(41), 41);  // the loading's ticks are the world's, as any others
    std::vector<uint32_t> climbs{rig.pacer.LastAdjustTime};
    for (int32_t pace = 3, i = 0; pace > 1 && i < 1000; ++i) {
        ASSERT_EQ(rig.frame(0), pace);
        if (rig.pacer.TickMinimum != pace) {
            ASSERT_EQ(rig.pacer.TickMinimum, --pace);
            climbs.push_back(rig.now);
        }
    }
    ASSERT_EQ(climbs.size(), 3u);
    for (int k = 1; k < 3; ++k) {
        EXPECT_GE(climbs[k] - climbs[k - 1], 241u) << k;
        EXPECT_LE(climbs[k] - climbs[k - 1], 243u) << k;
    }

    for (int i = 0; i < 3; ++i) rig.frame(0, {false, false});
    EXPECT_EQ(rig.pacer.TickMinimum, 3);
    rig.pacer.TickMinimum = 0;  // the pause key's resume
    EXPECT_EQ(rig.frame(1), 1);
    EXPECT_EQ(rig.pacer.TickMinimum, 1);

    rig.pacer.setAside(40);
    EXPECT_EQ(rig.frame(41), 41);
    EXPECT_EQ(rig.pacer.TickMinimum, 1);
    rig.pacer.setAside(5);  // more set aside than the frame took counts for no more than it took
    EXPECT_EQ(rig.frame(2), 2);
    EXPECT_EQ(rig.pacer.TickMinimum, 1);
    EXPECT_EQ(rig.frame(2), 2);
    EXPECT_EQ(rig.pacer.TickMinimum, 2);
}

// Every tick the clock moves is stepped once, even one that passes while a frame reads the clock
// (here the clock moves on at every reading, the worst case).
TEST(FramePacing, LosesNoTickBetweenReadings) {
    uint32_t clock = 100000;
    platform::ScopedTickSource source([&clock] { return static_cast<int32_t>(clock++); });
    FramePacer pacer;
    pacer.lastTickCount = pacer.LastAdjustTime = clock;
    const uint32_t start = pacer.lastTickCount;
    int64_t steps = 0;
    for (int i = 0; i < 100; ++i) steps += pacer.wait1Tick({true, false}, [](uint32_t) {});
    EXPECT_EQ(steps, int64_t(pacer.lastTickCount - start));
}

// ---- The controller against a store of its own and neighbours that record what they are told.
struct RecordingSound : SilentSound {
    std::vector<double> overall;
    bool audioOn = false;
    void setAppGlobalVolume(double v) override { overall.push_back(v); }
    void setCoreAudioOnOff(bool on) override { audioOn = on; }
};

struct RecordingView : StandInView {
    std::vector<bool> vbl;
    void setVBLSyncing(bool on) override { vbl.push_back(on); }
};

struct RecordingDesktop : StandInDesktop {
    bool active = true;
    uint32_t* clock = nullptr;  // a test's clock, moved on by the frame's wait
    void sleepUntilTick(uint32_t tick) override {
        if (clock) *clock = std::max(*clock, tick);
    }
    bool isApplicationActive() override { return active; }
};

struct Stepping : ZephModel {
    int steps = 0, ticks = 0;
    void driveModel(int32_t, int32_t, bool, bool) override { ++steps; }
    void callEveryTick(bool, int32_t, bool) override { ++ticks; }
};

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override { store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string()); }

    std::unique_ptr<VADArizodazar2> make() {
        auto c = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get(), &view_, nullptr, &desktop_, nullptr},
            VADArizodazar2::Content{[this] {
                                        auto s = std::make_unique<RecordingSound>();
                                        sound_ = s.get();
                                        return s;
                                    },
                                    // An empty fixed world: these tests are about the controller itself.
                                    [](ModelArray&, GameController&) {}});
        return c;
    }

    testing::TestFolder dir_{"pellam controller"};
    fs::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    RecordingView view_;
    RecordingDesktop desktop_;
    RecordingSound* sound_ = nullptr;
};

// The game's first launch, then its frame loop: signed in, flying, sent to the background and back.
TEST_F(ControllerTest, FirstLaunchThenTheFrameLoop) {
    auto c = make();
    c->interface().toOverallVolume.intValue = 0;  // a slider left at 0 is stored as 1, never as "full"
    c->awakeFromNib();
    EXPECT_EQ(store_->integerForKey("OverallVolumeKey"), 1);
    ASSERT_FALSE(sound_->overall.empty());
    EXPECT_EQ(sound_->overall.back(), 0.0);
    EXPECT_TRUE(view_.vbl.empty());  // start-up never sends "off"
    EXPECT_TRUE(c->interface().toPilotSignInWindow.open);

    auto* aircraft = static_cast<Stepping*>(c->getModelArray()->put(2, std::make_unique<Stepping>()));
    auto* pool = static_cast<Stepping*>(c->getModelArray()->put(10, std::make_unique<Stepping>()));
    uint32_t now = 1000;
    platform::ScopedTickSource clock([&] { return static_cast<int32_t>(now); });
    desktop_.clock = &now;
    c->pacer().lastTickCount = now;
    c->pacer().LastAdjustTime = now;

    // Paused with the sign-in window up: the world stands, aircraft, objects and clock.
    now += 3;
    c->timerLooper();
    EXPECT_EQ(c->clock().GlobalMissionTime, 0);
    EXPECT_EQ(aircraft->steps, 0);
    EXPECT_EQ(pool->ticks, 0);

    // Signed in: the next frame in front opens the mission list once; Fly runs the game.
    c->fromPlayerSignInOkay();
    c->timerLooper();
    EXPECT_TRUE(c->missionWindowControls().toSelectMission.open);
    EXPECT_FALSE(c->missionSelectionPending());
    c->fromFlyMissionButton();
    EXPECT_TRUE(c->clock().gamePause);
    for (int i = 0; i < 20; ++i) c->timerLooper();
    EXPECT_EQ(c->clock().GlobalMissionTime, aircraft->steps);
    EXPECT_EQ(c->clock().GlobalMissionTime, 60);  // three ticks a frame: the pause's pace, climbed from later

    // In the background the sound stops; the frame's steps still run, then the game pauses.
    desktop_.active = false;
    const int32_t before = c->clock().GlobalMissionTime;
    c->timerLooper();
    EXPECT_FALSE(sound_->audioOn);
    EXPECT_GT(c->clock().GlobalMissionTime, before);
    EXPECT_FALSE(c->clock().gamePause);
    // Back in front with a refused mission: beep, pause, arrow cursor.
    desktop_.active = true;
    c->setMissionNumber(missions::MissionTable::kFirstUser);  // a host's user mission this player lacks
    ASSERT_TRUE(c->clock().ShouldNotPlay);
    c->setRunning(true);
    const long beeps = platform::beepCount();
    c->timerLooper();
    EXPECT_FALSE(c->clock().gamePause);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(c->cursorType(), 0);
}

}  // namespace
}  // namespace pellam
