// Observation balloons: turning into the wind by the shorter way and the wreck's smoke. Shot down,
// paused and replayed in the running game in the effects tests.
#include <gtest/gtest.h>

#include "objects/ArmedModels.h"
#include "objects/ArmedObjects.h"
#include "objects/Balloon.h"
#include "platform/Random.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using testing::ArmedWorld;

struct Balloons : ::testing::Test {
    Balloons() { platform::seedRandom(3); }
    ArmedWorld w;
    BalloonWWI& balloon(bool armed = true) {
        return w.unit<BalloonWWI>(armed ? armed::createArmedBalloon() : armed::createUnarmedBalloon(),
                                  {0, ArmedWorld::kGround + 1000, 0});
    }
    static bool patchShown(BalloonWWI& b) {
        return !(b.ModelPointsPolys().ThePolygons[armed::balloon::kPatch].DrawHints & 0x2);
    }
};

TEST_F(Balloons, TurnsItsNoseIntoTheWindByTheShorterWay) {
    BalloonWWI& b = balloon();
    b.setWindSpeed(10, 90);
    b.callEveryTick(true, 1, false);
    EXPECT_NEAR(b.getObjectHeading(), -0.45, 1e-9);
    for (int32_t t = 2; t < 3000; ++t) b.callEveryTick(true, t, false);
    EXPECT_NEAR(b.getObjectHeading(), -90.0, 0.1);
    // The nose (+z) points where the wind comes from.
    double m[16] = {}, nose[3];
    const double z[3] = {0, 0, 1};
    ZephModel::quaternionToMatrix(b.ModelAttitude.QAttitude.data(), m);
    ZephModel::RotateVector(z, nose, m);
    EXPECT_NEAR(nose[0], -1.0, 0.01);
    EXPECT_NEAR(BalloonWWI::windHeading(-170), 10.0, 1e-12);
}

// The wreck's smoke drifts with the wind by the tick: drawing more or fewer frames moves nothing.
TEST_F(Balloons, SmokeDriftsByTheTick) {
    BalloonWWI& b = balloon();
    b.setWindSpeed(20, 45);
    b.ThisModel.TheObject.GlobalDeadTime = 5;
    b.ModelAttitude.Position[1] = ArmedWorld::kGround + 1.0;  // already down
    for (int32_t t = 5; t < 50; ++t) {
        b.callEveryTick(true, t, false);
        for (int f = 0; f < (t % 3) * 4; ++f) {
            b.getDrawingData(t);
            b.drawMySmokeItems();
        }
    }
    const GunnerSmoke& first = b.Gunner.OurSmokes[0];
    const double moved = first.XYZPosition[1] - (b.ModelAttitude.Position[1] + 15.0);
    EXPECT_NEAR(moved, 44 * 0.5, 2.0 + 1e-9);  // 44 ticks of rise from 13..17 ft up
}

}  // namespace
}  // namespace pellam
