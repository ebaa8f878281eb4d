// Ground clutter: trees planted ahead of the eye on wooded slopes, dropped behind and far ahead,
// a paused game, and ground where no tree can stand.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/GroundClutter.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::FakeTerrain;
using fakes::RecordingController;
using fakes::RecordingView;

struct ClutterTest : ::testing::Test {
    RecordingController controller;
    FakeTerrain terrain;
    RecordingView view;
    GroundClutter trees;
    void SetUp() override {
        trees.setaController(&controller);
        trees.setTerrain(&terrain);
        trees.initWithGLView(&view);
    }
};

TEST_F(ClutterTest, TreesStandAheadOnWoodedSlopesAndOffTheRoadsAsTheEyeFliesOn) {
    // Below the origin on both axes, where a square's place must still count from its low edge.
    terrain.height = [](double x, double z) { return 300.0 + 0.05 * std::fmod(std::fabs(x + z), 1000.0); };
    terrain.texture = [](double x, double z) { return std::fmod(std::fabs(x), 20000.0) < 12000.0 ? 2 : 3; };
    srandom(7);
    for (int32_t t = 1; t <= 1500; ++t) {
        view.placeEye(-500000.0 - 20.0 * t, 1500, -800000.0);  // flying west along -X: eye looks along +Z
        trees.getDrawingData(t);
        for (const auto& tree : trees.GCTrees) {
            if (tree.Size == 0.0) continue;
            const double depth = tree.XYZPosition[2] - view.eyeTM[14];
            EXPECT_GE(depth, -500.0);
            EXPECT_LE(depth, 12500.0);
            EXPECT_EQ(terrain.texture(tree.XYZPosition[0], tree.XYZPosition[2]), 2);
            EXPECT_GE(tree.Size, 0.9);
            EXPECT_LE(tree.Size, 1.4);
            const double inSquare = tree.XYZPosition[2] - 1760.0 * std::floor(tree.XYZPosition[2] / 1760.0);
            EXPECT_FALSE(inSquare > 840.0 && inSquare < 900.0) << tree.XYZPosition[2];
        }
    }
    EXPECT_GT(trees.liveTrees(), 150);
    EXPECT_LE(trees.liveTrees(), GroundClutter::kTrees);
    // Each tree is drawn as two crossed planes of its size, standing on its ground.
    ASSERT_FALSE(view.drawn.empty());
    const auto& last = view.drawn.back();
    EXPECT_EQ(last.polygons.size(), size_t(2 * GroundClutter::kTrees));
    for (int i = 0; i < GroundClutter::kTrees; ++i) {
        const auto& tree = trees.GCTrees[i];
        if (tree.Size == 0.0) continue;
        const auto foot = fakes::worldOf(last, last.points[8 * i + 3]), top = fakes::worldOf(last, last.points[8 * i]);
        EXPECT_NEAR(top[1] - foot[1], 44.0 * tree.Size, 1e-3);
        EXPECT_NEAR(foot[1], tree.XYZPosition[1], 1e-3);
        break;
    }
}

TEST_F(ClutterTest, TreesAreDroppedJustPastTheirLimitsBehindAndAhead) {
    const double eye[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    terrain.texture = [](double, double) { return 0; };  // no new trees to confuse the count
    const double depths[4] = {12500.0, 12500.1, -500.0, -500.1};
    for (int k = 0; k < 4; ++k) {
        trees.GCTrees[k].XYZPosition = {0, 100, depths[k]};
        trees.GCTrees[k].Size = 1.0;
    }
    trees.GCTrees[4].XYZPosition = {380000, 100, -386000};  // on the aerodrome
    trees.GCTrees[4].Size = 1.0;
    trees.updateTrees(10, eye, eye);
    EXPECT_NE(trees.GCTrees[0].Size, 0.0);
    EXPECT_EQ(trees.GCTrees[1].Size, 0.0);
    EXPECT_NE(trees.GCTrees[2].Size, 0.0);
    EXPECT_EQ(trees.GCTrees[3].Size, 0.0);
    EXPECT_EQ(trees.GCTrees[4].Size, 0.0);
}

TEST_F(ClutterTest, NoTreeOnOpenLowOrLevelGroundAfterOneTryPerSlot) {
    for (int ground = 0; ground < 3; ++ground) {
        terrain.texture = [ground](double, double) { return ground == 0 ? 3 : 2; };
        terrain.height = [ground](double, double) { return ground == 1 ? 49.0 : 400.0; };
        terrain.plane = ground == 2 ? std::array<double, 4>{0, 1, 0, 0} : std::array<double, 4>{0.1, 0.99, 0, 0};
        terrain.queries = 0;
        view.drawn.clear();
        trees.getDrawingData(100 + ground);
        EXPECT_EQ(trees.liveTrees(), 0);
        EXPECT_EQ(terrain.queries, GroundClutter::kTrees);
        EXPECT_TRUE(view.drawn.empty());
    }
}

TEST_F(ClutterTest, APausedGameOrAReplayBehindTheLastPlantingChangesNoTreeButDrawsThem) {
    trees.getDrawingData(50);
    trees.getDrawingData(51);
    const auto before = trees.GCTrees;
    controller.running = false;
    view.placeEye(0, 0, 50000);  // every tree is now far behind
    trees.getDrawingData(60);
    EXPECT_EQ(trees.GCTrees, before);
    controller.running = true;
    trees.getDrawingData(40);
    EXPECT_EQ(trees.GCTrees, before);
    EXPECT_EQ(view.drawn.size(), 4u);
}

}  // namespace
}  // namespace pellam
