// The view on screen: matrices against GL's own, fog and fog coordinates, and numbers as text,
// all read back from the frame.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstring>

#include "ViewFixture.h"
#include "core/ZephModel.h"
#include "platform/TickCount.h"
#include "render/ImageFiles.h"

using namespace pellam;
using namespace pellam::render;
using namespace rendertest;

namespace {

int32_t fakeTicks = 1000;

class ScreenTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        view().getGLWindow()->drawableSize(width, height);
    }
    void blackFrame() {
        view().setEraseColorRed(0, 0, 0);
        view().glRenderStart();
        view().glSet2DDrawing();
    }
    void say(double across, double down, const std::string& s, float size = 1.0f) {
        unsigned char text[256];
        stringToPascal(s, text);
        view().glOpenGLText(across, down, text, 0, size, 1.0);
    }
    // Pixels that differ between two pictures in a rectangle.
    static int differences(const RGBAImage& a, const RGBAImage& b, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += std::memcmp(pixel(a, x, y), pixel(b, x, y), 3) != 0;
        return n;
    }
    int width = 0, height = 0;
    platform::ScopedTickSource ticks{[] { return fakeTicks; }};
};

}  // namespace

TEST_F(ScreenTest, SunSetsTheLightAndTheHorizon) {
    view().setSunVectorFromTime(4);
    GLfloat diffuse[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[1], sunFromHour(4).diffuse[1]);
    const double* sun = view().getSunUnitVector();
    const SunLight want = sunFromHour(4);
    EXPECT_DOUBLE_EQ(sun[0], want.direction[0]);
    EXPECT_DOUBLE_EQ(view().getSunSpecFactor(), 0.0);
    view().setHorizonColorRed(0.5, 0.6, 0.7);
    view().setSunVectorFromTime(12);
    GLfloat fog[4];
    glGetFloatv(GL_FOG_COLOR, fog);
    EXPECT_NEAR(fog[1], 0.6, 1e-6);
    // A frame that saves the fog, changes it for a cloud layer and restores it keeps the horizon.
    view().saveCurrentFogParameters();
    view().glSetFogParameters(0.9, 0.9, 0.9, GL_LINEAR, 0.001f);
    view().restoreFogParameters();
    glGetFloatv(GL_FOG_COLOR, fog);
    EXPECT_NEAR(fog[2], 0.7, 1e-6);
    view().glRenderStart();
    const RGBAImage frame = readBack(view());
    EXPECT_NEAR(pixel(frame, 10, 10)[2], 0.7 * 255, 1.5);  // the horizon colour is the clear colour
    view().setHorizonColorRed(1, 1, 1);
}

TEST_F(ScreenTest, EyeMatricesMatchTheOnesGLBuilds) {
    view().glRenderStart();
    view().glSet3DDrawing(1, 2, 3, 30, 20, 40);
    const double* rm = view().getEyeRM();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRotated(20, 0, 0, 1);
    glRotated(30, 1, 0, 0);
    glRotated(40, 0, 1, 0);
    double gl[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, gl);
    glPopMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(rm[i], gl[i], 1e-6) << i;
    EXPECT_EQ(view().getEyeTM()[12], -1);  // X and Y are negated in the translation, Z is not
    EXPECT_EQ(view().getEyeTM()[13], -2);
    EXPECT_EQ(view().getEyeTM()[14], 3);
    EXPECT_EQ(view().getMyEye()[0], 1);

    // The camera matrix: mirror Z, rotate, then move the eye to the origin.
    QNion eye;
    eye.Position = {100, 50, -30};
    makeCameraQNionTheta(35, 0, 1, 0, eye);
    view().glSet3DDrawingWQuaternion(&eye);
    view().setCurrentCameraMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, gl);
    GLMatrix mirror = identityMatrix();
    mirror[10] = -1;
    GLMatrix move = identityMatrix();
    move[12] = -100;
    move[13] = -50;
    move[14] = 30;
    GLMatrix r;
    std::copy(view().getEyeRM(), view().getEyeRM() + 16, r.begin());
    const GLMatrix want = multiply(multiply(mirror, r), move);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(gl[i], want[i], 1e-4) << i;
    GLfloat light[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);  // the sun, turned into eye space by that matrix
    EXPECT_EQ(light[3], 0.0f);
}

// A number is its decimal text, truncated.
TEST_F(ScreenTest, NumbersPrintAsTheirText) {
    blackFrame();
    view().gl3DIntPrint(0.2, 0.3, -45.7, 0, 1.0, 1.0);
    const RGBAImage number = readBack(view());
    blackFrame();
    say(0.2, 0.3, "-45");
    const RGBAImage words = readBack(view());
    EXPECT_GT(brightPixels(words, 0, 0, width, height), 10);
    EXPECT_EQ(differences(number, words, 0, 0, width, height), 0);
}

TEST_F(ScreenTest, EmptyTextLeavesTheDepthTestAlone) {
    glDepthFunc(GL_GREATER);
    const unsigned char empty[1] = {0};
    view().glOpenGLText(0.5, 0.5, empty, 0, 1.0f, 1.0);
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_GREATER);
    glDepthFunc(GL_LEQUAL);
}

TEST_F(ScreenTest, PreferencesChooseTheWindow) {
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    EXPECT_EQ(samples, 0);  // no anti-aliasing asked for
    platform::UserDefaults prefs((scratchFolder() / "aa.json").string());
    // Multisampling asked for where the display has none still gives a working view.
    prefs.setBool("UseAntiAliasingKey", true);
    MyZephGLView smoothed(prefs);
    ASSERT_TRUE(smoothed.initWithFrame(ZephGLView::preferredFrame(prefs)));
    EXPECT_GE(smoothed.getFontTexture(), 0);
    smoothed.glRenderStart();
    smoothed.glRenderEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ScreenTest, FogCoordinatesGiveEachVertexItsOwnFog) {
    ASSERT_NE(view().getFogCoordPointer(), nullptr);
    blackFrame();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_END, 1);
    const GLfloat red[4] = {1, 0, 0, 1};
    glFogfv(GL_FOG_COLOR, red);
    glFogi(GL_FOG_COORDINATE_SOURCE_EXT, GL_FOG_COORDINATE_EXT);
    // Two quads in blue: the left one at fog distance 0 (clear), the right one at 1 (all fog).
    const GLfloat corners[8][2] = {{-1, -1}, {0, -1}, {0, 1}, {-1, 1}, {0, -1}, {1, -1}, {1, 1}, {0, 1}};
    const GLfloat fog[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    glColor3f(0, 0, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_FOG_COORDINATE_ARRAY_EXT);
    glVertexPointer(2, GL_FLOAT, 0, corners);
    view().getFogCoordPointer()(GL_FLOAT, 0, fog);
    glDrawArrays(GL_QUADS, 0, 8);
    glDisableClientState(GL_FOG_COORDINATE_ARRAY_EXT);
    glDisableClientState(GL_VERTEX_ARRAY);
    glFogi(GL_FOG_COORDINATE_SOURCE_EXT, GL_FRAGMENT_DEPTH_EXT);
    const RGBAImage frame = readBack(view());
    const uint8_t* clear = pixel(frame, width / 4, height / 2);
    const uint8_t* fogged = pixel(frame, 3 * width / 4, height / 2);
    EXPECT_LT(clear[0], 10);
    EXPECT_GT(clear[2], 245);
    EXPECT_GT(fogged[0], 245);
    EXPECT_LT(fogged[2], 10);
    view().restoreFogParameters();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
