// Each aircraft drawn under Xvfb from its records with a small fixed-function drawer of the same
// conventions as the game's (world Z mirrored, part markers, drawing hints, materials): the
// aircraft fills the picture it should, and deflected controls change the pixels where the
// surfaces are. Pictures are left in <build>/aircraft_draw_shots for a person to look at.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "tests/flight/TestWorld.h"
#include "platform/GLWindow.h"
#include "platform/PngImage.h"
#include "render/ObjectDrawing.h"
#include "tools/aircraftmodels/AircraftArt.h"

namespace pellam {
namespace {

constexpr int kW = 640, kH = 480;
constexpr double kFov = 0.42;  // half height of the view at unit distance

// Textures by file name, in slots the aircraft keep in MapListOffset; and the few drawing
// operations the smoke uses, as the game's view does them.
class PictureView : public ViewServices, public render::ObjectDrawingView {
public:
    void setupDrawingMatrixForModel(const double* m) override {
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(camera.data());
        glMultMatrixd(m);
    }
    // Corners of a 2 x 2 square facing the eye: the camera's right and up axes.
    void glMakeFacingSquare(const double*, XYZInput* four) const override {
        const double r[3] = {camera[0], camera[4], camera[8]}, u[3] = {camera[1], camera[5], camera[9]};
        const double c[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
        for (int k = 0; k < 4; ++k) {
            four[k].MyX = c[k][0] * r[0] + c[k][1] * u[0];
            four[k].MyY = c[k][0] * r[1] + c[k][1] * u[1];
            four[k].MyZ = c[k][0] * r[2] + c[k][1] * u[2];
        }
    }
    void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const override {
        glMakeFacingSquare(centre, four);
    }
    void glSetCurrentTexture(int32_t slot, int32_t) override {
        if (slot >= 0 && slot < int32_t(ids.size())) glBindTexture(GL_TEXTURE_2D, ids[slot]);
    }
    void glDrawTransparentTexture(const OnePolygon*, const XYZInput* points, const PointUV* uvs,
                                  const MaterialLightData*) override {
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDepthMask(GL_FALSE);
        glBegin(GL_POLYGON);
        for (int k = 0; uvs[k].PointNumber >= 0; ++k) {
            const XYZInput& p = points[uvs[k].PointNumber];
            glColor4f(p.Myr, p.Myg, p.Myb, p.Mya);
            glTexCoord2f(uvs[k].PointU, uvs[k].PointV);
            glVertex3d(p.MyX, p.MyY, p.MyZ);
        }
        glEnd();
        glDepthMask(GL_TRUE);
    }
    void glNewDrawOneObject(OneCompleteObjectVer2*) override {}
    std::array<double, 16> camera{};

    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t, int32_t, int32_t, int32_t) override {
        const std::string name = std::filesystem::path(path).filename().string();
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return int32_t(i);
        platform::RGBAImage image;
        if (!aircraftart::paint(name, image)) return -1;
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image.pixels.data());
        names.push_back(name);
        ids.push_back(id);
        return int32_t(ids.size() - 1);
    }
    std::vector<std::string> names;
    std::vector<GLuint> ids;
};

struct Camera {
    std::array<double, 3> eye, target, up;
    double nearZ = 1.0;
};

// World to GL eye space: right, up and minus forward, which mirrors as the game's view does.
std::array<double, 16> viewMatrix(const Camera& c) {
    auto sub = [](auto a, auto b) { return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]}; };
    auto norm = [](std::array<double, 3> a) {
        const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        return std::array<double, 3>{a[0] / l, a[1] / l, a[2] / l};
    };
    auto crossp = [](auto a, auto b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    const auto f = norm(sub(c.target, c.eye));
    const auto r = norm(crossp(c.up, f));
    const auto u = crossp(f, r);
    std::array<double, 16> m{};
    for (int i = 0; i < 3; ++i) {
        m[i * 4 + 0] = r[i];
        m[i * 4 + 1] = u[i];
        m[i * 4 + 2] = -f[i];
    }
    m[12] = -(r[0] * c.eye[0] + r[1] * c.eye[1] + r[2] * c.eye[2]);
    m[13] = -(u[0] * c.eye[0] + u[1] * c.eye[1] + u[2] * c.eye[2]);
    m[14] = (f[0] * c.eye[0] + f[1] * c.eye[1] + f[2] * c.eye[2]);
    m[15] = 1;
    return m;
}

