// The object drawer may draw a batch of polygons together with an earlier one of the same look,
// ahead of the batches between: each scene here is made so that doing so wrongly shows, and every
// picture must be the plain rules' own, pixel for pixel. A cockpit piece's batch may also be drawn
// untextured in its picture's mean colour, by a choice no light may change.
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/DrawHints.h"
#include "core/ZephModel.h"
#include "tests/PictureRule.h"
#include "tests/render/ViewFixture.h"

namespace rendertest {
namespace {

using namespace pellam;

// Quads 100 ft north of the camera, each its own polygon, in the order added.
struct Quads : ZephModel {
    std::vector<GLT2FN3FV3FFormat> Points;
    std::vector<OnePolygonVer2> Polygons;
    std::vector<uint16_t> Runs;
    ObjectPointsPolysVer2 Geometry{};
    OneCompleteObjectVer2 Record;

    Quads() {
        Record.TheObject.TooFar = Record.TheObject.UseAlt = Record.TheObject.DotDistance = 100000;
        Record.TheObject.Behind = -50;
        Record.ObjectMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 100, 1};
    }
    // A square of half side `half` ft about (x, y), textured from map entry `map` (-1: untextured),
    // lit by material `material`, or unlit in the picture's own colours; its right-hand corners'
    // normals lean `bend` to the right (0: one normal, one colour).
    void add(double x, double y, double half, int map, int material, bool unlit = false, float bend = 0) {
        const auto first = uint16_t(Points.size());
        for (auto [dx, dy] : {std::pair{-1, -1}, {-1, 1}, {1, 1}, {1, -1}}) {
            const float nx = dx > 0 ? bend : 0, length = std::sqrt(nx * nx + 1);
            Points.push_back({float(dx > 0), float(dy > 0), nx / length, 0, -1 / length, float(x + dx * half),
                              float(y + dy * half), 0});
        }
        OnePolygonVer2& p = Polygons.emplace_back();
        p.MapNumber = int16_t(map < 0 ? 0 : map);
        p.DefaultDrawType = GL_QUADS;
        p.DrawHints = (map < 0 ? kUntextured : 0) | (unlit ? kUnlit : 0);
        p.PolyColor = {float(unlit), float(unlit), float(unlit), 1};  // unlit, white; untextured lit, the emission
        p.MaterialLightDataOffset = int16_t(material);
        p.FirstItem = int16_t(Runs.size());
        Runs.push_back(4);
        for (uint16_t k = 0; k < 4; ++k) Runs.push_back(uint16_t(first + k));
    }
    OneCompleteObjectVer2* getDrawingData(int32_t) override {
        if (Polygons.empty() || Polygons.back().MapNumber >= 0) Polygons.emplace_back().MapNumber = -1;
        Geometry.ThePoints = Points.data();
        Geometry.ThePolygons = Polygons.data();
        Geometry.RunItems = Runs.data();
        Record.ThePointsPolysData = &Geometry;
        Record.NumberOfPointsPolys = 1;
        return &Record;
    }
    float* getPointerToRelativeEyeX() override { return &Record.TheObject.EyeRelativeX; }
};

class BatchOrderTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        for (long i = 0; i < 12; ++i) models.append(nullptr);
        view().setModelArray(&models);
        view().setCameraInsideItem(-1);
        view().setEraseColorRed(0, 0, 0.5);
        const QNion camera;  // at the origin, looking north
        view().setGlobalCameraPosition(&camera);
        for (int k = 0; k < 3; ++k) {
            const std::string path = writePicture("batch" + std::to_string(k) + "D.png", 64, 64,
                                                  [k](int x, int y, uint8_t* p) {
                                                      p[0] = uint8_t(k == 0 ? 250 : 40 + x);
                                                      p[1] = uint8_t(k == 1 ? 250 : 40 + y);
                                                      p[2] = uint8_t(k == 2 ? 250 : 90);
                                                  });
            slots[k] = view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0);
        }
    }
    void TearDown() override { view().setModelArray(nullptr); }
    // Quads in model slot `slot` (5 and 6 are aircraft slots, drawn one after the other).
    Quads* object(long slot = 5) {
        auto* q = static_cast<Quads*>(models.put(slot, std::make_unique<Quads>()));
        for (int k = 0; k < 3; ++k) q->Geometry.MapListOffset[k] = int16_t(slots[k]);
        return q;
    }
    static void material(Quads& q, int k, float ambient, float diffuse, float alpha) {
        q.Geometry.MaterialLightingData[k] = {ambient, ambient, ambient, 1, diffuse, diffuse * 0.5f, diffuse, alpha,
                                              0, 0, 0, 1, 0};
    }
    // The frame with the shortcuts and by the plain rules.
    std::pair<RGBAImage, RGBAImage> frames() {
        const RGBAImage drawn = drawnFrame(view());
        view().setExactDrawing(true);
        const RGBAImage reference = drawnFrame(view());
        view().setExactDrawing(false);
        return {drawn, reference};
    }

    // The frame with the shortcuts is the plain rules' own, pixel for pixel; it is returned.
    RGBAImage expectAsPlain(const char* what) {
        auto [drawn, reference] = frames();
        EXPECT_TRUE(drawn.pixels == reference.pixels) << what;
        return drawn;
    }
    // Map 0's squares, bright, either side of map 1's, dark: the second joins the first ahead of
    // map 1's, and the plain order leaves map 0's material set last.
    static void mapOneBetweenMapZeros(Quads& q) {
        material(q, 0, 1, 1, 1);
        material(q, 1, 0, 0.2f, 1);
        q.add(-20, 0, 5, 0, 0);
        q.add(0, 0, 5, 1, 1);
        q.add(20, 0, 5, 0, 0);
    }

    ModelArray models;
    std::array<int32_t, 3> slots{};
};

