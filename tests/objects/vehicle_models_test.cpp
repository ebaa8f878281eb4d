// The trucks and tanks as the mission makes them: polygons that name only their own vertices,
// the long tank's boxes and its treads.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "tests/objects/ObjectFakes.h"
#include "missions/ObjectFactory.h"
#include "objects/Tanks.h"
#include "objects/TruckWWI.h"

namespace pellam::fakes {
namespace {

std::unique_ptr<ZephModel> made(int32_t code, RecordingView& view, ModelArray& array) {
    missions::ObjectFactory factory;
    missions::ObjectForMission row{};
    row.ObjectCode = code;
    missions::FactoryContext context;
    context.view = &view;
    factory.loadCorrectObject(row, array, context);
    return array.take(array.size() - 1);
}

int countPoints(const ObjectPointsPolysVer2& g) {
    int n = 0;
    while (g.ThePoints[n].U >= 0) ++n;
    return n;
}
int countPolygons(const ObjectPointsPolysVer2& g) {
    int n = 0;
    while (g.ThePolygons[n].MapNumber >= 0) ++n;
    return n;
}

TEST(VehicleModels, FactoryMakesEachCodeAModelWhosePolygonsNameOnlyItsVertices) {
    RecordingView view;
    ModelArray array;
    for (int32_t code : {14, 63, 16, 75, 76}) {
        auto object = made(code, view, array);
        auto* v = dynamic_cast<GroundVehicle*>(object.get());
        ASSERT_TRUE(v) << code;
        const ObjectPointsPolysVer2& g = v->ModelPointsPolys();
        const int vertices = countPoints(g), polygons = countPolygons(g);
        EXPECT_GT(polygons, 0) << code;
        for (int p = 0; p < polygons; ++p) {
            const uint16_t* run = g.RunItems + g.ThePolygons[p].FirstItem;
            for (int k = 1; k <= run[0]; ++k) EXPECT_LT(run[k], vertices) << code << " polygon " << p;
        }
    }
}

// The long tank's boxes hold its hull and tracks (13 by 32 ft), so a bullet through its side at
// x = 5 hits; only the side sponsons and gun muzzles stand out of them.
TEST(VehicleModels, LongTankBoxesHoldItsBody) {
    Tank2WWI tank;
    tank.initWithGLView(nullptr);
    const ObjectPointsPolysVer2& g = tank.ModelPointsPolys();
    const auto& box = g.SizeSquare[0];
    const auto& hit = tank.ThisModel.TheObject.HitSquare;
    for (int i = 16; i < 115; ++i) {  // both tracks and the left frame
        const GLT2FN3FV3FFormat& p = g.ThePoints[i];
        EXPECT_GE(p.X, hit[0] - 0.05) << i;
        EXPECT_LE(p.X, hit[1] + 0.05) << i;
        EXPECT_GE(p.Z, hit[4]) << i;
        EXPECT_LE(p.Z, hit[5]) << i;
        EXPECT_LE(p.Y, hit[3]) << i;
        EXPECT_GE(p.X, box[0] - 0.05f) << i;
        EXPECT_LE(p.Z, box[5]) << i;
    }
    EXPECT_GE(hit[1], 5.0);
}

// Along the tread v runs back and forth inside about 0.3..0.7; driving never changes any
// texture coordinate.
TEST(VehicleModels, TankTreadsAreLaidOnceAndNeverMove) {
    for (int which = 0; which < 2; ++which) {
        VehicleRig r(which ? std::unique_ptr<GroundVehicle>(new Tank2WWI) : std::unique_ptr<GroundVehicle>(new TankWWI));
        const GLT2FN3FV3FFormat* p = r.v->ModelPointsPolys().ThePoints;
        double most = 0;
        for (int i = 16; i <= 32; ++i) {
            EXPECT_GT(p[i].V, 0.3 - 0.2) << i;
            EXPECT_LT(p[i].V, 0.7 + 0.2) << i;
            EXPECT_EQ(p[i].V, p[i + 17].V);
            most = std::max(most, double(p[i].V));
        }
        EXPECT_GT(most, 0.65);
        std::vector<std::pair<float, float>> before;
        for (int i = 0; p[i].U >= 0; ++i) before.emplace_back(p[i].U, p[i].V);
        r.point(0, r.x(), r.z() + 5000);
        r.start(1);
        r.tick(300);
        r.v->getDrawingData(r.time);
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(p[i].U, before[i].first) << i;
            EXPECT_EQ(p[i].V, before[i].second) << i;
        }
    }
}

}  // namespace
}  // namespace pellam::fakes
