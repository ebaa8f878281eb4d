// A convoy of two lorries and a tank drives a path along the generated roads, round a bend and
// over the long bridge's deck, without leaving the road or sinking into the ground.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ObjectFakes.h"
#include "objects/Tanks.h"
#include "objects/TruckWWI.h"
#include "platform/ByteOrder.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;

// Level country at the bridge deck's height, a valley under the bridge, and a road north up
// column 1323 that bends east at row 1053 and runs on for two squares.
struct RoadGrid {
    std::vector<uint8_t> Elevation = std::vector<uint8_t>(kElevationBytes);
    std::vector<uint8_t> Surface = std::vector<uint8_t>(kSurfaceBytes, kPasture);
    void height(int i, int j, int metres) { platform::writeBEShort(&Elevation[2 * (size_t(j) * kGridSize + i)], int16_t(metres)); }
    void road(int i, int j, uint8_t edges) { Surface[size_t(j) * kGridSize + i] = uint8_t(edges << 4 | kPasture); }
    RoadGrid() {
        for (int j = 1030; j < 1070; ++j)
            for (int i = 1310; i < 1340; ++i) height(i, j, 259);  // 849.7 ft
        for (int i = 1310; i < 1340; ++i) height(i, 1049, 230);   // the river's valley
        for (int j = 1038; j < 1053; ++j) road(1323, j, kEdgeLowZ | kEdgeHighZ);
        road(1323, 1053, kEdgeLowZ | kEdgeHighX);
        for (int i = 1324; i <= 1326; ++i) road(i, 1053, kEdgeLowX | kEdgeHighX);
    }
};

TEST(Convoy, DrivesTheRoadAndTheBridgeDeck) {
    auto grid = std::make_unique<RoadGrid>();
    auto terrain = std::make_unique<RIDUdidav>();
    std::string error;
    ASSERT_TRUE(terrain->setWorldData(grid->Elevation, grid->Surface, error)) << error;
    ModelArray models;
    RIDUdidav* ground = static_cast<RIDUdidav*>(models.put(ModelArray::kTerrain, std::move(terrain)));
    fakes::RecordingController controller;
    controller.models = &models;

    std::array<aiFlyToPoint, 200> path{};
    path[0].PointXYZ = {1326.5 * kSquareFeet, 0, 1053.5 * kSquareFeet};
    path[0].Flags = GroundVehicle::kFollowRoads;
    path[0].NextPoint = -1;

    std::vector<std::unique_ptr<GroundVehicle>> convoy;
    convoy.push_back(std::make_unique<TruckWWI>());
    convoy.push_back(std::make_unique<TruckWWI>());
    convoy.push_back(std::make_unique<TankWWI>());
    for (size_t k = 0; k < convoy.size(); ++k) {
        convoy[k]->setModelType(k == 2 ? 75 : 14);
        fakes::startUnit(*convoy[k], &controller, nullptr, {1323 * kSquareFeet + 900, 849.7, (1044.5 - 1.0 * k) * kSquareFeet});
        convoy[k]->setPathStart(1, path.data());
    }

    int onDeck = 0;
    for (int32_t t = 1; t < 40000; ++t) {
        bool driving = false;
        for (auto& vehicle : convoy) {
            GroundVehicle& v = *vehicle;
            v.callEveryTick(true, t, false);
            v.getDrawingData(t);  // a frame a tick: the deck holds a vehicle up
            driving |= v.own.currentDrivePath != 0;
            const double x = v.live.attitude.Position[0], y = v.live.attitude.Position[1], z = v.live.attitude.Position[2];
            const double i = std::floor(x / kSquareFeet), j = std::floor(z / kSquareFeet);
            const double lx = x - i * kSquareFeet, lz = z - j * kSquareFeet;
            SCOPED_TRACE(::testing::Message() << "tick " << t << " at " << x << ", " << z);
            ASSERT_GE(y, ground->getAltitudeAtX(x, z) - 0.01);
            if (j < 1053) {
                ASSERT_EQ(i, 1323);
                ASSERT_NEAR(lx, 900, 60);
            } else if (i == 1323) {
                ASSERT_GT(lx, 780);  // the bend keeps to the south-east corner
                ASSERT_LT(lz, 1000);
            } else {
                ASSERT_EQ(j, 1053);
                ASSERT_NEAR(lz, 885, 70);
            }
            if (z > kBridgeMinZ + 40 && z < kBridgeMaxZ - 40) {
                ASSERT_NEAR(y, kBridgeDeckFeet, 0.05);
                ++onDeck;
            }
        }
        if (!driving) break;
    }
    for (auto& v : convoy) {
        EXPECT_EQ(v->own.currentDrivePath, 0);
        EXPECT_EQ(std::floor(v->live.attitude.Position[0] / kSquareFeet), 1326);
    }
    EXPECT_GT(onDeck, 3 * 3000);
}

}  // namespace
}  // namespace pellam