TEST_F(BatchOrderTest, BatchesMovedAheadShareNoPixelAndLeaveTheMaterialAsThePlainOrderLeavesIt) {
    ASSERT_GE(std::min({slots[0], slots[1], slots[2]}), 0);
    // Map 0's second square lies over map 1's, in the same plane: drawn after it, it shows.
    {
        Quads* q = object();
        material(*q, 0, 0.3f, 0.8f, 1);
        q->add(-20, 0, 5, 0, 0, true);
        q->add(10, 0, 5, 1, 0, true);
        q->add(14, 0, 5, 0, 0, true);
        const RGBAImage drawn = expectAsPlain("over another picture");
        const double perFoot = drawn.height / (2 * 4.275 / (8.25 * 1.25) * 100);  // at 100 ft
        const uint8_t* over = pixel(drawn, int(drawn.width / 2 + 12 * perFoot), drawn.height / 2);
        EXPECT_GT(over[0], over[1]) << "map 0's picture on top";
    }
    // Map 0's second square, apart from map 1's, joins its first: an untextured lit square after
    // them takes the material map 0 set last by the plain order, not map 1's.
    {
        Quads* q = object();
        mapOneBetweenMapZeros(*q);
        q->add(0, 20, 5, -1, 0);
        expectAsPlain("the inherited material");
    }
    // Two materials of one colour and two alphas: the plain order draws map 0's second square
    // with the alpha of material 1, set last for that colour, though its own is half.
    {
        Quads* q = object();
        material(*q, 0, 0.3f, 0.9f, 0.5f);
        material(*q, 1, 0.3f, 0.9f, 1);
        material(*q, 2, 0.1f, 0.4f, 1);
        q->add(-20, 0, 5, 0, 0);
        q->add(0, 15, 5, 2, 2);
        q->add(0, -15, 5, 1, 1);
        q->add(20, 0, 5, 0, 0);
        expectAsPlain("a colour with two alphas");
    }
}