void drawObject(const OneCompleteObjectVer2& o, const PictureView& view, const std::array<double, 16>& camera,
                bool transparentPass) {
    const ObjectPointsPolysVer2& g = o.ThePointsPolysData[0];
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(camera.data());
    const GLfloat sun[4] = {0.45f, 0.8f, 0.4f, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glMultMatrixd(o.ObjectMatrix.data());
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, g.ThePoints);
    for (const OnePolygonVer2* p = g.ThePolygons; p->MapNumber >= 0; ++p) {
        if (p->DrawHints & 0x2) continue;
        if (p->FirstItem < 0) {
            glLoadMatrixd(camera.data());
            glMultMatrixd(o.OptionalObjectMatrix[-p->FirstItem - 1].data());
            continue;
        }
        if (bool(p->DrawHints & 0x1) != transparentPass) continue;
        const MaterialLightData& m = g.MaterialLightingData[p->MaterialLightDataOffset];
        if (p->DrawHints & 0x4) glDisable(GL_CULL_FACE);
        else glEnable(GL_CULL_FACE);
        if (p->DrawHints & 0x1000) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(-3, -3);
        } else {
            glDisable(GL_POLYGON_OFFSET_FILL);
        }
        if (p->DrawHints & 0x2000) {
            glDisable(GL_TEXTURE_2D);
        } else {
            glEnable(GL_TEXTURE_2D);
            const int slot = g.MapListOffset[p->MapNumber];
            if (slot >= 0 && slot < int(view.ids.size())) glBindTexture(GL_TEXTURE_2D, view.ids[slot]);
        }
        if (p->DrawHints & 0x10) {
            glDisable(GL_LIGHTING);
            glColor4fv(p->PolyColor.data());
        } else {
            glEnable(GL_LIGHTING);
            // A transparent polygon's opacity is its colour's alpha, as the game's queue draws it.
            const float alpha = (p->DrawHints & 0x1) ? p->PolyColor[3] : 1.0f;
            const float amb[4] = {m.AmbientRed, m.AmbientGreen, m.AmbientBlue, alpha};
            const float dif[4] = {m.DiffuseRed, m.DiffuseGreen, m.DiffuseBlue, alpha};
            glMaterialfv(GL_FRONT, GL_AMBIENT, amb);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, dif);
        }
        if (transparentPass) glDepthMask(GL_FALSE);
        glDrawElements(p->DefaultDrawType, g.RunItems[p->FirstItem], GL_UNSIGNED_SHORT, g.RunItems + p->FirstItem + 1);
        glDepthMask(GL_TRUE);
    }
}

class DrawPixelTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::WindowSpec spec;
        spec.width = kW;
        spec.height = kH;
        spec.hidden = true;
        std::string error;
        window = platform::GLWindow::create(spec, error);
        ASSERT_TRUE(window) << error;
        window->makeCurrent();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE);
        glCullFace(GL_FRONT);  // the mirrored view turns outward faces clockwise
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        const float ambient[4] = {0.45f, 0.45f, 0.45f, 1}, diffuse[4] = {0.75f, 0.73f, 0.7f, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        shots = std::filesystem::path(std::getenv("PELLAM_BUILD_DIR") ? std::getenv("PELLAM_BUILD_DIR") : ".") /
                "aircraft_draw_shots";
        std::filesystem::create_directories(shots);
    }

    std::vector<uint8_t> render(FlyableAircraft& plane, const Camera& cam, const std::string& shot = "") {
        glViewport(0, 0, kW, kH);
        glClearColor(0.62f, 0.72f, 0.82f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double n = cam.nearZ;
        glFrustum(-n * kFov * kW / kH, n * kFov * kW / kH, -n * kFov, n * kFov, n, 2000);
        OneCompleteObjectVer2* o = plane.getDrawingData(0);
        EXPECT_NE(o, nullptr);
        if (!o) return {};
        const auto camera = viewMatrix(cam);
        view.camera = camera;
        drawObject(*o, view, camera, false);
        drawObject(*o, view, camera, true);
        plane.drawMySmokeItems();
        std::vector<uint8_t> pixels(size_t(kW) * kH * 4);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        if (!shot.empty()) {
            platform::RGBAImage image{kW, kH, {}};
            image.pixels.resize(pixels.size());
            for (int y = 0; y < kH; ++y)
                std::copy_n(&pixels[size_t(kH - 1 - y) * kW * 4], kW * 4, &image.pixels[size_t(y) * kW * 4]);
            platform::writePng((shots / (shot + ".png")).string(), image);
        }
        return pixels;
    }

    template <typename Plane>
    std::unique_ptr<Plane> make() {
        auto plane = std::make_unique<Plane>();
        plane->initWithGLView(&view);
        // Standing still, level, at the origin, so the cameras know where to look.
        plane->ModelAttitude.Position = {0, 0, 0};
        plane->ModelAttitude.QAttitude = {1, 0, 0, 0};
        plane->ThisAircraft.SlerpValue = 0;
        plane->ThisAircraft.SliderX = plane->ThisAircraft.SliderY = plane->ThisAircraft.SliderZ = 0;
        plane->ThisAircraft.Damage1 = 0;
        plane->ThisAircraft.PElevator = plane->ThisAircraft.PAilerons = plane->ThisAircraft.PRudder = 0;
        plane->animateParts();
        return plane;
    }

    // Pixels that differ from the sky, and those that differ between two pictures, by column.
    static int covered(const std::vector<uint8_t>& p) {
        int n = 0;
        for (size_t i = 0; i < p.size(); i += 4)
            if (std::abs(p[i] - 158) + std::abs(p[i + 1] - 184) + std::abs(p[i + 2] - 209) > 30) ++n;
        return n;
    }
    struct Diff {
        int count = 0, minX = kW, maxX = -1, minY = kH, maxY = -1;
        int leftOfCentre = 0;  // in the left 40 % of the picture
    };
    static Diff diff(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        Diff d;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const size_t i = (size_t(y) * kW + x) * 4;
                if (std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) <= 24) continue;
                ++d.count;
                if (x < kW * 2 / 5) ++d.leftOfCentre;
                d.minX = std::min(d.minX, x);
                d.maxX = std::max(d.maxX, x);
                d.minY = std::min(d.minY, y);
                d.maxY = std::max(d.maxY, y);
            }
        return d;
    }

    template <typename Plane>
    void checkAircraft(const std::string& name, int32_t team) {
        auto plane = make<Plane>();
        plane->setTeamNumber(team);
        const Camera side{{48, 2, -5}, {0, 0, -5}, {0, 1, 0}};
        const Camera above{{0, 60, -5}, {0, 0, -5}, {0, 0, 1}};
        const Camera front{{0, 2, 42}, {0, 0, 0}, {0, 1, 0}};
        const Camera quarter{{-26, 12, 30}, {0, 0, -3}, {0, 1, 0}};
        const Camera rear{{14, 9, -40}, {0, 1, -4}, {0, 1, 0}};
        render(*plane, Camera{{-9, 22, 0}, {-9, 0, 0.5}, {0, 0, 1}}, name + "_wing_close");
        const std::array<double, 3> eye = {plane->PilotAttitude.Position[0], plane->PilotAttitude.Position[1],
                                           plane->PilotAttitude.Position[2]};
        const Camera cockpit{eye, {eye[0], eye[1] - 0.9, eye[2] + 10}, {0, 1, 0}, 0.3};

        const auto sideNeutral = render(*plane, side, name + "_side");
        const auto aboveNeutral = render(*plane, above, name + "_above");
        const auto frontNeutral = render(*plane, front, name + "_front");
        render(*plane, quarter, name + "_quarter");
        render(*plane, Camera{{8, -45, -2}, {0, 0, -4}, {0, 0, 1}}, name + "_below");
        render(*plane, rear, name + "_rear");
        // A span of about 28 ft fills a good part of the view from above; from the side the
        // fuselage and wings do.
        EXPECT_GT(covered(aboveNeutral), kW * kH / 25) << name;
        EXPECT_GT(covered(frontNeutral), kW * kH / 50) << name;
        EXPECT_GT(covered(sideNeutral), kW * kH / 50) << name;

        // Elevator up: the tail (left in the side view, nose to the right) changes; the stick
        // in the cockpit moves with it.
        plane->ThisAircraft.PElevator = 1.0;
        plane->animateParts();
        const Diff elevator = diff(sideNeutral, render(*plane, side, name + "_side_elevator"));
        EXPECT_GT(elevator.leftOfCentre, 60) << name;
        EXPECT_GT(elevator.leftOfCentre, elevator.count * 7 / 10) << name;
        plane->ThisAircraft.PElevator = 0.0;

        // Rudder over: seen from above, the tail (at the bottom of the picture) changes.
        plane->ThisAircraft.PRudder = 1.0;
        plane->animateParts();
        const Diff rudder = diff(aboveNeutral, render(*plane, above, name + "_above_rudder"));
        EXPECT_GT(rudder.count, 20) << name;
        EXPECT_LT(rudder.minY, kH / 3) << name;  // rows count up from the bottom
        plane->ThisAircraft.PRudder = 0.0;

        // Ailerons: the changes sit out toward both wing tips, none at the fuselage.
        plane->ThisAircraft.PAilerons = 1.0;
        plane->animateParts();
        const Diff ailerons = diff(aboveNeutral, render(*plane, above, name + "_above_ailerons"));
        EXPECT_GT(ailerons.count, 150) << name;
        EXPECT_LT(ailerons.minX, kW / 2 - 80) << name;
        EXPECT_GT(ailerons.maxX, kW / 2 + 80) << name;
        render(*plane, quarter, name + "_quarter_deflected");
        plane->ThisAircraft.PAilerons = 0.0;
        plane->animateParts();

        // The left wing set torn off and fallen 60 ft: seen from above, the left of the picture
        // empties while the right wing stays.
        plane->OptionalModelAttitude[0] = plane->ModelAttitude;
        plane->OptionalModelAttitude[0].Position[1] -= 60.0;
        plane->ThisAircraft.Damage1 |= dmg::LeftWingGone;
        const Diff lost = diff(aboveNeutral, render(*plane, above, name + "_above_left_wing_gone"));
        plane->ThisAircraft.Damage1 &= ~dmg::LeftWingGone;
        EXPECT_GT(lost.count, 3000) << name;
        EXPECT_LT(lost.maxX, kW / 2 + 30) << name;

        // From the cockpit, with the camera riding in it, the head is out of the way.
        plane->updateMovingThings(0, true, 5.0, 0.0);
        const auto inside = render(*plane, cockpit, name + "_cockpit");
        const Camera dash{eye, {eye[0], eye[1] - 1.3, eye[2] + 1.6}, {0, 1, 0}, 0.2};
        render(*plane, dash, name + "_cockpit_instruments");
        EXPECT_GT(covered(inside), kW * kH / 8) << name;
    }

    std::unique_ptr<platform::GLWindow> window;
    PictureView view;
    std::filesystem::path shots;
};

