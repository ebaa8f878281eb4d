// The three aircraft shapes: every point and polygon the simulation and the hit flash rely on,
// wheels where the simulation's gear touches down, and one shape per class shared by its
// aircraft while each moves its own points.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/AircraftModel.h"

namespace pellam {
namespace {

using looks::AircraftModel;
using looks::Mover;

TEST(AircraftDrawModel, ShapesHoldWhatTheSimulationAndTheRendererRelyOn) {
    ObjectTestFile camel;
    FokkerDr1 dr1;
    FokkerDVII dvii;
    const std::pair<const AircraftModel*, FlyableAircraft*> types[] = {
        {&looks::camelModel(), &camel}, {&looks::fokkerDr1Model(), &dr1}, {&looks::fokkerDVIIModel(), &dvii}};
    for (const auto& [model, plane] : types) {
        const AircraftModel& m = *model;
        SCOPED_TRACE(m.name);
        ASSERT_GE(m.points.size(), 2889u);
        const int count = int(m.points.size()) - 1;
        EXPECT_LT(m.points.back().U, 0.0f);
        for (int i = 0; i < count; ++i) ASSERT_GE(m.points[i].U, 0.0f) << "point " << i << " would end the list";

        // Polygon 0 is the hit flash over points 2884..2887; the quad the record names, vertex 729
        // and polygon 43, is a flash quad too. Both hidden until a hit shows one.
        ASSERT_GT(m.polygons.size(), 44u);
        for (const auto& [polygon, first] : {std::pair{0, 2884}, {43, 729}}) {
            const OnePolygonVer2& flash = m.polygons[polygon];
            EXPECT_TRUE(flash.DrawHints & 0x2) << polygon;
            ASSERT_EQ(m.runs[flash.FirstItem], 4) << polygon;
            for (int k = 0; k < 4; ++k) EXPECT_EQ(m.runs[flash.FirstItem + 1 + k], first + k) << polygon;
        }

        // Every run names points that exist; markers name moving parts 1, 3 and 5 in order.
        std::vector<int> markers;
        for (const OnePolygonVer2& p : m.polygons) {
            if (p.MapNumber < 0) break;
            if (p.FirstItem < 0) {
                markers.push_back(-p.FirstItem);
                continue;
            }
            ASSERT_LT(size_t(p.FirstItem), m.runs.size());
            const int n = m.runs[p.FirstItem];
            ASSERT_LE(size_t(p.FirstItem + n + 1), m.runs.size());
            for (int k = 1; k <= n; ++k) ASSERT_LT(m.runs[p.FirstItem + k], count);
            EXPECT_LT(p.MapNumber, looks::kMapCount);
            EXPECT_LT(p.MaterialLightDataOffset, kMaxMaterials);
        }
        EXPECT_EQ(markers, (std::vector<int>{1, 3, 5}));
        EXPECT_EQ(m.polygons.back().MapNumber, -1);

        std::set<Mover> movers;
        float lowestWheel = 1e9f;
        for (const auto& g : m.groups) {
            EXPECT_GT(g.count, 0);
            EXPECT_LE(g.first + g.count, count);
            movers.insert(g.mover);
            if (g.mover != Mover::Wheels) continue;
            for (int i = g.first; i < g.first + g.count; ++i) lowestWheel = std::min(lowestWheel, m.points[i].Y);
        }
        for (Mover mv : {Mover::Elevator, Mover::Rudder, Mover::AileronLeft, Mover::AileronRight, Mover::Propeller,
                         Mover::Wheels, Mover::Gear, Mover::StickPitch, Mover::StickRoll, Mover::RudderBar, Mover::Head,
                         Mover::NeedleSpeed, Mover::NeedleAltitude, Mover::NeedleRevs})
            EXPECT_TRUE(movers.count(mv)) << int(mv);

        // The wheels' lowest points are the gear contact points the ground contact uses.
        plane->afterLightTexture3dPointChangesFor(nullptr);
        EXPECT_NEAR(lowestWheel, plane->ThisAircraft.LeftGearBottom[1], 0.45);
    }
}

TEST(AircraftDrawModel, ClassesShareOneShapeAndKeepTheirOwnPoints) {
    ObjectTestFile a, b;
    FokkerDr1 c;
    a.initWithGLView(nullptr);
    b.initWithGLView(nullptr);
    c.initWithGLView(nullptr);
    EXPECT_EQ(a.Drawing.model, &looks::camelModel());
    EXPECT_EQ(a.Drawing.model, b.Drawing.model);
    EXPECT_EQ(c.Drawing.model, &looks::fokkerDr1Model());
    EXPECT_NE(a.Drawing.pointsPolys.ThePoints, b.Drawing.pointsPolys.ThePoints);
    EXPECT_NE(a.Drawing.pointsPolys.ThePoints, a.Drawing.model->points.data());
    EXPECT_EQ(a.Drawing.pointsPolys.RunItems, b.Drawing.pointsPolys.RunItems);  // never changed, so shared

    // Up elevator on one aircraft moves its own points and nothing of the other's.
    const auto rest = b.Drawing.TemplatePointsListCopy;
    a.ThisAircraft.PElevator = 1.0;
    a.animateParts();
    int moved = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        moved += a.Drawing.TemplatePointsListCopy[i].Y != rest[i].Y;
        ASSERT_EQ(b.Drawing.TemplatePointsListCopy[i].Y, rest[i].Y) << i;
    }
    EXPECT_GT(moved, 0);
}

}  // namespace
}  // namespace pellam
