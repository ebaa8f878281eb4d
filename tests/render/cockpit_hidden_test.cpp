// The cockpit's own hidden triangles, without GL: which squares nearer ones hide from an eye at the
// origin looking along +z, and what is kept, rebuilt and never trusted again as the eye and the
// parts move; and the triangles GL makes of each primitive, taken two by two. The drawing with
// them left out is compared with the plain drawing in the frame tests.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "render/CockpitHidden.h"

namespace pellam::render {
namespace {

// Squares of triangles facing the eye at the origin (drawn under Sign -1), or turned away.
struct Squares {
    std::vector<GLT2FN3FV3FFormat> Points;
    std::vector<HidingTriangle> Triangles;
    // Adds a square of half side `half` about (cx, cy) at depth z; answers its first triangle.
    size_t add(double cx, double cy, double z, double half, bool hides = true, bool twoSided = false,
               bool turned = false) {
        const auto first = uint16_t(Points.size());
        for (auto [x, y] : {std::pair{-half, -half}, {-half, half}, {half, half}, {half, -half}})
            Points.push_back({0, 0, 0, 0, -1, float(cx + x), float(cy + y), float(z)});
        return triangles(first, hides, twoSided, turned);
    }
    // A level square of half side `half` at height y under the eye, drawn both ways.
    size_t floor(double y, double half) {
        const auto first = uint16_t(Points.size());
        for (auto [x, z] : {std::pair{-half, -half}, {-half, half}, {half, half}, {half, -half}})
            Points.push_back({0, 0, 0, 0, -1, float(x), float(y), float(z)});
        return triangles(first, true, true, false);
    }
    size_t triangles(uint16_t first, bool hides, bool twoSided, bool turned) {
        const uint16_t a = first, b = uint16_t(first + 1), c = uint16_t(first + 2), d = uint16_t(first + 3);
        const size_t at = Triangles.size();
        Triangles.push_back({a, turned ? c : b, turned ? b : c, hides, twoSided, true});
        Triangles.push_back({a, turned ? d : c, turned ? c : d, hides, twoSided, true});
        return at;
    }
    std::vector<uint8_t> hidden(double nearReach = 0.5) const {
        HidingEye eye;
        eye.Sign = -1;
        eye.NearReach = nearReach;
        return findHiddenTriangles(reinterpret_cast<const unsigned char*>(&Points[0].X), 32, Triangles, eye);
    }
};

bool both(const std::vector<uint8_t>& hidden, size_t first) { return hidden[first] && hidden[first + 1]; }
bool neither(const std::vector<uint8_t>& hidden, size_t first) { return !hidden[first] && !hidden[first + 1]; }

// Taken two by two where they can be, every primitive still gives GL's triangles, in its order and
// winding, for any count of points: triangles, quads, a strip, a fan, a polygon and lines.
TEST(CockpitHidden, TrianglesTakenInPairsAreTheTrianglesOneByOne) {
    using Triangle = std::array<uint16_t, 3>;
    std::vector<uint16_t> points(12);
    for (size_t k = 0; k < points.size(); ++k) points[k] = uint16_t(100 + 7 * k);
    long paired = 0;
    for (const int type : {0x0004, 0x0007, 0x0005, 0x0006, 0x0009, 0x0001})
        for (int n = 0; n <= int(points.size()); ++n) {
            std::vector<Triangle> one, two;
            eachTriangle(type, points.data(), n, [&](uint16_t a, uint16_t b, uint16_t c) { one.push_back({a, b, c}); });
            eachTrianglePair(
                type, points.data(), n,
                [&](uint16_t a0, uint16_t b0, uint16_t c0, uint16_t a1, uint16_t b1, uint16_t c1) {
                    two.push_back({a0, b0, c0});
                    two.push_back({a1, b1, c1});
                    ++paired;
                },
                [&](uint16_t a, uint16_t b, uint16_t c) { two.push_back({a, b, c}); });
            EXPECT_EQ(two, one) << "type " << type << ", " << n << " points";
        }
    EXPECT_GT(paired, 40) << "quads and fans go in pairs";
}

TEST(CockpitHidden, OnlyWhatNearerDrawnOpaqueSurfacesHideWhollyIsHidden) {
    Squares s;
    const size_t panel = s.add(0, 0, 2, 0.5);
    const size_t behind = s.add(0, 0, 3.5, 0.5);            // 0.14 of a tangent across, under the panel's 0.25
    const size_t peeking = s.add(0.7764, 0, 3.5, 0.1);      // out past the panel's edge by under a sample
    const size_t level = s.add(0.2, 0.2, 2, 0.1);           // at the panel's own depth
    const size_t hair = s.add(-0.2, 0.2, 2.001, 0.1);        // a thousandth of a foot behind it
    const size_t reachBlock = s.add(0, 0.6, 0.4, 0.05);     // 0.68 to 0.76 ft from the eye
    const size_t reachBehind = s.add(0, 0.9, 0.6, 0.02);    // behind it, in front of the panel
    const size_t turned = s.add(-0.3, -0.3, 1.5, 0.1, true, false, true);
    const size_t underTurned = s.add(-0.36, -0.36, 1.8, 0.05);
    const size_t seeThrough = s.add(0.3, -0.3, 1.5, 0.1, false);
    const size_t underSeeThrough = s.add(0.36, -0.36, 1.8, 0.05);
    const std::vector<uint8_t> hidden = s.hidden();
    EXPECT_TRUE(both(hidden, behind));
    EXPECT_TRUE(both(hidden, reachBehind));
    for (size_t shown : {panel, peeking, level, hair, reachBlock, turned, underTurned, seeThrough, underSeeThrough})
        EXPECT_TRUE(neither(hidden, shown)) << shown;

    // The turned square drawn both ways hides; within the near reach of the eye, nothing hides.
    s.Triangles[turned].TwoSided = s.Triangles[turned + 1].TwoSided = true;
    EXPECT_TRUE(both(s.hidden(), underTurned));
    EXPECT_TRUE(neither(s.hidden(0.75), reachBehind));
    EXPECT_TRUE(neither(s.hidden(0.72), reachBehind));  // the block's lower edge within the reach
    EXPECT_TRUE(neither(s.hidden(1.7), underTurned));
}

TEST(CockpitHidden, ASurfaceWrappedFarRoundTheEyeHidesWhatLiesWhollyBehindIt) {
    Squares s;
    s.add(0, 0, 1, 3);                         // 71 degrees each way
    const size_t behind = s.add(0, 0, 2, 5);   // 68 degrees each way
    const size_t out = s.add(0, 0, 2, 6.5);    // 73: past the edge
    // A floor under the eye, ahead and behind, and a lower one seen only within it.
    s.floor(-1, 10);
    const size_t under = s.floor(-2, 5), wider = s.floor(-2, 25);
    const std::vector<uint8_t> hidden = s.hidden();
    EXPECT_TRUE(both(hidden, behind));
    EXPECT_TRUE(both(hidden, under));
    EXPECT_TRUE(neither(hidden, out));
    EXPECT_TRUE(neither(hidden, wider));
}

// A model of the squares as one polygon (a quad) each, looked up pass by pass.
struct Kept {
    Squares S;
    std::vector<OnePolygonVer2> Polygons;
    std::vector<uint16_t> Runs;
    std::vector<CockpitHidden::PolygonLook> Looks;
    ObjectPointsPolysVer2 G{};
    CockpitHidden Hidden;
    long Pass = 0;

