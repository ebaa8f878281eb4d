// Outside a cockpit's slice of the depths the depth buffer holds the ground alone: a deck side that
// shows nowhere the ground does (seen from below, every line of sight to it climbs over all the
// ground; seen from above, all the ground lies under it) is drawn without the depth test, which
// could turn none of its fragments away, and the rasteriser reads no depth for its pixels. The
// ground's steepest climb also tells the dome's rings drawn untested (DomeDepthTest.cpp). Left out
// so, the depth test saves, in instructions a frame of the game frame benchmark (cockpit_camel,
// cockpit_dvii, chase, low_front, wreck_smoke): 0, 0, 0, 0, 8.4 M. Drawn after the objects, a deck
// keeps its depth test over the box where they may have lit pixels (partBoxes), scissored apart
// from the rest of the window.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;
using world::kGridSize;
using world::kSquareFeet;

namespace sky {

// The steepest climb from the eye to the ground within `reach` (rise over run, each square taken at
// its highest post and nearest point, a foot higher to spare the rounding of its depths): minus
// infinity where none climbs, infinity where the eye is no higher than the ground under it. Only
// ground near enough to climb as steeply as `least` (when positive) is looked at, `highest` ft being
// the highest post within reach.
double steepestGround(const RIDUdidav& t, const Eye& eye, double reach, double highest, double least) {
    constexpr double kMargin = 1.0;  // ft
    double steepest = -std::numeric_limits<double>::infinity();
    if (!(highest >= eye.Y - kMargin)) return steepest;
    const double within = (least > 0 ? std::min((highest - eye.Y + kMargin) / least, reach) : reach) + kSquareFeet;
    const int ci = int(std::floor(eye.X / kSquareFeet)), cj = int(std::floor(eye.Z / kSquareFeet));
    const int r = int(within / kSquareFeet) + 1;
    const int i0 = std::max(ci - r, 0), i1 = std::min(ci + r, kGridSize - 2);
    const int j0 = std::max(cj - r, 0), j1 = std::min(cj + r, kGridSize - 2);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const double rise = std::max({t.postFeet(i, j), t.postFeet(i + 1, j), t.postFeet(i, j + 1),
                                          t.postFeet(i + 1, j + 1)}) - eye.Y + kMargin;
            if (rise <= 0) continue;
            const double dx = std::max({i * kSquareFeet - eye.X, eye.X - (i + 1) * kSquareFeet, 0.0});
            const double dz = std::max({j * kSquareFeet - eye.Z, eye.Z - (j + 1) * kSquareFeet, 0.0});
            const double run = std::sqrt(dx * dx + dz * dz);
            if (run <= 0) return std::numeric_limits<double>::infinity();
            steepest = std::max(steepest, rise / run);
        }
    return steepest;
}

// Whether a level deck `height` ft above the eye (below it when negative), reaching `reach` ft each
// way, shows nowhere the ground does, whose highest post within reach of the eye is `highest` ft:
// seen from below, every line of sight to the deck climbs at least as steeply as to its far
// corners and passes over all the ground; seen from above, all the ground lies under the deck,
// which is met first.
bool deckClearOfGround(const RIDUdidav& t, const Eye& eye, double height, double reach, double highest) {
    if (height < 0) return highest < eye.Y + height - 1.0;
    const double slope = height / (reach * M_SQRT2);
    return steepestGround(t, eye, reach, highest, slope) < slope;
}

// The highest post of the ground within `reach` of the eye (ft); minus infinity without ground.
double highestGround(const RIDUdidav& t, const Eye& eye, double reach) {
    double highest = -std::numeric_limits<double>::infinity();
    if (!t.hasGrid()) return highest;
    const int ci = int(std::floor(eye.X / kSquareFeet)), cj = int(std::floor(eye.Z / kSquareFeet));
    const int r = int(reach / kSquareFeet) + 1;
    const int i0 = std::max(ci - r, 0), i1 = std::min(ci + r + 1, kGridSize - 1);
    const int j0 = std::max(cj - r, 0), j1 = std::min(cj + r + 1, kGridSize - 1);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) highest = std::max(highest, double(t.postFeet(i, j)));
    return highest;
}

}  // namespace sky

// Drawn after the objects, a deck reads their depths where they were drawn: a side clear of the
// ground keeps the depth test under the given boxes' parts over the box that holds every pixel
// centre they may have lit (a pixel wider each way for the GL's rounding), and goes without it
// under the parts round it, a rectangle below, above, left and right of it in each. Where the box
// covers all the boxes, or the parts would be more than a deck is drawn under, every side keeps
// the test.
void TerrainDrawer::DeckPass::partBoxes(const std::array<double, 4>& depths) {
    Parted = false;
    if (!(depths[0] <= depths[2] && depths[1] <= depths[3])) return;  // no object drawn
    const auto pixel = [](double v) { return int(std::clamp(v, -1e9, 1e9)); };
    const int x0 = pixel(std::floor(depths[0]) - 1), y0 = pixel(std::floor(depths[1]) - 1);
    const int x1 = pixel(std::ceil(depths[2]) + 1), y1 = pixel(std::ceil(depths[3]) + 1);
    std::array<std::array<int, 4>, kMostBoxes> near{}, clear{};
    std::array<int, kMostBoxes> nearFrom{}, clearFrom{};  // the given box each is cut from
    size_t nears = 0, clears = 0;
    const int regions = Given.Boxed ? Given.Count : 1;
    bool fits = true;
    for (int k = 0; k < regions && fits; ++k) {
        // x, y, width, height: a given box, or the scissor as it stands, or else the viewport.
        const auto& r = Given.Boxed || glIsEnabled(GL_SCISSOR_TEST) ? Given.Live[size_t(k)] : View.Viewport;
        const int rx0 = r[0], ry0 = r[1], rx1 = r[0] + r[2], ry1 = r[1] + r[3];
        const int ix0 = std::max(rx0, x0), iy0 = std::max(ry0, y0), ix1 = std::min(rx1, x1), iy1 = std::min(ry1, y1);
        const std::array<int, 4> parts[] = {{rx0, ry0, rx1 - rx0, iy0 - ry0},   // below
                                            {rx0, iy1, rx1 - rx0, ry1 - iy1},   // above
                                            {rx0, iy0, ix0 - rx0, iy1 - iy0},   // left
                                            {ix1, iy0, rx1 - ix1, iy1 - iy0}};  // right
        if (ix0 >= ix1 || iy0 >= iy1) {
            if ((fits = clears < clear.size())) clearFrom[clears] = k, clear[clears++] = r;
            continue;
        }
        if ((fits = nears < near.size())) nearFrom[nears] = k, near[nears++] = {ix0, iy0, ix1 - ix0, iy1 - iy0};
        for (const auto& part : parts)
            if (part[2] > 0 && part[3] > 0 && fits && (fits = clears < clear.size()))
                clearFrom[clears] = k, clear[clears++] = part;
    }
    if (!fits || clears == 0) {
        GroundOnly = false;
        return;
    }
    if (nears == 0) return;  // no object drawn within the boxes
    Near.read({near.data(), nears}, {nearFrom.data(), nears});
    Clear.read({clear.data(), clears}, {clearFrom.data(), clears});
    Parted = true;
}

}  // namespace pellam::worlddraw
