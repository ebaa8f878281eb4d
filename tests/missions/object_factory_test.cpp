#include <gtest/gtest.h>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "missions/ObjectFactory.h"
#include "objects/Bomber.h"
#include "tests/flight/TestWorld.h"
#include "world/FirstCloud.h"
#include "world/TexturedSkyDome.h"

namespace pellam::missions {
namespace {

ObjectForMission row(int32_t code, double x = 0, double y = 0, double z = 0, double heading = 0, int32_t seed = 0,
                     int32_t subType = 0) {
    return ObjectForMission{code, {x, y, z}, 0.0, heading, 0, 0, seed, subType};
}

// Records what the factory sends to a ground object.
struct Recorder : ZephModel {
    double oppHeading = -1, speed = -1;
    int32_t team = -1, points = -1;
    ZephModel* terrain = nullptr;
    void setOPPHeading(double d) override { oppHeading = d; }
    void setObjectSpeedMPH(double mph) override { speed = mph; }
    void setTeam(int32_t t) override { team = t; }
    void setObjectPoints(int32_t p) override { points = p; }
    void setTerrain(ZephModel* t) override { terrain = t; }
};

// A mission's rows, known and unknown, each land at their own index; the world's terrain is the
// one the run keeps, and placement stands objects on it.
TEST(ObjectFactory, EveryRowKeepsItsIndexAndIsPlaced) {
    ObjectFactory factory;
    int32_t next = 0;
    const int32_t draws[] = {-32768, 0, 30000};  // 55, 77, 64
    auto keptTerrain = std::make_unique<testing::HeightField>([](double x, double z) { return 100.0 + x / 100.0; });
    ZephModel* terrain = keptTerrain.get();
    std::unique_ptr<ZephModel> kept = std::move(keptTerrain);
    long debris = -1;
    FactoryContext context;
    context.terrain = &kept;
    context.debrisItem = &debris;
    context.draw = [&] { return draws[next++ % 3]; };
    factory.registerKind(65, [] { return std::make_unique<Recorder>(); });

    ModelArray array;
    const ObjectForMission rows[] = {
        row(1),     row(54), row(3), row(1001), row(5000), row(1002), row(1000), row(4),
        row(5, 10, 6000, 20, 0, 77, 9), row(0), row(-7), row(54), row(65, 500, -1, 40, 90),
        row(79, 300, 0.0, 10),
    };
    ObjectForMission flak = rows[12];
    flak.SpeedMPH = 12;
    flak.Team = 2;
    flak.Points = 60;
    flak.SubType = 2;
    for (const ObjectForMission& r : rows) factory.loadCorrectObject(&r == &rows[12] ? flak : r, array, context);

    ASSERT_EQ(array.size(), 14);
    EXPECT_NE(dynamic_cast<TexturedSkyDome*>(array.at(0)), nullptr);
    EXPECT_EQ(array.at(1), terrain);
    EXPECT_EQ(kept, nullptr);
    EXPECT_NE(dynamic_cast<ObjectTestFile*>(array.at(2)), nullptr);  // 3 reads 55
    EXPECT_EQ(aircraftTypeOf(array.at(3)), 55);
    EXPECT_EQ(aircraftTypeOf(array.at(4)), 77);
    EXPECT_EQ(aircraftTypeOf(array.at(5)), 64);
    EXPECT_EQ(aircraftTypeOf(array.at(6)), 0);  // 1000 is not a random aircraft
    EXPECT_EQ(debris, 7);
    auto* cloud = dynamic_cast<FirstCloud*>(array.at(8));
    ASSERT_NE(cloud, nullptr);
    EXPECT_GT(cloud->spriteCount(), 0);
    for (long i : {9L, 10L, 11L}) EXPECT_NE(dynamic_cast<PlaceholderObject*>(array.at(i)), nullptr) << i;
    auto* bomber = dynamic_cast<AircoDH4*>(array.at(13));  // 79: the bomber in British colours
    ASSERT_NE(bomber, nullptr);
    EXPECT_EQ(bomber->Livery, AircoDH4::kBritishLivery);

    // Placement: a negative Y stands on the ground there, 0 stays 0; the heading turns the start pose.
    auto* recorder = dynamic_cast<Recorder*>(array.at(12));
    ASSERT_NE(recorder, nullptr);
    EXPECT_DOUBLE_EQ(recorder->live.attitude.Position[1], 105.0);
    EXPECT_DOUBLE_EQ(recorder->ObjectGroundAltitude, 105.0);
    EXPECT_EQ(recorder->ModelStartPosition.QAttitude, recorder->live.attitude.QAttitude);
    EXPECT_NEAR(std::fabs(recorder->live.attitude.QAttitude[0]), std::sqrt(0.5), 1e-9);
    EXPECT_EQ(recorder->oppHeading, 90.0);
    EXPECT_EQ(recorder->speed, 12.0);
    EXPECT_EQ(recorder->team, 2);
    EXPECT_EQ(recorder->points, 60);
    EXPECT_EQ(recorder->terrain, terrain);
    EXPECT_EQ(array.at(13)->live.attitude.Position[1], 0.0);
    EXPECT_EQ(array.at(13)->live.attitude.QAttitude, (Quaternion{1.0, 0.0, 0.0, 0.0}));
    EXPECT_DOUBLE_EQ(array.at(8)->live.attitude.Position[1], 6000.0);
}

}  // namespace
}  // namespace pellam::missions
