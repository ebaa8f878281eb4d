// The game's own frame in its benchmark scenes, drawn with the shortcuts that may move a pixel a
// little, against the same moment drawn by the plain rules: at most 1 % of the pixels more than 16
// levels apart in a colour, and none of those in the middle third of the screen, where the pilot
// aims. Runs the real controller and view under Xvfb.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "bench/render/FrameRead.h"
#include "bench/render/GameScene.h"
#include "platform/Paths.h"
#include "tests/TestFolder.h"

namespace pellam {
namespace {

struct Apart {
    int pixels = 0, middle = 0;
};

Apart apart(const platform::RGBAImage& a, const platform::RGBAImage& b) {
    Apart out;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const size_t i = (size_t(y) * a.width + x) * 4;
            int most = 0;
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a.pixels[i + c] - b.pixels[i + c]));
            if (most <= 16) continue;
            ++out.pixels;
            if (3 * x >= a.width && 3 * x < 2 * a.width && 3 * y >= a.height && 3 * y < 2 * a.height) ++out.middle;
        }
    return out;
}

TEST(GameFrame, ItsShortcutsChangeNothingAPlayerCanTellInAnyScene) {
    if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);
    testing::TestFolder folder("pellam frame picture");
    GameScene scene(folder.file("defaults.json"), [](platform::UserDefaults& defaults) {
        auto view = std::make_unique<render::MyZephGLView>(defaults);
        return view->initWithFrame({0, 0, 1024, 768}) ? std::move(view) : nullptr;
    });
    ASSERT_TRUE(scene.view);
    ASSERT_TRUE(scene.game->modelAt(ModelArray::kFirstAircraft));
    const std::pair<Shot, const char*> shots[] = {{Shot::CockpitCamel, "cockpit_camel"},
                                                  {Shot::CockpitDVII, "cockpit_dvii"},
                                                  {Shot::Chase, "chase"},
                                                  {Shot::LowFront, "low_front"},
                                                  {Shot::WreckSmoke, "wreck_smoke"}};
    for (const auto& [shot, name] : shots) {
        SCOPED_TRACE(name);
        scene.set(shot);
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
        const Apart a = apart(drawn[0], reference);
        EXPECT_LE(a.pixels, reference.width * reference.height / 100);
        EXPECT_EQ(a.middle, 0);
        // The world left out behind the cockpit's cover changes no pixel at all.
        scene.view->setScissorsWorld(false);
        platform::presentationRandom().seed(21);
        const platform::RGBAImage whole = readNextFrame(*scene.view);
        scene.view->setScissorsWorld(true);
        EXPECT_TRUE(whole.pixels == drawn[0].pixels);
    }
}

}  // namespace
}  // namespace pellam