// Aircraft drawn one after another: a batch of the second may be drawn just after the first's
// batch of the same picture, ahead of the first's later batches, only where it shares no pixel
// with them; and the next aircraft inherits the material the plain order leaves, though the
// first's batches are still held.
TEST_F(BatchOrderTest, BatchesOfTheNextAircraftMovedAheadShareNoPixel) {
    ASSERT_GE(std::min({slots[0], slots[1], slots[2]}), 0);
    // The second's map 0 square lies over the first's map 1 square, in the same plane.
    {
        Quads* first = object(5);
        Quads* second = object(6);
        material(*first, 0, 0.3f, 0.8f, 1);
        material(*second, 0, 0.3f, 0.8f, 1);
        first->add(-20, 0, 5, 0, 0, true);
        first->add(10, 0, 5, 1, 0, true);
        second->add(14, 0, 5, 0, 0, true);
        expectAsPlain("over the first aircraft's other picture");
    }
    // The first's second map 0 square joins its first, ahead of its map 1 square: the second's
    // untextured lit square, first of its polygons, takes the material map 0 set last in the plain
    // order, not map 1's.
    {
        mapOneBetweenMapZeros(*object(5));
        Quads* second = object(6);
        material(*second, 0, 1, 1, 1);
        material(*second, 1, 0, 0.2f, 1);
        second->add(0, 20, 5, -1, 0);
        expectAsPlain("the material inherited from the first aircraft");
    }
}

// A batch of one normal may be filled flat, and GL's shade model carries from one aircraft to the
// next: a square whose corners are lit apart, drawn after a flat one (held back, or in place as an
// untextured lit square is), is still filled smooth.
TEST_F(BatchOrderTest, APieceLitApartAtItsCornersIsFilledSmoothAfterAFlatOne) {
    ASSERT_GE(slots[0], 0);
    for (const int map : {0, -1}) {
        SCOPED_TRACE(map);
        Quads* flat = object(5);
        Quads* bent = object(6);
        material(*flat, 0, 0.2f, 0.8f, 1);
        material(*bent, 0, 0.2f, 0.8f, 1);
        flat->add(-20, 0, 8, 0, 0);
        bent->add(20, 0, 8, map, 0, false, 1.5f);
        auto [drawn, reference] = frames();
        // The bent square's colour moves across it (corners inside by a fifth of its side)...
        const double perFoot = reference.height / (2 * 4.275 / (8.25 * 1.25) * 100);
        const auto at = [&](double x, double y) {
            return pixel(reference, int(reference.width / 2 + x * perFoot), int(reference.height / 2 - y * perFoot));
        };
        const uint8_t *left = at(14, 6), *right = at(26, -6);
        EXPECT_GT(std::abs(int(left[0]) - int(right[0])) + std::abs(int(left[1]) - int(right[1])), 8);
        // ...and filled flat only where that moves a colour by rounding alone.
        EXPECT_LE(pellam::testing::farthestApart(drawn, reference), 1);
    }
}

// A cockpit batch some of whose triangles read its picture's level 0 magnified, here a large
// face-on square, and the rest not, a floor reaching far ahead whose far rows it partly hides, is
// drawn in two, the square's through the level-0 sampler: the picture the one draw gives, pixel
// for pixel. Every texel its own colour, so that a floor read through level 0 alone would show.
TEST_F(BatchOrderTest, ACockpitBatchSplitByTheLevelItsTrianglesReadDrawsTheSamePicture) {
    const std::string path = writePicture("speckleD.png", 64, 64, [](int x, int y, uint8_t* p) {
        const uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
        p[0] = uint8_t(h), p[1] = uint8_t(h >> 8), p[2] = uint8_t(h >> 16);
    });
    const int32_t speckle = view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0);
    ASSERT_GE(speckle, 0);
    Quads* cockpit = object(5);
    cockpit->Geometry.MapListOffset[0] = int16_t(speckle);
    material(*cockpit, 0, 0.4f, 0.8f, 1);
    cockpit->add(-30, 2, 22, 0, 0, true);
    cockpit->add(0, 0, 1, 0, 0, true);
    // The floor, 12 ft below the eye, from 5 ft short of the square to 150 ft beyond it.
    for (size_t k = 4; k < 8; ++k) {
        GLT2FN3FV3FFormat& q = cockpit->Points[k];
        const bool far = q.V > 0;
        q.X = q.U > 0 ? 20.0f : -20.0f;
        q.Y = -12;
        q.Z = far ? 150.0f : -5.0f;
    }
    view().setCameraInsideItem(5);
    const long before = view().batchesSplit();
    const RGBAImage split = drawnFrame(view());
    EXPECT_EQ(view().batchesSplit() - before, 1);
    view().setSplitsBatches(false);
    const RGBAImage whole = drawnFrame(view());
    view().setSplitsBatches(true);
    EXPECT_TRUE(split.pixels == whole.pixels);
    // Drawn exactly, it is one draw.
    view().setExactDrawing(true);
    drawnFrame(view());
    view().setExactDrawing(false);
    EXPECT_EQ(view().batchesSplit() - before, 1);
    view().setCameraInsideItem(-1);
    view().glDeleteONETexture(speckle);
}

