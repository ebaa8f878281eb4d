#pragma once
// Small synthetic objects for the drawing tests: flat quads in one colour, facing a camera that
// looks north (+Z) from the origin, built as the model classes build theirs.
#include <array>
#include <memory>
#include <vector>

#include "core/ZephModel.h"
#include "render/MyZephGLView.h"
#include "tests/render/ViewFixture.h"

namespace rendertest {

using namespace pellam;

constexpr int16_t kPolygon = 9;  // GL_POLYGON

// One object: geometry (frame 0 and an optional second frame) and its drawable record.
struct Thing : ZephModel {
    struct Geometry {
        std::vector<GLT2FN3FV3FFormat> Points;
        std::vector<float> Coloured;  // 12 floats a vertex when the object carries vertex colours
        std::vector<OnePolygonVer2> Polygons, Alt;
        std::vector<uint16_t> Runs;
    };
    std::array<Geometry, 2> Geo;
    std::array<ObjectPointsPolysVer2, 2> Frames{};
    OneCompleteObjectVer2 Record;
    int Calls = 0;
    int32_t Team = 2;
    std::function<void()> Smoke;

    Thing() {
        Record.TheObject.TooFar = 100000;
        Record.TheObject.UseAlt = 100000;
        Record.TheObject.DotDistance = 100000;
        Record.TheObject.Behind = -50;
        Record.ObjectMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (auto& m : Record.OptionalObjectMatrix) m = Record.ObjectMatrix;
        for (auto& f : Frames) {
            f.MaterialLightingData[0] = {0.3f, 0.3f, 0.3f, 1, 0.6f, 0.6f, 0.6f, 1, 0, 0, 0, 1, 5};
        }
    }
    OneCompleteObjectVer2* getDrawingData(int32_t) override {
        ++Calls;
        return &Record;
    }
    float* getPointerToRelativeEyeX() override { return &Record.TheObject.EyeRelativeX; }
    int32_t getTeamNumber() override { return Team; }
    void drawMySmokeItems() override {
        if (Smoke) Smoke();
    }

    void at(double x, double y, double z) {
        Record.ObjectMatrix[12] = x;
        Record.ObjectMatrix[13] = y;
        Record.ObjectMatrix[14] = z;
    }
    // A square of half side `half` ft in the object's XY plane at depth z, wound so that it faces
    // a camera looking along +Z; `hints` and colour as the polygon's. Part marker -part first when given.
    void square(int frame, double half, double z, std::array<float, 4> colour, int32_t hints, bool alt = false,
                double cx = 0, double cy = 0) {
        Geometry& g = Geo[frame];
        const uint16_t first = uint16_t(g.Points.size());
        const double xs[4] = {-half, -half, half, half}, ys[4] = {-half, half, half, -half};
        for (int k = 0; k < 4; ++k) {
            GLT2FN3FV3FFormat v{};
            v.U = xs[k] > 0 ? 1.f : 0.f;
            v.V = ys[k] > 0 ? 1.f : 0.f;
            v.NZ = -1;
            v.X = float(cx + xs[k]);
            v.Y = float(cy + ys[k]);
            v.Z = float(z);
            g.Points.push_back(v);
        }
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.DefaultDrawType = kPolygon;
        p.DrawHints = hints;
        p.PolyColor = colour;
        p.FirstItem = int16_t(g.Runs.size());
        g.Runs.push_back(4);
        for (uint16_t k = 0; k < 4; ++k) g.Runs.push_back(uint16_t(first + k));
        (alt ? g.Alt : g.Polygons).push_back(p);
    }
    void marker(int frame, int part) {
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.FirstItem = int16_t(-part);
        Geo[frame].Polygons.push_back(p);
    }
    // Vertex colours (RGBA per point, in point order) in the 48-byte layout.
    void colourPoints(int frame, const std::vector<std::array<float, 4>>& colours) {
        Geometry& g = Geo[frame];
        g.Coloured.clear();
        for (size_t k = 0; k < g.Points.size(); ++k) {
            const auto& v = g.Points[k];
            const auto& c = colours[k % colours.size()];
            g.Coloured.insert(g.Coloured.end(), {v.U, v.V, c[0], c[1], c[2], c[3], v.NX, v.NY, v.NZ, v.X, v.Y, v.Z});
        }
        Record.TheObject.ObjectFlags |= 0x20000;
    }
    // Points the record at the geometry; call after the last change.
    void finish(int frames = 1) {
        for (int f = 0; f < frames; ++f) {
            Geometry& g = Geo[f];
            for (auto* list : {&g.Polygons, &g.Alt})
                if (!list->empty() && list->back().MapNumber >= 0) {
                    OnePolygonVer2 end;
                    end.MapNumber = -1;
                    list->push_back(end);
                }
            Frames[f].ThePoints = g.Coloured.empty() ? g.Points.data()
                                                     : reinterpret_cast<GLT2FN3FV3FFormat*>(g.Coloured.data());
            Frames[f].ThePolygons = g.Polygons.data();
            Frames[f].TheAltPolygons = g.Alt.empty() ? nullptr : g.Alt.data();
            Frames[f].RunItems = g.Runs.data();
        }
        Record.ThePointsPolysData = Frames.data();
        Record.NumberOfPointsPolys = frames;
    }
};

// A model array of `count` empty slots (no sky, no terrain) with things put in.
inline std::unique_ptr<ModelArray> emptyWorld(long count) {
    auto models = std::make_unique<ModelArray>();
    for (long i = 0; i < count; ++i) models->append(nullptr);
    return models;
}

inline Thing* put(ModelArray& models, long index) {
    return static_cast<Thing*>(models.put(index, std::make_unique<Thing>()));
}

constexpr unsigned kUnlitFlat = 0x10 | 0x2000;  // unlit and untextured: the polygon's own colour
inline const std::array<float, 4> kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1};

inline bool near(const uint8_t* p, int r, int g, int b, int tolerance = 12) {
    return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

// The view over an empty model array of 22 slots, the camera at the origin looking north, a dark
// blue erase colour and the frame's questions answered by their defaults; frame() draws one and reads it back
// before the swap (PELLAM_SAVE_FRAMES names a folder to keep each test's last frame in).
class SceneTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        models = emptyWorld(22);
        view().setModelArray(models.get());
        view().setFrameServices(&plainServices);
        view().setCameraInsideItem(-1);
        view().setCameraInsideItem2(-1);
        view().setDrawSecondWindow(false);
        view().setEraseColorRed(0, 0, 0.5);
        view().setGlobalCameraPosition(&camera);
        view().setMessageLines(nullptr);
    }
    void TearDown() override {
        view().setModelArray(nullptr);
        view().setFrameServices(nullptr);
        view().setDrawSecondWindow(false);
        view().setFrameObserver(nullptr);
        view().setSecondFrameObserver(nullptr);
    }
    // `second`, when given, receives the second window's frame.
    RGBAImage frame(RGBAImage* second = nullptr) {
        if (second) view().setSecondFrameObserver([&] { *second = readBack(*view().getSecondWindow()); });
        const RGBAImage image = drawnFrame(view());
        view().setSecondFrameObserver(nullptr);
        if (const char* dir = std::getenv("PELLAM_SAVE_FRAMES"))
            platform::writePng(std::string(dir) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                   ".png",
                               image);
        return image;
    }
    static const uint8_t* centre(const RGBAImage& image) { return pixel(image, image.width / 2, image.height / 2); }

    QNion camera;  // at the origin, looking north
    std::unique_ptr<ModelArray> models;
    render::FrameServices plainServices;  // every question answered by its default
};

}  // namespace rendertest
