// A resting game's kept picture: drawn once, shown again under the live message lines while
// nothing the view can see changes, drawn anew when the camera moves or the controller says so.
#include <GL/gl.h>

#include <cstring>

#include "tests/render/ViewFixture.h"
#include "tests/render/objects_scene.h"

namespace rendertest {
namespace {

class KeptSceneTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        std::memset(lines, 0, sizeof lines);
        view().setMessageLines(lines);
        red = put(*models, 4);
        red->square(0, 10, 0, kRed, kUnlitFlat);
        red->finish();
        red->at(0, 0, 200);  // ahead of the eye, filling the middle of the frame
        view().setFrameServices(&printing);
    }
    void TearDown() override {
        view().setKeepScene(false);
        view().setMessageLines(nullptr);
        view().setFrameServices(&plainServices);
        SceneTest::TearDown();
    }
    bool redInTheMiddle(const RGBAImage& image) { return near(centre(image), 255, 0, 0, 55); }

    struct Printing : pellam::render::FrameServices {
        uint64_t print = 0;
        uint64_t flatPrint() override { return print; }
    } printing;
    Thing* red = nullptr;
    unsigned char lines[5][256];
};

TEST_F(KeptSceneTest, TheKeptPictureStaysUntilTheCameraMovesOrTheSceneIsSaidToChange) {
    view().setKeepScene(true);
    const long before = view().getSceneDraws();
    const RGBAImage first = frame();
    EXPECT_TRUE(redInTheMiddle(first));
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // The square moves where the view cannot see it move, and nothing else happens: the frame is
    // neither drawn nor shown, and the window keeps the picture.
    red->at(0, 0, -200);
    const long rested = view().getFramesRested();
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getFramesRested(), rested + 2);
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // An input or window event: the kept picture is shown again, pixel for pixel, not drawn.
    view().showNextFrame();
    const RGBAImage kept = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_EQ(kept.pixels, first.pixels);
    EXPECT_TRUE(frame().pixels.empty());

    // The message lines stay live over it.
    const char text[] = "Paused";
    lines[0][0] = uint8_t(sizeof text - 1);
    std::memcpy(&lines[0][1], text, sizeof text - 1);
    const RGBAImage withText = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_NE(withText.pixels, first.pixels);
    EXPECT_TRUE(redInTheMiddle(withText));

    // So does what the controller lays over the frame: a new print is shown, the same one rests.
    printing.print = 7;
    EXPECT_FALSE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // A camera easing into its place by steps far below a pixel leaves the picture as it is.
    camera.Position = {0, 0.001, 0};
    view().setGlobalCameraPosition(&camera);
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // A camera command moves the camera: drawn anew, and the square is gone from view.
    camera.Position = {0, 1, 0};
    view().setGlobalCameraPosition(&camera);
    const RGBAImage moved = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 2);
    EXPECT_FALSE(redInTheMiddle(moved));

    // The controller says the scene changed (a command it ran): drawn anew once, then kept and
    // not shown again.
    red->at(0, 1, 200);
    view().sceneChanged();
    EXPECT_TRUE(redInTheMiddle(frame()));
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

TEST_F(KeptSceneTest, ARunningGameDrawsEveryFrameAndKeepsNothingForLater) {
    view().setKeepScene(false);
    const long before = view().getSceneDraws(), rested = view().getFramesRested();
    frame();
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 2);
    EXPECT_EQ(view().getFramesRested(), rested);
    // Kept again after running: the picture from before the game ran is not shown.
    red->at(0, 0, -200);
    view().setKeepScene(true);
    EXPECT_FALSE(redInTheMiddle(frame()));
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

}  // namespace
}  // namespace rendertest
