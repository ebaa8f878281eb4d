// A fogged deck's linear fog worked out at its corners instead of at each pixel: the pieces are cut
// where the fog starts and ends into bands across which its factor is affine, so interpolated it is
// the GL's own at every pixel, and the rasteriser reads no fog colour or parameter there. A cut that
// shows costs a row of partly covered blocks on either side, so the fog goes in the vertices only
// where that costs less than it saves on the deck's blocks. Saves, in instructions a frame of the
// game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 0, 0, 0.1, 0, 3.3 M.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw::sky {

namespace {

// Whether the polygon can reach the window drawn under any box (the scissor as it stands, where
// no boxes are given).
bool reachesAnyWindow(const DeckView& view, const std::optional<DrawnWindow>& whole, const DeckPoint* p, int n) {
    if (whole) return !whole->missesAll(p, n);
    return std::any_of(view.Judged.begin(), view.Judged.end(), [&](const DrawnWindow* w) { return !w->missesAll(p, n); });
}

}  // namespace

bool fogInVertices(PieceList& pieces, const DeckView& view) {
    static thread_local std::vector<DeckPoint> bandPoints;
    static thread_local std::vector<int> bandCounts;
    bandPoints.clear(), bandCounts.clear();
    std::optional<DrawnWindow> whole;
    if (view.Judged.empty()) whole.emplace();
    const auto within = [&](const DeckPoint& p) { return view.FogStart - view.ahead(p); };
    const auto beyond = [&](const DeckPoint& p) { return view.ahead(p) - view.FogStart; };
    const auto beforeEnd = [&](const DeckPoint& p) { return view.FogEnd - view.ahead(p); };
    const auto pastEnd = [&](const DeckPoint& p) { return view.ahead(p) - view.FogEnd; };
    // A piece whose cuts show pays for them where, with the rest, it saves more on its blocks.
    double cutLength = 0, blocks = 0;
    const DeckPoint* at = pieces.Points;
    for (int k = 0; k < pieces.Pieces; at += pieces.Counts[k++]) {
        const int n = std::min(pieces.Counts[k], kMaxDeckPoints);
        std::array<std::array<DeckPoint, kMaxDeckPoints>, 3> bands{};
        DeckPoint rest[kMaxDeckPoints];
        std::array<int, 3> sizes{};
        sizes[0] = keepWhere(at, n, bands[0].data(), within);
        // Both bands past the start are cut from the same part, so they share their points.
        const int m = keepWhere(at, n, rest, beyond);
        sizes[1] = keepWhere(rest, m, bands[1].data(), beforeEnd);
        sizes[2] = keepWhere(rest, m, bands[2].data(), pastEnd);
        int shown = 0;
        for (size_t b = 0; b < bands.size(); ++b)
            shown += sizes[b] >= 3 && reachesAnyWindow(view, whole, bands[b].data(), sizes[b]);
        if (shown > 1) {
            cutLength += (sizes[0] >= 3 ? view.crossingLength(at, n, view.FogStart) : 0.0) +
                         (sizes[2] >= 3 ? view.crossingLength(at, n, view.FogEnd) : 0.0);
            blocks += view.openShare(at, n) * view.Viewport[2] * view.Viewport[3] / 16.0;
        }
        for (size_t b = 0; b < bands.size(); ++b)
            if (sizes[b] >= 3) {
                bandPoints.insert(bandPoints.end(), bands[b].begin(), bands[b].begin() + sizes[b]);
                bandCounts.push_back(sizes[b]);
            }
    }
    if (cutLength * view.CutCostPerPixel > blocks * kFogSavedPerBlock) return false;
    pieces = {bandPoints.data(), bandCounts.data(), int(bandCounts.size())};
    return true;
}

void fogInColours(SentPoint& point, double ahead, const DeckView& view) {
    const double f = std::clamp((view.FogEnd - ahead) / (view.FogEnd - view.FogStart), 0.0, 1.0);
    const auto& c = view.FogColour;
    const auto& colour = point.Colour;
    point.Colour = {float(colour[0] * f), float(colour[1] * f), float(colour[2] * f), colour[3]};
    point.Secondary = {float(c[0] * (1 - f)), float(c[1] * (1 - f)), float(c[2] * (1 - f))};
}

}  // namespace pellam::worlddraw::sky
