// Values that come from records and mission files at the limits of their type: bounded where
// they enter, so the arithmetic on them later cannot overflow.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tests/aircraft/CamelWorld.h"
#include "world/RIDUdidav.h"

namespace pellam::testing {
namespace {

TEST(ValuesFromFiles, ABailOutTimeAtTheLimitInAReplayRecordFliesOn) {
    CamelWorld w;
    w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    w.a().GuyBailedOut = 1;
    w.camel->BailSpeeds = {0.0, 1.0, 0.0};
    w.camel->BailOutPosition.Position = {0.0, 2900.0, 0.0};
    w.camel->saveCurrentReplayData(22);
    const int32_t earliest = INT_MIN;
    std::memcpy(w.camel->ReplayBufferAddress.data() + 104, &earliest, 4);  // the record's bail-out tick
    w.camel->readCurrentReplayData(22);
    w.controller.missionTime = 22;
    w.run(300);
    EXPECT_TRUE(w.finite());
    EXPECT_TRUE(w.camel->SuccessfulChuteOpening);  // the chute's clock ran from the bounded tick
}

TEST(ValuesFromFiles, ACloudCodeAtTheLimitStaysACloudLayer) {
    RIDUdidav terrain;
    terrain.SetDetailsForLayer(0, INT_MAX, 1000.0, 1020.0);  // thin: the code steps up by one
    EXPECT_GT(terrain.getCloudLayer(0).TextureNumber, 2);
    EXPECT_EQ(terrain.getCloudLayer(0).TextureNumber % 2, 0);  // drawn thin
    terrain.SetDetailsForLayer(1, INT_MIN, 1000.0, 2000.0);
    EXPECT_EQ(terrain.getCloudLayer(1).TextureNumber, 0);
}

}  // namespace
}  // namespace pellam::testing
