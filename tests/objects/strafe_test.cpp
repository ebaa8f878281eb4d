// The end of the convoy's day: a Camel comes down low behind a lorry on the road and strafes it
// with the guns the game fires, bullets checked against ground objects every tick, until the
// lorry is a wreck and the kill is the Camel's.
#include <gtest/gtest.h>

#include <cmath>

#include "aircraft/ObjectTestFile.h"
#include "game/VADArizodazar2.h"
#include "objects/EffectObjects.h"
#include "objects/TruckWWI.h"
#include "tests/objects/RunningGame.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

class Strafe : public testing::RunningGame {
protected:
    Strafe() : RunningGame("pellam strafe", kGround, kCamelHeight) {}

    static constexpr double kGround = 100.0, kCamelHeight = kGround + 22.0;
};

TEST_F(Strafe, ACamelFlyingLowAlongTheRoadShootsTheLeadLorryToAWreck) {
    for (int i = 0; i < 20; ++i) frame();
    // Down to the deck, nose a touch down, flying east along the road.
    const auto& at = player->ModelAttitude.Position;
    player->SetUpAircraft(at[0], kCamelHeight, at[2], 90.0, -2.0, 95.0, 0.8);
    frame();
    ASSERT_LT(player->ModelAttitude.Position[1], kCamelHeight + 20.0);
    player->gunsOnOff(1);
    for (int i = 0; i < 10; ++i) frame();
    // The line of the Camel's fire, slanting down: its newest bullet, carried on to lorry height.
    const FireLine fire = lineOfFire();
    ASSERT_LT(fire.way[1], 0.0);
    const double s = (fire.from[1] - (kGround + 5.0)) / -fire.way[1];
    ASSERT_GT(s, 50.0);
    ASSERT_LT(s, 800.0);
    const auto aim = fire.at(s);
    const double level = std::hypot(fire.way[0], fire.way[2]);
    const double heading[2] = {fire.way[0] / level, fire.way[2] / level};

    // The lead lorry drives away from the Camel down a straight road.
    ModelArray& models = *c->getModelArray();
    std::array<aiFlyToPoint, 200> path{};
    path[0].PointXYZ = {aim[0] + heading[0] * 20000, 0, aim[2] + heading[1] * 20000};
    path[0].NextPoint = -1;
    auto lorry = std::make_unique<TruckWWI>();
    lorry->setaController(c.get());
    lorry->initWithGLView(nullptr);
    lorry->setModelType(14);
    QNion start;
    lorry->setStartingModelQNionX(aim[0], kGround, aim[2], &start);
    lorry->setOPPHeading(std::atan2(heading[0], heading[1]) * 180.0 / M_PI);  // already facing down the road
    lorry->setTeam(player->getTeamNumber() + 1);
    lorry->resetModel();
    lorry->setPathStart(1, path.data());
    auto* lead = static_cast<TruckWWI*>(models.append(std::move(lorry)));
    const long leadIndex = models.indexOf(lead);
    const double startX = lead->ModelAttitude.Position[0], startZ = lead->ModelAttitude.Position[2];
    Object3DData& o = lead->ThisModel.TheObject;

    float hitsSeen = 0;
    int ticks = 0;
    for (; ticks < 900 && !lead->areYouDead(); ++ticks) {
        frame();
        ASSERT_GE(o.ObjectHits, hitsSeen);  // damage only accumulates
        hitsSeen = o.ObjectHits;
    }
    player->gunsOnOff(0);
    SCOPED_TRACE(::testing::Message() << "lorry at " << lead->ModelAttitude.Position[0] << ", "
                                      << lead->ModelAttitude.Position[1] << ", " << lead->ModelAttitude.Position[2]
                                      << " aim " << aim[0] << ", " << aim[1] << ", " << aim[2] << " hits "
                                      << o.ObjectHits);
    ASSERT_TRUE(lead->areYouDead());
    EXPECT_TRUE(lead->areYouDestroyed());
    EXPECT_GE(o.ObjectHits, o.ObjectHitsWhenDead);
    EXPECT_NE(o.GlobalDeadTime, 0);
    EXPECT_EQ(o.WhoKilledMe, 0);
    EXPECT_GE(leadIndex, ModelArray::kFirstMissionObject);
    // It was a moving target: the lorry drove on under fire.
    EXPECT_GT(std::hypot(lead->ModelAttitude.Position[0] - startX, lead->ModelAttitude.Position[2] - startZ), 1.0);

    // A wreck stays a wreck: more fire neither revives it nor moves its credit.
    const float wreckHits = o.ObjectHits;
    for (int i = 0; i < 100; ++i) frame();
    EXPECT_TRUE(lead->areYouDestroyed());
    EXPECT_EQ(o.WhoKilledMe, 0);
    EXPECT_EQ(o.ObjectHits, wreckHits);
}

}  // namespace
}  // namespace pellam
