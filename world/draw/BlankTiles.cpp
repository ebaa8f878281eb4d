// Under an alpha test that passes only alphas near one, whole parts of a deck's picture let no
// fragment through: a layer none of whose texels can pass is not drawn, and of a side drawn
// unblended the magnified square, and the ring round it out to where the GL reads no level past
// kMippedTileLevel, go as the runs of the picture's tiles a fragment can pass in. The tiles left out
// would have been turned away fragment by fragment, so every pixel stays the same; the runs,
// grown a little, overlap where a pixel drawn twice takes the same colour. Saving in instructions
// a frame: not yet measured.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

// The most opaque texel of any level of a picture, 0..255 (255 where it cannot be read), kept from
// draw to draw by the drawer, whose textures are its own GL context's.
int TerrainDrawer::mostOpaque(uint32_t texture) {
    for (const auto& k : OpaqueKept)
        if (k.first == texture && texture != 0) return k.second;
    glPushAttrib(GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    const auto levels = alphaLevels(texture);
    glPopClientAttrib();
    glPopAttrib();
    int most = levels.empty() ? 255 : 0;
    for (const auto& level : levels)
        for (const uint8_t a : level) most = std::max(most, int(a));
    OpaqueKept[OpaqueNext] = {texture, most};
    OpaqueNext = (OpaqueNext + 1) % OpaqueKept.size();
    return most;
}

// Of the picture's first level, per tile of kTileTexels x kTileTexels texels, the most opaque
// texel within it and the one more all round that the linear filter reaches (wrapping round, as the
// decks repeat their picture); kept for the last few GL names read.
const TerrainDrawer::TileAlphas& TerrainDrawer::tileAlphas(uint32_t texture) {
    for (const auto& k : TilesKept)
        if (k.Texture == texture && texture != 0) return k;
    TileAlphas& out = TilesKept[TilesNext];
    TilesNext = (TilesNext + 1) % TilesKept.size();
    out = TileAlphas{};
    out.Texture = texture;
    GLint width = 0, height = 0, wrapS = 0, wrapT = 0;
    glPushAttrib(GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    const auto levels = readLevels(texture, GL_ALPHA, kMippedTileLevel);
    glPopClientAttrib();
    glPopAttrib();
    // Only a repeating square picture of whole tiles; else no tile is known.
    if (levels.empty() || wrapS != GL_REPEAT || wrapT != GL_REPEAT || width != height || width < kTileTexels ||
        width % kTileTexels != 0 ||
        levels[0].size() != size_t(width) * size_t(height))
        return out;
    const int n = width / kTileTexels;
    // Level L's texels within a tile and one more all round, wrapping round.
    const auto mostOf = [&](int level, int ti, int tj) {
        const int w = width >> level, texels = kTileTexels >> level;
        uint8_t most = 0;
        for (int j = tj * texels - 1; j <= (tj + 1) * texels; ++j)
            for (int i = ti * texels - 1; i <= (ti + 1) * texels; ++i)
                most = std::max(most, levels[size_t(level)][size_t((j + w) % w) * size_t(w) + size_t((i + w) % w)]);
        return most;
    };
    // The levels up to kMippedTileLevel, each half the last each way, a tile still whole texels.
    bool mipped = levels.size() == size_t(kMippedTileLevel) + 1 && (kTileTexels >> kMippedTileLevel) >= 1;
    for (size_t level = 1; mipped && level < levels.size(); ++level)
        mipped = levels[level].size() == size_t(width >> level) * size_t(height >> level);
    out.Across = n;
    out.Most.assign(size_t(n) * size_t(n), 0);
    if (mipped) out.Mipped.assign(size_t(n) * size_t(n), 0);
    for (int tj = 0; tj < n; ++tj)
        for (int ti = 0; ti < n; ++ti) {
            const size_t at = size_t(tj) * size_t(n) + size_t(ti);
            out.Most[at] = mostOf(0, ti, tj);
            if (!mipped) continue;
            out.Mipped[at] = out.Most[at];
            for (int level = 1; level <= kMippedTileLevel; ++level)
                out.Mipped[at] = std::max(out.Mipped[at], mostOf(level, ti, tj));
        }
    return out;
}

// The square [-half, half]^2 (ft about the eye's foot) of a deck whose picture, spanning `tile` ft,
// has its corner (u, v) = (0, 0) at (-u0, -v0) pictures from the eye, cut along the picture's tile
// lines into rectangles (x0, x1, z0, z1), into `out`: row by row, the runs of tiles where some texel
// the linear filter reads on the first level lies above `failing` (0..255, of the picture's
// alpha), each grown by `grow` ft each way, past the square's sides too. False, with nothing cut,
// where the picture has no tiles or the square spans more of them than are worth cutting out.
bool TerrainDrawer::squareTiles(double half, double u0, double v0, double tile, const TileAlphas& alphas,
                                double failing, double grow, std::vector<std::array<double, 4>>& out) {
    out.clear();
    return half > 0 && rectTiles({-half, half, -half, half}, u0, v0, tile, alphas.Across, alphas.Most, failing, grow,
                                 TilesLeftOut, out);
}

bool TerrainDrawer::rectTiles(const std::array<double, 4>& rect, double u0, double v0, double tile, int across,
                              const std::vector<uint8_t>& most, double failing, double grow, long& leftOut,
                              std::vector<std::array<double, 4>>& out) {
    const int n = across;
    if (n <= 0 || most.size() != size_t(n) * size_t(n) || !(rect[1] > rect[0]) || !(rect[3] > rect[2]) ||
        std::max(rect[1] - rect[0], rect[3] - rect[2]) / tile * n > kMostTilesAcross)
        return false;
    // The tile lines within the rectangle, at x = (m / n - origin) tile, and its sides.
    const auto lines = [&](double origin, double lo, double hi, std::vector<double>& at) {
        at.clear();
        at.push_back(lo);
        for (long m = long(std::floor((origin + lo / tile) * n)) + 1;; ++m) {
            const double x = (double(m) / n - origin) * tile;
            if (x >= hi) break;
            if (x > lo) at.push_back(x);
        }
        at.push_back(hi);
    };
    lines(u0, rect[0], rect[1], TileXs);
    lines(v0, rect[2], rect[3], TileZs);
    // The tile a part between two lines lies in, by its middle.
    const auto index = [&](double origin, double a, double b) {
        const long k = long(std::floor((origin + (a + b) / 2 / tile) * n));
        return size_t(((k % n) + n) % n);
    };
    for (size_t j = 0; j + 1 < TileZs.size(); ++j) {
        const size_t tj = index(v0, TileZs[j], TileZs[j + 1]);
        const double z0 = TileZs[j] - grow, z1 = TileZs[j + 1] + grow;
        size_t from = 0;
        bool open = false;
        for (size_t i = 0; i + 1 < TileXs.size(); ++i) {
            const bool blank = most[tj * size_t(n) + index(u0, TileXs[i], TileXs[i + 1])] <= failing;
            leftOut += blank;
            if (!blank && !open) from = i, open = true;
            if (blank && open) out.push_back({TileXs[from] - grow, TileXs[i] + grow, z0, z1}), open = false;
        }
        if (open) out.push_back({TileXs[from] - grow, rect[1] + grow, z0, z1});
    }
    return true;
}

// The magnified square's rectangles {x0, x1, z0, z1} (ft) into `rects`, then those of the ring round
// it, then the four bands round those out to the deck's edge; how many are the square's.
size_t TerrainDrawer::DeckPass::magnifiedRects(const Layer& layer, const Side& side, std::vector<std::array<double, 4>>& rects) {
    const double hf = side.Half;
    const bool leavesOut = Unblended && side.Above && layer.Tiles;
    rects.clear();
    if (!(leavesOut && Drawer.squareTiles(hf, U0, V0, kTile, *layer.Tiles, TilesFailing / layer.Alpha, kTileOverlap, rects)))
        rects.assign(1, {-hf, hf, -hf, hf});
    const size_t squareRects = rects.size();
    // Round it, out to where the GL reads no level past kMippedTileLevel (the step's bound there at
    // most kMagnified x 2^level texels), the ring's four sides go as the runs of the tiles that a
    // fragment can pass the alpha test in at any of those levels.
    double ring = hf;
    const GLint f = layer.MinFilter;
    const bool mipmapped = f == GL_LINEAR_MIPMAP_NEAREST || f == GL_NEAREST_MIPMAP_NEAREST || f == GL_LINEAR_MIPMAP_LINEAR ||
                           f == GL_NEAREST_MIPMAP_LINEAR;
    if (leavesOut && !layer.Tiles->Mipped.empty() && Drawer.BlankMippedTilesLeftOut && mipmapped &&
        layer.Sound.Last >= kMippedTileLevel) {
        const double h = std::abs(double(side.Y));
        const double far2 = kMagnified * double(1 << kMippedTileLevel) * layer.Texel * h * Focal - h * h;
        const double most = kMostTilesAcross / 2 * kTile / layer.Tiles->Across;  // the widest cut
        ring = std::min({far2 > 0 ? std::sqrt(far2 / 2) : 0.0, double(Reach), most});
        if (ring > hf)
            for (const std::array<double, 4>& band : {std::array<double, 4>{-ring, ring, -ring, -hf},
                                                      std::array<double, 4>{-ring, ring, hf, ring},
                                                      std::array<double, 4>{-ring, -hf, -hf, hf},
                                                      std::array<double, 4>{hf, ring, -hf, hf}})
                if (!Drawer.rectTiles(band, U0, V0, kTile, layer.Tiles->Across, layer.Tiles->Mipped,
                                      TilesFailing / layer.Alpha, kTileOverlap, Drawer.MippedTilesLeftOut, rects))
                    rects.push_back(band);
        ring = std::max(ring, hf);
    }
    rects.insert(rects.end(), {{-Reach, Reach, -Reach, -ring}, {-Reach, Reach, ring, Reach},
                               {-Reach, -ring, -ring, ring}, {ring, Reach, -ring, ring}});
    return squareRects;
}

}  // namespace pellam::worlddraw
