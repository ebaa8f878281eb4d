// The game's own frame in its benchmark scenes, drawn with the shortcuts that may move a pixel a
// little, against the same moment drawn by the plain rules: at most 1 % of the pixels more than 16
// levels apart in a colour, and none of those in the middle third of the screen, where the pilot
// aims; and the shortcuts that cannot move a pixel (the world cut to the cockpit cover's open
// rows, far ground triangles lying between the pixel centres left out) move none. Runs the real
// controller and view under Xvfb.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "bench/render/FrameRead.h"
#include "bench/render/GameScene.h"
#include "platform/Paths.h"
#include "tests/PictureRule.h"
#include "tests/TestFolder.h"
#include "world/draw/WorldDraw.h"

namespace pellam {
namespace {

TEST(GameFrame, ItsShortcutsChangeNothingAPlayerCanTellInAnyScene) {
    if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
    testing::TestFolder folder("pellam frame picture");
    GameScene scene(folder.file("defaults.json"), [](platform::UserDefaults& defaults) {
        auto view = std::make_unique<render::MyZephGLView>(defaults);
        return view->initWithFrame({0, 0, 1024, 768}) ? std::move(view) : nullptr;
    });
    ASSERT_TRUE(scene.view);
    ASSERT_TRUE(scene.game->modelAt(ModelArray::kFirstAircraft));
    long unlitTriangles = 0;
    for (const auto& [shot, name] : kShots) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(scene.set(shot));
        platform::RGBAImage drawn[2];
        for (const bool exact : {true, false}) {
            scene.view->setExactDrawing(exact);
            platform::presentationRandom().seed(21);  // the same flicker and drift in both
            drawn[exact] = readNextFrame(*scene.view);
        }
        const platform::RGBAImage& reference = drawn[1];
        ASSERT_GE(reference.width, 640);
        ASSERT_EQ(drawn[0].pixels.size(), reference.pixels.size());
        // A scene worth comparing: the world is in it, not one colour.
        std::set<uint32_t> colours;
        for (size_t i = 0; i < reference.pixels.size() && colours.size() < 500; i += 4 * 97)
            colours.insert(uint32_t(reference.pixels[i]) << 16 | reference.pixels[i + 1] << 8 | reference.pixels[i + 2]);
        EXPECT_GE(colours.size(), 500u);
        const testing::PixelsApart apart = testing::pixelsApart(drawn[0], reference);
        EXPECT_LE(apart.count, reference.width * reference.height / 100);
        EXPECT_EQ(apart.middle, 0);
        // The world left out behind the cockpit's cover changes no pixel at all.
        scene.view->setScissorsWorld(false);
        platform::presentationRandom().seed(21);
        const platform::RGBAImage whole = readNextFrame(*scene.view);
        scene.view->setScissorsWorld(true);
        EXPECT_TRUE(whole.pixels == drawn[0].pixels);
        // Nor does the cockpit's cover drawn in colour before the world instead of after it.
        scene.view->setCoverFirst(false);
        platform::presentationRandom().seed(21);
        const platform::RGBAImage after = readNextFrame(*scene.view);
        scene.view->setCoverFirst(true);
        EXPECT_TRUE(after.pixels == drawn[0].pixels);
        // Nor do the far ground's triangles that fall between the pixel centres, nor the ground the
        // GL must clip drawn apart from the rest.
        auto& ground = scene.view->terrainDrawer();
        unlitTriangles += ground.trianglesUnlit();
        ground.SkipsUnseenWork = ground.SeparatesClipped = false;
        platform::presentationRandom().seed(21);
        const platform::RGBAImage allSent = readNextFrame(*scene.view);
        ground.SkipsUnseenWork = ground.SeparatesClipped = true;
        EXPECT_TRUE(allSent.pixels == drawn[0].pixels);
        // The objects' triangles of one colour at every point filled flat move a colour by at most
        // the one level that interpolating the same colour with perspective rounds it by.
        scene.view->setFlatShading(false);
        platform::presentationRandom().seed(21);
        const platform::RGBAImage smooth = readNextFrame(*scene.view);
        scene.view->setFlatShading(true);
        ASSERT_EQ(smooth.pixels.size(), drawn[0].pixels.size());
        EXPECT_LE(testing::farthestApart(smooth, drawn[0]), 1);
        // The cockpit's pictures read from the one mip level nearest each pixel's scale, not a
        // blend of two, move a colour by a few levels; and the reading is the cockpit's alone, put
        // back for whatever is drawn next.
        scene.view->setNearestLevelInCockpit(false);
        platform::presentationRandom().seed(21);
        const platform::RGBAImage blended = readNextFrame(*scene.view);
        scene.view->setNearestLevelInCockpit(true);
        ASSERT_EQ(blended.pixels.size(), drawn[0].pixels.size());
        EXPECT_LE(testing::farthestApart(blended, drawn[0]), 16);
        GLint sampler = -1;
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        EXPECT_EQ(sampler, 0);
    }
    EXPECT_GT(unlitTriangles, 1000) << "far ground between the pixel centres";
}

}  // namespace
}  // namespace pellam
