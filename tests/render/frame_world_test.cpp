// The frame over the generated front: sky and terrain under the objects, and the grey frame when
// the eye is inside the terrain's cloud layer.
#include <GL/gl.h>

#include <cmath>

#include "tests/render/objects_scene.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace rendertest {
namespace {

class FrameWorldTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        sky = static_cast<TexturedSkyDome*>(models->put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
        sky->initWithGLView(&view());
        sky->setTimeOfDay(11.0);
        terrain = static_cast<RIDUdidav*>(models->put(ModelArray::kTerrain, std::make_unique<RIDUdidav>()));
        ASSERT_TRUE(terrain->initWithGLView(&view())) << terrain->lastError();
        terrain->setFogDistance(0.0);
        view().setFrameServices(nullptr);  // the cloud state comes from the terrain
        // Above Albert at 3,000 ft, looking east along the front, 9 degrees down.
        const double heading = M_PI / 2, pitch = -9.0 * M_PI / 180;
        QNion turn, tilt;
        turn.QAttitude = {std::cos(heading / 2), 0, std::sin(heading / 2), 0};
        tilt.QAttitude = {std::cos(-pitch / 2), std::sin(-pitch / 2), 0, 0};
        ZephModel::multQnionsBy(&turn, &tilt, &camera);
        camera.Position = {2020000.0, 3000.0, 2047000.0};
        view().setGlobalCameraPosition(&camera);
    }

    TexturedSkyDome* sky = nullptr;
    RIDUdidav* terrain = nullptr;
};

TEST_F(FrameWorldTest, ObjectsStandBeforeTheGroundUnderTheSky) {
    Thing* t = put(*models, 4);
    t->square(0, 10, 0, {1, 0, 0, 1}, 0x10 | 0x2000);
    t->finish();
    // Turned to face west, towards the eye.
    t->Record.ObjectMatrix = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    t->at(camera.Position[0] + 300, camera.Position[1] - 300 * std::tan(9.0 * M_PI / 180), camera.Position[2]);
    const RGBAImage image = frame();
    const uint8_t* c = pixel(image, image.width / 2, image.height / 2);
    EXPECT_GT(c[0], 200);
    EXPECT_LT(c[1], 60);
    // The top rows are sky (bluer than red), the bottom rows ground (warmer than the sky).
    int skyLike = 0, groundLike = 0;
    for (int x = 0; x < image.width; ++x) {
        const uint8_t* top = pixel(image, x, 2);
        const uint8_t* bottom = pixel(image, x, image.height - 3);
        if (top[2] > top[0] + 10) ++skyLike;
        if (bottom[0] + 10 > bottom[2] || bottom[1] > bottom[2] + 10) ++groundLike;
    }
    EXPECT_GT(skyLike, image.width * 9 / 10);
    EXPECT_GT(groundLike, image.width * 8 / 10);
}

TEST_F(FrameWorldTest, InsideTheCloudLayerTheFrameIsGrey) {
    terrain->SetDetailsForLayer(0, 1, 2500, 3500);
    const RGBAImage image = frame();
    EXPECT_NEAR(pixel(image, 3, 3)[0], 217, 4);
    EXPECT_NEAR(pixel(image, image.width / 2, image.height - 3)[2], 217, 4);
    terrain->SetDetailsForLayer(0, 0, 0, 0);
    const RGBAImage clear = frame();
    EXPECT_GT(pixel(clear, 3, 3)[2], pixel(clear, 3, 3)[0] + 10);
}

TEST_F(FrameWorldTest, AfterTheSecondWindowTheTerrainAnswersForTheMainEye) {
    QNion elsewhere = camera;
    elsewhere.Position = {1990000.0, 1500.0, 2060000.0};
    view().setSecondGlobalCameraPosition(&elsewhere);
    view().setDrawSecondWindow(true);
    frame();
    view().setDrawSecondWindow(false);
    const Vector3& v = terrain->getViewingPosition();
    EXPECT_DOUBLE_EQ(v[0], camera.Position[0] + world::kSquareFeet);
    EXPECT_DOUBLE_EQ(v[2], camera.Position[2] - world::kSquareFeet);
}

}  // namespace
}  // namespace rendertest
