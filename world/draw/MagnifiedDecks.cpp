// Round the eye's foot a deck's picture is magnified on every pixel, and the GL reads its first
// level by the magnifying filter whatever the mip levels: that square is cut out and read without
// them, so the rasteriser skips working out a level for each of its pixels. The texels read are the
// same, so every pixel stays the same. The square is cut out only under the boxes whose window it
// reaches and where enough of it shows round the cover to pay for its edges. Saves, in instructions
// a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke):
// 0, 0.6, 0.4, 0, 5.4 M.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

// The half-width (ft) of the square round the eye's foot within which the picture is magnified for
// sure, on a side h ft off the eye: its corners within d of the eye, d^2 = kMagnified x texel x h / turn.
double TerrainDrawer::DeckPass::magnifiedHalf(const Layer& layer, double h) const {
    const double within2 = layer.Texel > 0 && h >= 1.0 ? kMagnified * layer.Texel * h * Focal - h * h : 0.0;
    return within2 > 0 ? std::sqrt(within2 / 2) : 0.0;
}

// The boxes the side is drawn under whole, and those it is cut round its magnified square under:
// told of the given boxes, and of a box cut from one as of that one, so that both draw the same.
void TerrainDrawer::DeckPass::sortBoxes(const Side& side, const BoxSet& set) {
    const double half = side.Half;
    const bool splits = half > 0 && half < Reach;
    const float y = side.Y;
    const DeckPoint square[4] = {{-float(half), y, -float(half), 0, 0}, {float(half), y, -float(half), 0, 0},
                                 {float(half), y, float(half), 0, 0}, {-float(half), y, float(half), 0, 0}};
    JudgedWholeCount = 0, JudgedCutCount = 0;
    std::array<bool, kMostBoxes> cut{};
    int shows = -1;  // the square's open share enough: told when first asked
    for (int b = 0; b < Given.Count; ++b) {
        bool split = splits;
        if (split) {
            const bool reaches = !Given.Windows[size_t(b)].missesAll(square, 4);
            if (reaches && shows < 0) shows = View.openShare(square, 4) >= kMagnifiedShare;
            split = reaches && shows == 1;
        }
        cut[size_t(b)] = split;
        (split ? JudgedCut[size_t(JudgedCutCount++)] : JudgedWhole[size_t(JudgedWholeCount++)]) = &Given.Windows[size_t(b)];
    }
    WholeCount = 0, CutCount = 0;
    for (int b = 0; b < set.Count; ++b) {
        const size_t from = size_t(std::clamp(set.From[size_t(b)], 0, Given.Count - 1));
        if (cut[from])
            CutWindows[size_t(CutCount)] = &set.Windows[size_t(b)], Cut[size_t(CutCount++)] = set.Live[size_t(b)];
        else
            WholeWindows[size_t(WholeCount)] = &set.Windows[size_t(b)], Whole[size_t(WholeCount++)] = set.Live[size_t(b)];
    }
}

// The square and the four bands round it, their corners' picture coordinates taken as the deck's
// at that place, so that pieces meeting there share their points; the square read unmipped.
void TerrainDrawer::DeckPass::drawMagnified(const Layer& layer, const Side& side) {
    View.Boxes = std::span<const std::array<int, 4>>(Cut.data(), View.Boxed ? size_t(CutCount) : 0);
    View.Windows = std::span<const DrawnWindow* const>(CutWindows.data(), View.Boxes.size());
    View.Judged = std::span<const DrawnWindow* const>(JudgedCut.data(), Given.Boxed ? size_t(JudgedCutCount) : 0);
    ++Drawer.DecksMagnified;
    const auto point = [&](double x, double z) {
        return DeckPoint{float(x), side.Y, float(z), float(U0 + x / kTile), float(V0 + z / kTile)};
    };
    const double hf = side.Half;
    const std::array<double, 4> rects[] = {{-hf, hf, -hf, hf},
                                           {-Reach, Reach, -Reach, -hf},
                                           {-Reach, Reach, hf, Reach},
                                           {-Reach, -hf, -hf, hf},
                                           {hf, Reach, -hf, hf}};
    const auto beyond = [&](const DeckPoint& p) { return View.ahead(p) - FogStart; };
    const auto within = [&](const DeckPoint& p) { return FogStart - View.ahead(p); };
    NearPieces.clear(), FarPieces.clear(), NearMagnified.clear(), FarMagnified.clear();
    for (size_t q = 0; q < std::size(rects); ++q) {
        const auto& b = rects[q];
        const DeckPoint piece[4] = {point(b[0], b[2]), point(b[1], b[2]), point(b[1], b[3]), point(b[0], b[3])};
        DeckPieces& near = q == 0 ? NearMagnified : NearPieces;
        DeckPieces& far = q == 0 ? FarMagnified : FarPieces;
        if (!side.Apart) {
            far.add(piece, 4);
            continue;
        }
        DeckPoint cut[kMaxDeckPoints];
        near.add(cut, keepWhere(piece, 4, cut, within));
        far.add(cut, keepWhere(piece, 4, cut, beyond));
    }
    const double raise = side.Apart ? fogRaise(side.FarPart, side.FarCount, View) : fogRaise(side.Quad, 4, View);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, layer.MagFilter);
    NearMagnified.draw(View, false, 0);
    FarMagnified.draw(View, true, raise);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, layer.MinFilter);
    NearPieces.draw(View, false, 0);
    FarPieces.draw(View, true, raise);
}

}  // namespace pellam::worlddraw
