#pragma once
// Recording stand-ins for what the world's objects ask of their neighbours: the controller, the
// terrain, a carrying aircraft and the view they draw through. Each keeps what it was asked, so a
// test can check what an object did without a running game.
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "core/ZephModel.h"
#include "render/ObjectDrawing.h"

namespace pellam::fakes {

using Point3 = std::array<double, 3>;

struct RecordingController : ControllerServices {
    ModelArray* models = nullptr;
    int32_t missionTime = 1;
    bool running = true;
    int32_t replaySpeed = 1;
    std::vector<Point3> explosions, sounds, blasts;
    std::vector<long> droppers;

    ModelArray* getModelArray() override { return models; }
    int32_t getGlobalMissionTime() override { return missionTime; }
    bool isPaused() override { return running; }
    int32_t getReplaySpeed() override { return replaySpeed; }
    void startAnExplosion(const double* p) override { explosions.push_back({p[0], p[1], p[2]}); }
    void doExplosionSound(const double* p) override { sounds.push_back({p[0], p[1], p[2]}); }
    void checkForBombKills(const double* p, long dropper) override {
        blasts.push_back({p[0], p[1], p[2]});
        droppers.push_back(dropper);
    }
};

// Ground from a function of X and Z, with the texture code and the plane of the last query.
struct FakeTerrain : ZephModel {
    std::function<double(double, double)> height = [](double, double) { return 100.0; };
    std::function<int32_t(double, double)> texture = [](double, double) { return 2; };
    std::array<double, 4> plane{0.1, 0.99, 0.1, 0};  // gently sloping unless a test says otherwise
    int queries = 0;
    int32_t lastTexture = 0;

    double getAltitudeAtX(double x, double z) override {
        ++queries;
        lastTexture = texture(x, z);
        return height(x, z);
    }
    int32_t getLastTerrainTexture() override { return lastTexture; }
    const double* lastTerrainPlaneEq() override { return plane.data(); }
};

// An aircraft with a rack of bombs 1 ft apart under its belly.
struct FakeBomber : ZephModel {
    int32_t bombs = 4;
    std::array<double, 3> station{};
    int32_t getNumberOfBombs() override { return bombs; }
    int32_t getMaxNumberOfBombs() override { return 6; }
    const double* getBombPosition(int32_t n) override {
        station = {n * 1.0, -2.0, 0.5};
        return station.data();
    }
    void getSlerpingQN(QNion* pose) override { *pose = ModelAttitude; }
};

// A view that keeps the records it is asked to draw, with their matrices and points as they were.
struct RecordingView : ViewServices, render::ObjectDrawingView {
    struct Drawn {
        std::array<double, 16> matrix;
        std::vector<GLT2FN3FV3FFormat> points;
        std::vector<OnePolygonVer2> polygons;  // the list as drawn, up to its end row
    };
    std::vector<Drawn> drawn;
    std::array<double, 16> eyeTM{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::array<double, 16> eyeRM{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int32_t nextSlot = 0;

    int32_t fmGetTextureFromDiskNSString(const std::string&, int32_t, int32_t, int32_t, int32_t) override {
        return nextSlot++;
    }
    void setupDrawingMatrixForModel(const double*) override {}
    // World-axis corners of a square facing an eye that looks along +Z: right is +X, up is +Y.
    void glMakeFacingSquare(const double*, XYZInput* four) const override {
        static constexpr double c[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
        for (int k = 0; k < 4; ++k) {
            four[k].MyX = c[k][0];
            four[k].MyY = c[k][1];
            four[k].MyZ = 0;
        }
    }
    void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const override {
        glMakeFacingSquare(centre, four);
    }
    void glSetCurrentTexture(int32_t, int32_t) override {}
    void glDrawTransparentTexture(const OnePolygon*, const XYZInput*, const PointUV*, const MaterialLightData*) override {}
    void glNewDrawOneObject(OneCompleteObjectVer2* object) override {
        Drawn d;
        d.matrix = object->ObjectMatrix;
        const ObjectPointsPolysVer2& g = object->ThePointsPolysData[0];
        for (const GLT2FN3FV3FFormat* p = g.ThePoints; p->U >= 0; ++p) d.points.push_back(*p);
        for (const OnePolygonVer2* p = g.ThePolygons; p->MapNumber >= 0; ++p) d.polygons.push_back(*p);
        drawn.push_back(std::move(d));
    }
    const double* getEyeTM() const override { return eyeTM.data(); }
    const double* getEyeRM() const override { return eyeRM.data(); }

    void placeEye(double x, double y, double z) {
        eyeTM[12] = x;
        eyeTM[13] = y;
        eyeTM[14] = z;
    }
};

// World position of a drawn point under the drawn matrix (column order, 12..14 the translation).
inline Point3 worldOf(const RecordingView::Drawn& d, const GLT2FN3FV3FFormat& p) {
    const auto& m = d.matrix;
    return {p.X * m[0] + p.Y * m[4] + p.Z * m[8] + m[12], p.X * m[1] + p.Y * m[5] + p.Z * m[9] + m[13],
            p.X * m[2] + p.Y * m[6] + p.Z * m[10] + m[14]};
}

}  // namespace pellam::fakes
