// The controller lets the view keep its picture only while the world stands still, and tells it
// when a command may have changed what the picture shows.
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using KeptScene = WorldRig;

TEST_F(KeptScene, KeptWhilePausedRedrawnAfterEachCommandDrawnLiveWhileRunningOrNetworked) {
    frame();
    EXPECT_TRUE(c->gamePause);
    EXPECT_FALSE(view.keep);  // running: every frame is drawn

    input.stroke(1);  // pause
    drain();
    frame();
    EXPECT_FALSE(c->gamePause);
    EXPECT_TRUE(view.keep);

    // A camera command while paused: the view is told, and keeps the new picture afterwards.
    const int before = view.changes;
    input.stroke(49);  // the view from above
    drain();
    EXPECT_GT(view.changes, before);
    EXPECT_TRUE(view.keep);
    const int settled = view.changes;
    frame();
    frame();
    EXPECT_EQ(view.changes, settled);  // nothing happened: nothing to redraw

    // In a network game the other players move on while this one is paused.
    network.mode = 1;
    frame();
    EXPECT_FALSE(view.keep);
    network.mode = 0;
    frame();
    EXPECT_TRUE(view.keep);

    input.stroke(1);  // running again
    drain();
    frame();
    EXPECT_TRUE(c->gamePause);
    EXPECT_FALSE(view.keep);
}

}  // namespace
}  // namespace pellam::testing