// Far aircraft, a few dozen pixels across, each of squares in two pictures by turns, each square
// partly hidden by the one before, and a mark raised on the last: their batches are gathered by
// picture across the aircraft, past the batches they meet, for one change of state a look, and
// the depth test alone decides each shared pixel as before. The mark, which writes no depth,
// stays after the surface it lies on; near aircraft keep their order.
TEST_F(BatchOrderTest, FarAircraftGatheredByPictureDrawTheSamePicture) {
    ASSERT_GE(std::min({slots[0], slots[1], slots[2]}), 0);
    // Three aircraft of squares of half side `half` ft, 100 ft ahead, each square farther than the one before.
    const auto fleet = [&](double half) {
        for (const long slot : {5L, 6L, 7L}) {
            Quads* q = object(slot);
            material(*q, 0, 0.3f, 0.8f, 1);
            const double x = 5 * half * double(slot - 6);
            const auto at = [&](float z) {
                for (size_t n = q->Points.size() - 4; n < q->Points.size(); ++n) q->Points[n].Z = z;
            };
            for (int k = 0; k < 4; ++k) {
                // The last aircraft's last square, lit, is a look none before has: its mark's
                // batch is held after the others' marks, and must not be drawn ahead of it.
                q->add(x + (k - 1.5) * 0.75 * half, 0, half, k % 2, 0, !(slot == 7 && k == 3));
                at(float(0.4 * half * k));
            }
            q->add(x + 1.75 * half, 0, 0.3 * half, 2, 0, true);  // on what the third leaves of the last
            q->Polygons.back().DrawHints |= kOffset;
            at(float(1.2 * half));
        }
    };
    const auto drawn = [&](bool gathers) {
        view().setGathersHeld(gathers);
        const long before = view().heldStateChanges();
        const RGBAImage image = drawnFrame(view());
        view().setGathersHeld(true);
        return std::pair{image, view().heldStateChanges() - before};
    };
    fleet(0.6);  // squares 10 px across
    const auto [gathered, gatheredChanges] = drawn(true);
    const auto [inTurn, inTurnChanges] = drawn(false);
    view().setExactDrawing(true);
    const RGBAImage reference = drawnFrame(view());
    view().setExactDrawing(false);
    EXPECT_TRUE(gathered.pixels == reference.pixels);
    EXPECT_TRUE(inTurn.pixels == reference.pixels);
    EXPECT_EQ(gatheredChanges, 5) << "pictures 0 and 1, the marks, the lit square, its mark";
    EXPECT_GT(inTurnChanges, gatheredChanges);
    // The mark shows on its square, in its own picture (map 2's, blue).
    const double perFoot = reference.height / (2 * 4.275 / (8.25 * 1.25) * 100);
    const uint8_t* mark = pixel(gathered, int(gathered.width / 2 + 1.05 * perFoot), gathered.height / 2);
    EXPECT_GT(mark[2], mark[0]);
    // Near, squares 65 px across, they keep their order: every change of state is made.
    fleet(4.0);
    const auto [near, nearChanges] = drawn(true);
    const auto [nearInTurn, nearInTurnChanges] = drawn(false);
    EXPECT_EQ(nearChanges, nearInTurnChanges);
    EXPECT_TRUE(near.pixels == nearInTurn.pixels);
}
}  // namespace
}  // namespace rendertest
