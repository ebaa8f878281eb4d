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
    }
    void TearDown() override {
        view().setKeepScene(false);
        view().setMessageLines(nullptr);
        SceneTest::TearDown();
    }
    bool redInTheMiddle(const RGBAImage& image) { return near(centre(image), 255, 0, 0, 55); }

    Thing* red = nullptr;
    unsigned char lines[5][256];
};

TEST_F(KeptSceneTest, TheKeptPictureStaysUntilTheCameraMovesOrTheSceneIsSaidToChange) {
    view().setKeepScene(true);
    const long before = view().getSceneDraws();
    const RGBAImage first = frame();
    EXPECT_TRUE(redInTheMiddle(first));
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // The square moves where the view cannot see it move: the kept picture is shown, pixel for pixel.
    red->at(0, 0, -200);
    const RGBAImage kept = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_EQ(kept.pixels, first.pixels);

    // The message lines stay live over it.
    const char text[] = "Paused";
    lines[0][0] = uint8_t(sizeof text - 1);
    std::memcpy(&lines[0][1], text, sizeof text - 1);
    const RGBAImage withText = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_NE(withText.pixels, first.pixels);
    EXPECT_TRUE(redInTheMiddle(withText));

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

    // The controller says the scene changed (a command it ran): drawn anew once, then kept.
    red->at(0, 1, 200);
    view().sceneChanged();
    EXPECT_TRUE(redInTheMiddle(frame()));
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

TEST_F(KeptSceneTest, ARunningGameDrawsEveryFrameAndKeepsNothingForLater) {
    view().setKeepScene(false);
    const long before = view().getSceneDraws();
    frame();
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 2);
    // Kept again after running: the picture from before the game ran is not shown.
    red->at(0, 0, -200);
    view().setKeepScene(true);
    EXPECT_FALSE(redInTheMiddle(frame()));
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

}  // namespace
}  // namespace rendertest
