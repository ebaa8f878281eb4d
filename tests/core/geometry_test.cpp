#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "core/Mesh.h"
#include "core/TableModel.h"

namespace pellam {
namespace {

GLT2FN3FV3FFormat pt(float x, float y, float z, float u = 0, float v = 0) { return {u, v, 0, 0, 0, x, y, z}; }
const GLT2FN3FV3FFormat kEndPoint{-1, 0, 0, 0, 0, 0, 0, 0};

OnePolygonVer2 poly(int16_t type, int16_t firstItem, int32_t uvHint = -1, int32_t lightingHint = 0) {
    OnePolygonVer2 p;
    p.MapNumber = 0;
    p.DefaultDrawType = type;
    p.FirstItem = firstItem;
    p.AutoUVHint = uvHint;
    p.LightingHint = lightingHint;
    return p;
}

// A geometry record over vectors the test owns.
struct Geometry {
    std::vector<GLT2FN3FV3FFormat> points;
    std::vector<OnePolygonVer2> polygons;
    std::vector<uint16_t> runs;
    ObjectPointsPolysVer2 pp;

    ObjectPointsPolysVer2* prepare() {
        points.push_back(kEndPoint);
        OnePolygonVer2 end;
        end.MapNumber = -1;
        polygons.push_back(end);
        pp.ThePoints = points.data();
        pp.ThePolygons = polygons.data();
        pp.RunItems = runs.data();
        ZephModel::FillInObjectPolyData2(&pp);
        return &pp;
    }
    std::array<float, 3> normal(int i) const { return {points[i].NX, points[i].NY, points[i].NZ}; }
};

// The first n entries of a fixed table.
template <typename T, size_t N>
std::vector<T> firstOf(const std::array<T, N>& table, size_t n) {
    return {table.begin(), table.begin() + n};
}

TEST(GeometryPreparation, NormalsLightingHintsAndExtents) {
    Geometry g;
    // Seven points in a triangle list: only 0..5 form faces; 6 keeps the up normal of no face.
    g.points = {pt(0, 0, 0), pt(0, 0, 1), pt(1, 0, 0), pt(2, 0, 0), pt(2, 0, 1), pt(3, 0, 0), pt(9, 9, 9)};
    g.runs = {7, 0, 1, 2, 3, 4, 5, 6, /*line*/ 2, 3, 5};
    g.polygons = {poly(4, 0), poly(1, 8)};
    g.prepare();
    EXPECT_EQ(g.normal(6), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(g.normal(4), (std::array<float, 3>{0, 1, 0}));
    // The later line polygon cleared the normals of its points; nothing added to them after.
    EXPECT_EQ(g.normal(3), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(g.pp.ObjectExtends[1], 9.0f);  // every run point counts, the unfaced one too

    // Hint 1: a point on the mirror plane ends with no sideways normal.
    Geometry mirrored;
    mirrored.points = {pt(0, 0, 0), pt(0, 0, 1), pt(1, 1, 0)};
    mirrored.runs = {3, 0, 1, 2};
    mirrored.polygons = {poly(4, 0, -1, 1)};
    mirrored.prepare();
    EXPECT_EQ(mirrored.points[0].NX, 0.0f);
    EXPECT_EQ(mirrored.points[1].NX, 0.0f);
    EXPECT_NE(mirrored.points[2].NX, 0.0f);
    EXPECT_NEAR(std::hypot(mirrored.points[0].NY, mirrored.points[0].NZ), 1.0, 1e-6);

    // Extents count only runs a polygon reaches.
    Geometry reached;
    reached.points = {pt(-3, 0, -1), pt(2, 10, 1), pt(0, 5, 0), pt(50, 50, 50)};
    reached.runs = {3, 0, 1, 2, 1, 3};
    reached.polygons = {poly(4, 0), poly(4, -1)};
    reached.prepare();
    EXPECT_EQ(reached.pp.ObjectExtends, (std::array<float, 6>{-3, 2, 0, 10, -1, 1}));
    EXPECT_EQ(reached.pp.OverallSizeDistance, 675.0f);

    // A flat square drawn as a strip, a fan, a quad and a polygon, all counter-clockwise seen
    // from above, faces up every way.
    Geometry square;
    square.points = {pt(0, 0, 1), pt(1, 0, 1), pt(0, 0, 0), pt(1, 0, 0),   // strip order
                     pt(0, 0, 1), pt(1, 0, 1), pt(1, 0, 0), pt(0, 0, 0)};  // ring order
    square.runs = {4, 0, 1, 2, 3, 4, 4, 5, 6, 7, 4, 4, 5, 6, 7, 4, 4, 5, 6, 7};
    square.polygons = {poly(5, 0), poly(6, 5), poly(7, 10), poly(9, 15)};
    square.prepare();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(square.normal(i), (std::array<float, 3>{0, 1, 0})) << i;
}

TEST(TextureCoordinates, RulesStripsAndTheLastPolygonWins) {
    Geometry g;
    g.points = {pt(2, 5, -4), pt(10, 0, 0), pt(0, 0, 0), pt(0, 0, 1), pt(0, 0, 2), pt(0, 0, 3), pt(0, 0, 4),
                pt(0, 0, 5), pt(7, 7, 7, 0.25f, 0.75f)};
    g.runs = {1, 0, 1, 1, 6, 2, 3, 4, 5, 6, 7, 1, 8};
    g.polygons = {poly(0, 0, 0), poly(0, 2, 1), poly(0, 4, 2), poly(0, 11, -1)};
    const UVFormula rules[] = {
        {3, 2, 1, 1, 0, 0, 1, 1, 10},
        {1, 3, -1, 1, 0, 0, 0.5, 0, 10},
        {7, 2, 1, 1, 0, 0.012, 0.79, 0, 10},
    };
    g.prepare();
    ZephModel::TextureThesePolygonsNew(&g.pp, rules);
    EXPECT_FLOAT_EQ(g.points[0].U, 0.6f);
    EXPECT_FLOAT_EQ(g.points[0].V, 1.5f);
    EXPECT_FLOAT_EQ(g.points[1].U, -0.5f);
    const float strip[] = {0.79f, 0.79f, 0.802f, 0.802f, 0.814f, 0.814f};
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(g.points[2 + i].U, strip[i]);
    EXPECT_FLOAT_EQ(g.points[8].U, 0.25f);  // no rule: the table's coordinates stand
    EXPECT_FLOAT_EQ(g.points[8].V, 0.75f);

    // Two polygons share a point: the later one decides its coordinates.
    Geometry shared;
    shared.points = {pt(2, 5, -4)};
    shared.runs = {1, 0, 1, 0};
    shared.polygons = {poly(0, 0, 0), poly(0, 2, 1)};
    ZephModel::TextureThesePolygonsNew(shared.prepare(), rules);
    EXPECT_FLOAT_EQ(shared.points[0].U, -0.2f + 0.5f);
}

// A demonstration model: a striped pylon 8 ft square and 22 ft tall, with a base slab for
// its dead state, built from tables as every model class is.
const ObjectHeaderTable kPylonObject{"TestPylon", 0x420, 0, {}, 0, 20, 0, 42240, 47520, -250, 26400};
const ObjectHeaderTable kScenery{"TestPylon", 0x400, 0, {}, 0, 20, 0, 42240, 47520, -250, 26400};
const TableName kPylonMaps[] = {"TestPylonStripes", "TestPylonMissing", "\x01"};
const TableName kPylonItems[] = {"TestPylonFilePP", "kStartOfDeadOnGroundList", "TestPylonSlabPP", "\x01"};
const GLT2FN3FV3FFormat kPylonPoints[] = {
    pt(-4, 0, 4), pt(4, 0, 4), pt(4, 22, 4), pt(-4, 22, 4),      // front (+Z)
    pt(4, 0, -4), pt(-4, 0, -4), pt(-4, 22, -4), pt(4, 22, -4),  // back
    pt(4, 0, 4), pt(4, 0, -4), pt(4, 22, -4), pt(4, 22, 4),      // right (+X)
    pt(-4, 0, -4), pt(-4, 0, 4), pt(-4, 22, 4), pt(-4, 22, -4),  // left
    pt(-4, 22, 4, 0.5f, 0.5f), pt(4, 22, 4, 1, 0.5f), pt(4, 22, -4, 1, 1), pt(-4, 22, -4, 0.5f, 1),  // top
    kEndPoint};
const OnePolygonVer2 kPylonPolys[] = {poly(7, 0, 0), poly(7, 9, 1), poly(7, 18), {}};
const uint16_t kPylonRuns[] = {8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 9, 10, 11, 12, 13, 14, 15, 4, 16, 17, 18, 19};
const UVFormula kPylonUV[] = {
    {1, 2, 1, 1, 4, 0, 0, 0, 16},   // front and back: across X, stripes up Y
    {3, 2, -1, 1, 4, 0, 0.5, 0, 16},
};
const GLT2FN3FV3FFormat kSlabPoints[] = {pt(-5, 0, 5), pt(5, 0, 5), pt(5, 1, -5), pt(-5, 1, -5), kEndPoint};
const OnePolygonVer2 kSlabPolys[] = {poly(7, 0), {}};
const uint16_t kSlabRuns[] = {4, 0, 1, 2, 3};

class TestPylon : public TableModel {
public:
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &ThisModel; }
    ObjectPointsPolysVer2* getModelPointsPolysPtr() override { return &ModelPointsPolys(); }
    bool withSlab = true;
    bool scenery = false;  // a header without "can be hit"
    int initialisations = 0;

protected:
    const ModelTables& tables() const override {
        static const GeometryTables main{"TestPylonFilePP", kPylonMaps, kPylonPoints, kPylonPolys, kPylonRuns, 150, 25};
        static const ModelTables pylon{&kPylonObject, main, kPylonItems, kPylonUV};
        static const ModelTables sceneryPylon{&kScenery, main, kPylonItems, kPylonUV};
        return scenery ? sceneryPylon : pylon;
    }
    void setClassValues() override {
        ThisModel.TheObject.AnimateItems[0] = 0;
        ThisModel.TheObject.AnimateItems[1] = kItemEndOfList;
    }
    void loadMoreGeometries() override {
        if (withSlab) loadMoreGeometry(0, {"TestPylonSlabPP", nullptr, kSlabPoints, kSlabPolys, kSlabRuns, 8, 4});
    }
    void doInitialization() override { ++initialisations; }
};

class FakeView : public ViewServices {
public:
    std::vector<std::string> asked;
    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t flag, int32_t size, int32_t depth,
                                         int32_t) override {
        asked.push_back(path);
        const bool inResources = path.rfind(ZephModel::getPathToResources(), 0) == 0;
        return path.find("Stripes") != std::string::npos && inResources ? 12 : -2;
    }
    int32_t missingTextureSlot() override { return 299; }
};

// Every model writes its tables through Mesh: what it writes ends as the drawer reads it, a model
// out of step with its posed numbers stops, and nothing the 16-bit tables cannot name gets in.
TEST(MeshTables, WrittenEndedAndBounded) {
    Mesh m;
    const int a = m.vertex(1, 2, 3, 0.25, 0.5), b = m.vertex(4, 5, 6);
    m.expectAt(2, "test");
    EXPECT_THROW(m.expectAt(3, "test"), std::logic_error);
    m.polygon(3, 7, 0x10, {a, b});
    m.marker(2);
    m.polygon(1, 5, 0, {b, a, b});
    m.finish();
    ASSERT_EQ(m.pointCount(), 2);
    ASSERT_EQ(m.polygonCount(), 3);
    EXPECT_LT(m.points.back().U, 0.0f);
    EXPECT_EQ(m.polygons.back().MapNumber, -1);
    EXPECT_EQ(m.points[a].NY, 1.0f);
    EXPECT_EQ(m.polygons[1].FirstItem, -2);  // the marker names part 2 and has no run
    EXPECT_EQ(m.runs, (std::vector<uint16_t>{2, 0, 1, 3, 1, 0, 1}));
    EXPECT_EQ(m.polygons[2].FirstItem, 3);

    Mesh bad;
    EXPECT_THROW(bad.polygon(0, 7, 0, {-1, 0, 1}), std::length_error);
    EXPECT_THROW(bad.polygon(0, 7, 0, {65535}), std::length_error);
    EXPECT_THROW(bad.polygon(0, 9, 0, std::vector<int>(32767, 0)), std::length_error);
    EXPECT_TRUE(bad.runs.empty() && bad.polygons.empty());
    for (int k = 0; k < 65535; ++k) bad.vertex(0, 0, 0);
    EXPECT_THROW(bad.vertex(0, 0, 0), std::length_error);
    EXPECT_EQ(bad.points.size(), 65535u);
}

TEST(TableModelTest, PylonIsBuiltAndCompleted) {
    FakeView view;
    TestPylon pylon;
    ASSERT_TRUE(pylon.initWithGLView(&view));
    ObjectPointsPolysVer2& pp = pylon.ModelPointsPolys();
    EXPECT_EQ(pylon.initialisations, 1);

    // Outward normals on every side.
    const std::array<float, 3> expected[] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}};
    for (int side = 0; side < 5; ++side)
        for (int k = 0; k < 4; ++k) {
            const GLT2FN3FV3FFormat& p = pp.ThePoints[side * 4 + k];
            EXPECT_EQ((std::array<float, 3>{p.NX, p.NY, p.NZ}), expected[side]) << side;
        }
    EXPECT_EQ(pp.ObjectExtends, (std::array<float, 6>{-4, 4, 0, 22, -4, 4}));
    EXPECT_EQ(pp.OverallSizeDistance, 3.0f * 27 * 27);  // can be hit: 3 (22 + 5)^2