    void add(double cx, double cy, double z, double half) {
        const auto first = uint16_t(S.Points.size());
        S.add(cx, cy, z, half);
        OnePolygonVer2& p = Polygons.emplace_back();
        p.MapNumber = 0;
        p.DefaultDrawType = 7;  // quads
        p.FirstItem = int16_t(Runs.size());
        Runs.push_back(4);
        for (uint16_t k = 0; k < 4; ++k) Runs.push_back(uint16_t(first + k));
        Looks.push_back({0, true});
    }
    // The polygons hidden seen from (x, 0, 0) in a new pass, or -1 where nothing is answered; with
    // `waits`, a search asked for is waited for and taken up in the same pass.
    std::vector<int> look(double x = 0, bool newPass = true, bool waits = true) {
        G.ThePoints = S.Points.data();
        G.ThePolygons = Polygons.data();
        G.RunItems = Runs.data();
        Pass += newPass;
        HidingEye eye;
        eye.X = x, eye.Sign = -1, eye.NearReach = 0.5;
        CockpitHidden::Answer answer;
        std::vector<int> out;
        bool found = Hidden.lookUp(G, Polygons.data(), Looks, 32, eye, Pass, answer);
        if (!found && waits) {
            Hidden.waitForSearches();
            found = Hidden.lookUp(G, Polygons.data(), Looks, 32, eye, Pass, answer);
        }
        if (!found) return {-1};
        for (size_t i = 0; i < Polygons.size(); ++i)
            if (const uint8_t* h = answer.of(i); h && h[0] && h[1]) out.push_back(int(i));
        return out;
    }
    void shift(int polygon, float dx) {
        for (int k = 0; k < 4; ++k) S.Points[size_t(4 * polygon + k)].X += dx;
    }
};

TEST(CockpitHidden, KeptByEyePlaceBuiltWhereTheEyeRestsAndNeverTrustingAPartOnceItMoved) {
    Kept m;
    m.add(0, 0, 2, 0.5);       // 0: the panel
    m.add(0, 0, 3.5, 0.5);     // 1: behind it
    m.add(0, 0, 1.5, 0.1);     // 2: a stick in front of it
    m.add(0, 0, 1.8, 0.02);    // 3: behind the stick
    m.Polygons.emplace_back();  // the end
    const std::vector<int> both{1, 3}, farOnly{1}, none{};
    EXPECT_EQ(m.look(), both);
    EXPECT_EQ(m.look(0, false), both);  // the same pass, the same answer
    EXPECT_EQ(m.look(), both);
    EXPECT_EQ(m.Hidden.built(), 1);

    // A moving eye: nothing answered until it rests; the place left is still kept.
    EXPECT_EQ(m.look(0.01), std::vector<int>{-1});
    EXPECT_EQ(m.look(0.02), std::vector<int>{-1});
    EXPECT_EQ(m.look(0.02), both);
    EXPECT_EQ(m.look(0.02 + 5e-6), both);  // within the place
    EXPECT_EQ(m.look(0), both);
    EXPECT_EQ(m.Hidden.built(), 2);

    // The stick moves aside: nothing is answered until no part has started to move for a while,
    // then what it hid shows, and it hides nothing after, back where it was.
    const auto settled = [&](const std::vector<int>& expected) {
        for (long k = 1; k < CockpitHidden::kSettlingPasses; ++k) EXPECT_EQ(m.look(), std::vector<int>{-1}) << k;
        EXPECT_EQ(m.look(), expected);
    };
    m.shift(2, 0.5f);
    EXPECT_EQ(m.look(), std::vector<int>{-1});
    m.shift(2, -0.5f);
    settled(farOnly);
    EXPECT_EQ(m.look(), farOnly);
    // The panel drawn see-through once: it hides nothing again, whatever it is drawn as after.
    m.Looks[0].Opaque = false;
    EXPECT_EQ(m.look(), std::vector<int>{-1});
    m.Looks[0].Opaque = true;
    settled(none);
}

// An answer that lands after the eye has left its place, or after a part has moved or a look
// changed, is thrown away, never used; the search is asked for again where the eye rests.
TEST(CockpitHidden, AnAnswerThatNoLongerFitsWhenItLandsIsThrownAway) {
    Kept m;
    m.add(0, 0, 2, 0.5);     // 0: the panel
    m.add(0, 0, 3.5, 0.5);   // 1: behind it
    m.add(0, 0, 1.5, 0.1);   // 2: a stick in front of the panel
    m.add(0, 0, 1.8, 0.02);  // 3: behind the stick
    m.Polygons.emplace_back();
    const std::vector<int> both{1, 3}, farOnly{1}, nothing{-1};
    // Asked from x = 0; the eye has moved on when it lands.
    EXPECT_EQ(m.look(0, true, false), nothing);
    m.Hidden.waitForSearches();
    EXPECT_EQ(m.look(0.02, true, false), nothing);
    EXPECT_EQ(m.Hidden.thrownAway(), 1);
    EXPECT_EQ(m.Hidden.built(), 0);
    // Resting at 0.02: asked there, and taken up.
    EXPECT_EQ(m.look(0.02), both);
    EXPECT_EQ(m.Hidden.built(), 1);

    // Asked from a new place; the stick moves before the answer lands: what it hid is not left out.
    EXPECT_EQ(m.look(0.04, true, false), nothing);
    EXPECT_EQ(m.look(0.04, true, false), nothing);  // rested: asked
    m.Hidden.waitForSearches();
    m.shift(2, 1.0f);
    EXPECT_EQ(m.look(0.04, true, false), nothing);
    EXPECT_EQ(m.Hidden.thrownAway(), 2);
    for (long k = 1; k < CockpitHidden::kSettlingPasses; ++k) EXPECT_EQ(m.look(0.04, true, false), nothing) << k;
    EXPECT_EQ(m.look(0.04), farOnly);
    EXPECT_EQ(m.Hidden.thrownAway(), 2);
    EXPECT_EQ(m.Hidden.built(), 2);
}

// Dropped while a search is under way or waiting, the keeper ends without waiting for it.
TEST(CockpitHidden, EndsWhileASearchRuns) {
    for (int k = 0; k < 3; ++k) {
        Kept m;
        m.add(0, 0, 2, 0.5);
        m.add(0, 0, 3.5, 0.5);
        m.Polygons.emplace_back();
        EXPECT_EQ(m.look(0, true, false), std::vector<int>{-1});
    }
}

}  // namespace
}  // namespace pellam::render
