// Outside a cockpit's slice of the depths the depth buffer holds the ground alone: a deck side that
// shows nowhere the ground does (seen from below, every line of sight to it climbs over all the
// ground; seen from above, all the ground lies under it) is drawn without the depth test, which
// could turn none of its fragments away, and the rasteriser reads no depth for its pixels. The
// ground's steepest climb also tells the dome's rings drawn untested (DomeDepthTest.cpp). Left out
// so, the depth test saved, in instructions a frame of the game frame benchmark (cockpit_camel,
// cockpit_dvii, chase, low_front, wreck_smoke): 0, 0, 3.8, 0, 7.7 M while the decks came before the
// objects; drawn after them, a deck keeps its depth test wherever an object was drawn.
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

}  // namespace pellam::worlddraw
