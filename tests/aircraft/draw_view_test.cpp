// The aircraft drawn by the game's own view under Xvfb, with the pictures the build paints: each
// type finds its textures, shows up where it stands, moves its elevator, and can be sat in.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/MeshBuilder.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "tests/flight/TestWorld.h"

namespace pellam {
namespace {

namespace fs = std::filesystem;

class AircraftInTheView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        if (build) platform::setApplicationFolder(build);
        folder_ = fs::path(build ? build : ".") / "aircraft_draw_shots";
        fs::create_directories(folder_);
        defaults_ = std::make_unique<platform::UserDefaults>((folder_ / "view_defaults.json").string());
        view_ = std::make_unique<render::MyZephGLView>(*defaults_);
        if (!view_->initWithFrame({0, 0, 640, 480}, true)) view_.reset();
    }
    static void TearDownTestSuite() {
        view_.reset();
        defaults_.reset();
    }
    void SetUp() override {
        ASSERT_NE(view_, nullptr) << "no GL window";
        view_->getGLWindow()->makeCurrent();
        for (long i = 0; i < 22; ++i) controller.models.append(nullptr);
        view_->setModelArray(&controller.models);
        view_->setFrameServices(&services);
        view_->setCameraInsideItem(-1);
        view_->setDrawSecondWindow(false);
        view_->setEraseColorRed(0.0, 0.0, 0.5);
        view_->setGlobalCameraPosition(&camera);
    }
    void TearDown() override {
        if (view_) view_->setModelArray(nullptr);
    }

    template <typename Plane>
    FlyableAircraft* place() {
        auto* plane = static_cast<FlyableAircraft*>(controller.models.put(ModelArray::kFirstAircraft, std::make_unique<Plane>()));
        plane->setaController(&controller);
        plane->initWithGLView(view_.get());
        plane->ThisAircraft.Damage1 = 0;
        plane->ThisAircraft.PElevator = 0;
        // 60 ft ahead, nose to the east: seen from its left side, nose to the right.
        plane->ModelAttitude.Position = {0, -2, 60};
        plane->setHeading(90);
        plane->animateParts();
        return plane;
    }

    platform::RGBAImage frame(const std::string& shot) {
        platform::RGBAImage image;
        view_->setFrameObserver([&] {
            int w = 0, h = 0;
            view_->getGLWindow()->drawableSize(w, h);
            image.width = w;
            image.height = h;
            std::vector<uint8_t> rows(size_t(w) * h * 4);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
            image.pixels.resize(rows.size());
            for (int y = 0; y < h; ++y)
                std::copy_n(&rows[size_t(h - 1 - y) * w * 4], size_t(w) * 4, &image.pixels[size_t(y) * w * 4]);
        });
        view_->drawRect({1, 0, 0, 1});
        view_->setFrameObserver(nullptr);
        EXPECT_EQ(view_->getFrameGLError(), 0);
        platform::writePng((folder_ / (shot + ".png")).string(), image);
        return image;
    }
    static int notBackground(const platform::RGBAImage& im) {
        int n = 0;
        for (size_t i = 0; i < im.pixels.size(); i += 4)
            if (im.pixels[i] > 12 || im.pixels[i + 1] > 12 || std::abs(im.pixels[i + 2] - 128) > 12) ++n;
        return n;
    }
    static int differing(const platform::RGBAImage& a, const platform::RGBAImage& b) {
        int n = 0;
        for (size_t i = 0; i + 2 < a.pixels.size() && i + 2 < b.pixels.size(); i += 4)
            if (std::abs(a.pixels[i] - b.pixels[i]) + std::abs(a.pixels[i + 1] - b.pixels[i + 1]) +
                    std::abs(a.pixels[i + 2] - b.pixels[i + 2]) > 24)
                ++n;
        return n;
    }

    template <typename Plane>
    void check(const std::string& name) {
        FlyableAircraft* plane = place<Plane>();
        // Every picture the model names was found on disk, none stands in for a missing one.
        const ObjectPointsPolysVer2& pp = *plane->getModelPointsPolysPtr();
        for (int k = 0; k < looks::kMapCount; ++k) EXPECT_NE(pp.MapListOffset[k], view_->missingTextureSlot()) << k;
        EXPECT_NE(plane->Drawing.smokeSlot, view_->missingTextureSlot());

        const auto outside = frame(name + "_view");
        EXPECT_GT(notBackground(outside), 640 * 480 / 40) << name;
        plane->ThisAircraft.PElevator = 1.0;
        plane->animateParts();
        EXPECT_GT(differing(outside, frame(name + "_view_elevator")), 40) << name;

        // In the cockpit: the view's own pass after a depth clear, our head out of the way.
        plane->ThisAircraft.PElevator = 0.0;
        plane->updateMovingThings(1, true, 5.0, 0.0);
        QNion seat = plane->ModelAttitude;
        std::array<double, 16> m{};
        ZephModel::quaternionToMatrix(plane->ModelAttitude.QAttitude.data(), m.data());
        double eye[3];
        ZephModel::RotateVector(plane->PilotAttitude.Position.data(), eye, m.data());
        for (int i = 0; i < 3; ++i) seat.Position[i] += eye[i];
        // The view takes the world-to-eye turn: the inverse of the aircraft's attitude.
        for (int i = 1; i < 4; ++i) seat.QAttitude[i] = -seat.QAttitude[i];
        view_->setGlobalCameraPosition(&seat);
        view_->setCameraInsideItem(ModelArray::kFirstAircraft);
        EXPECT_GT(notBackground(frame(name + "_view_cockpit")), 640 * 480 / 6) << name;
        view_->setCameraInsideItem(-1);
        view_->setGlobalCameraPosition(&camera);
    }
    testing::TestController controller;
    render::FrameServices services;
    QNion camera;  // at the origin, looking north

    static inline fs::path folder_;
    static inline std::unique_ptr<platform::UserDefaults> defaults_;
    static inline std::unique_ptr<render::MyZephGLView> view_;
};

TEST_F(AircraftInTheView, Camel) { check<ObjectTestFile>("camel"); }
TEST_F(AircraftInTheView, FokkerDr1) { check<FokkerDr1>("dr1"); }
TEST_F(AircraftInTheView, FokkerDVII) { check<FokkerDVII>("dvii"); }

}  // namespace
}  // namespace pellam
