// The three aircraft shapes: built once and shared, sized like their definitions, with every
// point and polygon the simulation and the hit flash rely on, and control surfaces that turn
// about their hinges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "aircraft/draw/AircraftModel.h"

namespace pellam {
namespace {

using looks::AircraftModel;
using looks::Mover;

struct Expected {
    const char* name;
    const AircraftModel& (*model)();
    float span, length;  // ft, tip to tip and spinner to rudder
};

const Expected kTypes[] = {
    {"Camel", looks::camelModel, 28.0f, 18.7f},
    {"Dr.I", looks::fokkerDr1Model, 23.6f, 18.9f},
    {"D.VII", looks::fokkerDVIIModel, 29.2f, 21.5f},
};

TEST(AircraftDrawModel, TablesHoldWhatTheSimulationAndTheRendererRelyOn) {
    for (const Expected& e : kTypes) {
        SCOPED_TRACE(e.name);
        const AircraftModel& m = e.model();
        ASSERT_GE(m.points.size(), 2889u);
        const int count = int(m.points.size()) - 1;
        EXPECT_LT(m.points.back().U, 0.0f);
        for (int i = 0; i < count; ++i) ASSERT_GE(m.points[i].U, 0.0f) << "point " << i << " would end the list";
        // The quad the record names, vertex 729 and polygon 43, is a flash quad too, kept hidden.
        const OnePolygonVer2& alt = m.polygons[43];
        EXPECT_TRUE(alt.DrawHints & 0x2);
        ASSERT_EQ(m.runs[alt.FirstItem], 4);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(m.runs[alt.FirstItem + 1 + k], 729 + k);

        // Polygon 0 is the hit flash over points 2884..2887, hidden until a hit shows it.
        ASSERT_GT(m.polygons.size(), 44u);
        const OnePolygonVer2& flash = m.polygons[0];
        EXPECT_TRUE(flash.DrawHints & 0x2);
        ASSERT_EQ(m.runs[flash.FirstItem], 4);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(m.runs[flash.FirstItem + 1 + k], 2884 + k);

        // Every run names points that exist; markers name parts 1, 3 and 5 in order.
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
        for (const auto& g : m.groups) {
            EXPECT_GT(g.count, 0);
            EXPECT_LE(g.first + g.count, count);
            movers.insert(g.mover);
        }
        for (Mover mv : {Mover::Elevator, Mover::Rudder, Mover::AileronLeft, Mover::AileronRight, Mover::Propeller,
                         Mover::Wheels, Mover::Gear, Mover::StickPitch, Mover::StickRoll, Mover::RudderBar, Mover::Head,
                         Mover::NeedleSpeed, Mover::NeedleAltitude, Mover::NeedleRevs})
            EXPECT_TRUE(movers.count(mv)) << int(mv);

        // Sized as the real aircraft: span and length within a foot and a half.
        const auto& x = m.extents;
        EXPECT_NEAR(x[1] - x[0], e.span, 1.5f);
        EXPECT_NEAR(x[5] - x[4], e.length, 1.5f);
        EXPECT_NEAR(x[0], -x[1], 0.8f);  // symmetric
        EXPECT_GT(x[5], 2.5f);           // the spinner ahead of the reference point
    }
}

TEST(AircraftDrawModel, WheelsSitWhereTheGearTouchesDown) {
    // The lowest points of the wheels are the gear contact points the ground contact uses.
    ObjectTestFile camel;
    camel.afterLightTexture3dPointChangesFor(nullptr);
    FokkerDVII dvii;
    dvii.afterLightTexture3dPointChangesFor(nullptr);
    FokkerDr1 dr1;
    dr1.afterLightTexture3dPointChangesFor(nullptr);
    const std::pair<const AircraftModel*, const FlyableAircraft*> types[] = {
        {&looks::camelModel(), &camel}, {&looks::fokkerDVIIModel(), &dvii}, {&looks::fokkerDr1Model(), &dr1}};
    for (const auto& [m, plane] : types) {
        float lowest = 1e9f;
        for (const auto& g : m->groups)
            if (g.mover == Mover::Wheels)
                for (int i = g.first; i < g.first + g.count; ++i) lowest = std::min(lowest, m->points[i].Y);
        EXPECT_NEAR(lowest, plane->ThisAircraft.LeftGearBottom[1], 0.45) << m->name;
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

    // Up elevator on one aircraft lifts its elevator's trailing edge and nothing of the other's.
    const auto& groups = a.Drawing.model->groups;
    const auto elevator = std::find_if(groups.begin(), groups.end(), [](auto& g) { return g.mover == Mover::Elevator; });
    ASSERT_NE(elevator, groups.end());
    int trailing = elevator->first;
    for (int i = elevator->first; i < elevator->first + elevator->count; ++i)
        if (a.Drawing.TemplatePointsListCopy[i].Z < a.Drawing.TemplatePointsListCopy[trailing].Z) trailing = i;
    const float restY = a.Drawing.TemplatePointsListCopy[trailing].Y;
    a.ThisAircraft.PElevator = 1.0;
    a.animateParts();
    EXPECT_GT(a.Drawing.TemplatePointsListCopy[trailing].Y, restY + 0.3f);
    EXPECT_FLOAT_EQ(b.Drawing.TemplatePointsListCopy[trailing].Y, restY);
    // Everything else of the first aircraft stays where the shape has it.
    int moved = 0;
    for (size_t i = 0; i < a.Drawing.TemplatePointsListCopy.size(); ++i)
        if (a.Drawing.TemplatePointsListCopy[i].Y != a.Drawing.model->points[i].Y) ++moved;
    int stick = 0;
    for (const auto& g : groups)
        if (g.mover == Mover::Elevator || g.mover == Mover::StickPitch || g.mover == Mover::StickRoll) stick += g.count;
    EXPECT_LE(moved, stick);
}

}  // namespace
}  // namespace pellam