struct SmokyCamel : ObjectTestFile {
    using FlyableAircraft::tracersToSmoke;
};

// A Camel with a hit engine flying along: its trail of smoke lies behind it, and its tracers
// reach out ahead.
TEST_F(DrawPixelTest, SmokeTrailAndTracersDraw) {
    testing::TestController controller;
    auto plane = make<SmokyCamel>();
    plane->setaController(&controller);
    plane->ThisAircraft.Damage1 |= dmg::EngineDamaged;
    plane->ThisAircraft.EngineSmokingTime = 5000;
    for (int t = 1; t <= 120; ++t) {
        plane->GlobalTime = controller.missionTime = t;
        plane->ModelAttitude.Position = {0, 0, (t - 120) * 0.5};  // 0.5 ft a tick toward +Z
        plane->aircraftSmoke();
    }
    // Two tracers in flight ahead of the guns.
    auto& bullets = plane->ThisAircraft.GunBullets.TheBullets;
    for (int k = 0; k < 2; ++k) {
        ProjectileType& b = bullets[k];
        b.GraphicsType = 1;
        b.TimeAlive = 10;
        b.PX = 0.35 * (k ? 1 : -1);
        b.PY = 1.9;
        b.PZ = 30 + 40 * k;
        b.P2X = b.PX;
        b.P2Y = b.PY;
        b.P2Z = b.PZ + 25;
    }
    plane->tracersToSmoke(true);
    plane->ModelAttitude.Position = {0, 0, 0};
    const Camera side{{60, 6, 0}, {0, 0, 10}, {0, 1, 0}};
    const auto pixels = render(*plane, side, "camel_smoke_and_tracers");
    // Smoke behind (left of the picture), tracers ahead (right); the sky shows through both.
    int behind = 0, ahead = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = &pixels[(size_t(y) * kW + x) * 4];
            if (x < kW / 5 && std::abs(p[0] - 158) + std::abs(p[2] - 209) > 30) ++behind;
            if (x > kW * 3 / 4 && p[0] > 200 && p[1] > 170) ++ahead;
        }
    EXPECT_GT(behind, 400);
    EXPECT_GT(ahead, 20);
}

TEST_F(DrawPixelTest, CamelDrawsAndItsControlsMove) { checkAircraft<ObjectTestFile>("camel", 1); }
TEST_F(DrawPixelTest, FokkerDr1DrawsAndItsControlsMove) { checkAircraft<FokkerDr1>("dr1", 1); }
TEST_F(DrawPixelTest, FokkerDVIIDrawsAndItsControlsMove) { checkAircraft<FokkerDVII>("dvii", 2); }

}  // namespace
}  // namespace pellam