    EXPECT_EQ(kPylonPoints[1].U, 0.0f);  // the tables themselves are untouched by the texture rules

    // Textures: each name asked of the user folder, then of the resources; the missing one is
    // given the view's fallback, not slot 0.
    ASSERT_EQ(view.asked.size(), 4u);
    EXPECT_NE(view.asked[0].find("/Necessary Data/Textures/TestPylonStripes"), std::string::npos);
    EXPECT_EQ(firstOf(pp.MapListOffset, 3), (std::vector<int16_t>{12, 299, 0}));

    // Items: main, dead-on-ground, the slab as alternate 0 (item 1), drawn as PointsPolys[1].
    const auto& items = pylon.ThisModel.TheObject.AnimateItems;
    EXPECT_EQ(firstOf(items, 4), (std::vector<int16_t>{0, kItemStartDeadOnGround, 1, kItemEndOfList}));
    EXPECT_EQ(pylon.ThisModel.NumberOfPointsPolys, 2);
    EXPECT_STREQ(pylon.ThisModel.ThePointsPolysData[items[2]].PointsPolysName.data(), "TestPylonSlabPP");
}

TEST(TableModelTest, ItemListWithoutAlternatesAndAnimation) {
    TestPylon pylon;
    pylon.withSlab = false;
    pylon.scenery = true;
    ASSERT_TRUE(pylon.initWithGLView(nullptr));  // no view: nothing is loaded, nothing fails
    EXPECT_EQ(pylon.ModelPointsPolys().OverallSizeDistance, 0.0f);  // flags lack 0x20: cannot be hit
    const auto& items = pylon.ThisModel.TheObject.AnimateItems;
    EXPECT_EQ(firstOf(items, 3), (std::vector<int16_t>{0, kItemStartDeadOnGround, kItemEndOfList}));

    // Dead on the ground with flag 0x400: the ground sequence plays and holds its last item.
    OneCompleteObjectVer2& object = pylon.ThisModel;
    object.TheObject.AnimateItems = {};
    const int16_t sequence[] = {0, kItemStartDeadOnGround, 4, 5, 6, kItemEndDeadOnGround, kItemEndOfList};
    std::copy(std::begin(sequence), std::end(sequence), object.TheObject.AnimateItems.begin());
    object.TheObject.GlobalDeadTime = 100;
    object.TheObject.AnimateFrameTime = 3;
    ZephModel::setCurrentAnimateItem(&object, 103);
    EXPECT_EQ(object.TheObject.CurrentAnimateItem, 3);
    ZephModel::setCurrentAnimateItem(&object, 1000);
    EXPECT_EQ(object.TheObject.CurrentAnimateItem, 4);
    ZephModel::setCurrentAnimateItem(&object, 50);  // alive, no cycling flag
    EXPECT_EQ(object.TheObject.CurrentAnimateItem, 0);
}

}  // namespace
}  // namespace pellam
