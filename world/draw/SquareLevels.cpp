#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// Which level of its picture the GL reads on a far square, and from which level on a picture lies
// close to its mean or a road's texels all fail the alpha test: what the mean-colour squares and
// the blank roads are decided by. Two shortcuts rest on it: a far road square whose picture reads
// only levels that no texel passes is left out (it would draw nothing; LeavesBlankRoadsOut),
// saving in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 6.9, 4.3, 6.6, 4.8, 0.7 M; and the fog's share counted in a far
// square's closeness to its mean (MeanCountsTheFog), saving 2.1, 2.2, 3.0, -0.3, -0.2 M.
#include <algorithm>
#include <cmath>
#include <limits>

#include <xmmintrin.h>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

// A lower bound on how many square edges of picture one pixel step spans on the square (i, j),
// wherever the GL measures it for a pixel quad that touches the square; 0 when no bound is sure. The picture's coordinates follow the ground's x and z (turned by quarter turns
// at most), and the GL takes a pixel quad's level from the largest of their differences to the
// quad's neighbours across and up: on each of the square's two planes, the largest entry of the
// inverse of the window's Jacobian there, taken at the triangle's corners, where it is least (it
// grows with the square of the depth, and so slowly across a far square). A helper pixel of a
// quad may lie a pixel and a half off the square, nearer the eye, where the steps are shorter.
// Below `wanted` the answer does not matter, and 0 comes back as soon as that is certain.
double leastSquaresPerPixel(const RIDUdidav& t, const Eye& eye, int i, int j, double range, const ViewFrustum& view,
                            double wanted) {
    constexpr double kUnsure = 0;
    if (view.LeastPixelAngle <= 0 || wanted == std::numeric_limits<double>::infinity()) return kUnsure;
    const double x0 = i * kSquareFeet - eye.X, z0 = j * kSquareFeet - eye.Z;
    const double h00 = t.postFeet(i, j), h10 = t.postFeet(i + 1, j), h11 = t.postFeet(i + 1, j + 1),
                 h01 = t.postFeet(i, j + 1);
    // The two triangles' planes y = h + gx (x - x0) + gz (z - z0) through the corner (0, 0).
    const double g[2][2] = {{(h10 - h00) / kSquareFeet, (h11 - h10) / kSquareFeet},
                            {(h11 - h01) / kSquareFeet, (h01 - h00) / kSquareFeet}};
    double height = std::numeric_limits<double>::infinity();  // the eye's least over either plane
    for (const auto& q : g)
        height = std::min(height, std::abs(eye.Y - h00 + q[0] * x0 + q[1] * z0) / std::sqrt(1.0 + q[0] * q[0] + q[1] * q[1]));
    if (!(height > 0)) return kUnsure;
    // The depth changes over a pixel and a half by at most this share, and the steps by its
    // square; beyond a quarter no bound is taken.
    constexpr double kHelperPixels = 1.5, kMostNearer = 0.25;
    const double nearer = kHelperPixels * view.GreatestPixelAngle * range / height;
    if (nearer > kMostNearer) return kUnsure;
    // A pixel step spans at most the ray's turn times the farthest corner's range squared over the
    // height: when even that falls short, so does the answer.
    const double farthest = range + 2 * kSquareFeet;
    if (view.GreatestPixelAngle * farthest * farthest / height * (1 + nearer) * (1 + nearer) / kSquareFeet < wanted)
        return kUnsure;
    // The corners of either triangle after (0, 0), which they share.
    static constexpr int kCorners[2][2][2] = {{{1, 0}, {1, 1}}, {{1, 1}, {0, 1}}};
    // The answer is the least step over the corners scaled down, so a corner whose step alone falls
    // short settles it; the two triangles are looked at together, a lane each, corner by corner.
    const double shrink = 1.0 - nearer;
    const Pair gx = {g[0][0], g[1][0]}, gz = {g[0][1], g[1][1]};
    const PlaneSteps planes = view.planeSteps(gx, gz);
    Pair least = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};  // ft a pixel step
    for (int n = 0; n < 3; ++n) {
        ClipPoints corners;
        if (n == 0) {
            const double y = h00 - eye.Y;
            corners = view.clipPoints(Pair{x0, x0}, Pair{y, y}, Pair{z0, z0});
        } else {
            const Pair cx = {double(kCorners[0][n - 1][0]), double(kCorners[1][n - 1][0])};
            const Pair cz = {double(kCorners[0][n - 1][1]), double(kCorners[1][n - 1][1])};
            const Pair x = x0 + cx * kSquareFeet, z = z0 + cz * kSquareFeet;
            const Pair y = h00 + gx * cx * kSquareFeet + gz * cz * kSquareFeet - eye.Y;
            corners = view.clipPoints(x, y, z);
        }
        const Pair step = view.longestSteps(corners, planes);
        const Pair scaled = step * shrink * shrink / kSquareFeet;
        // Not above 0 (or not a number), or short of what is wanted, in either lane.
        const __m128d fails = _mm_or_pd(_mm_cmpngt_pd(step, Pair{0.0, 0.0}), _mm_cmplt_pd(scaled, Pair{wanted, wanted}));
        if (_mm_movemask_pd(fails)) return kUnsure;
        least = _mm_min_pd(step, least);  // step < least ? step : least
    }
    return std::min(least[0], least[1]) * shrink * shrink / kSquareFeet;
}

// The bound picture's levels when the GL picks one level a pixel quad by the texture coordinates'
// derivatives alone (mip-mapped, one level sampled once bound as soft, no bias or clamp of levels),
// each level square and halving down to 1 x 1; Last -1 otherwise.
TerrainDrawer::Levels TerrainDrawer::soundLevels() {
    GLint filter = 0, base = -1, maxLevel = 0;
    GLfloat bias = 1, maxLod = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, &base);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_LOD_BIAS, &bias);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, &maxLod);
    Levels out;
    const bool oneLevel = filter == GL_LINEAR_MIPMAP_LINEAR || filter == GL_LINEAR_MIPMAP_NEAREST ||
                          filter == GL_NEAREST_MIPMAP_NEAREST;
    if (!oneLevel || base != 0 || bias != 0) return out;
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    if (w <= 0 || w != h || (w & (w - 1)) != 0) return out;
    int last = 0;
    while ((w >> last) > 1) ++last;
    for (int level = 1; level <= last; ++level) {
        GLint lw = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &lw);
        if (lw != (w >> level)) return out;  // an incomplete chain
    }
    if (maxLevel < last || maxLod < float(last)) return out;
    out.Size = w;
    out.Last = last;
    return out;
}

void TerrainDrawer::prepareRoadShapes(const std::array<uint32_t, 2>& textures) {
    for (int k = 0; k < 2; ++k) {
        if (textures[k] == RoadShapeTextures[k]) continue;
        RoadShapeTextures[k] = textures[k];
        glPushAttrib(GL_TEXTURE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        const auto levels = alphaLevels(textures[k]);
        RoadShapes[k].build(levels);
        RoadLevels[k] = {};
        if (textures[k] != 0) {
            RoadLevels[k] = soundLevels();
        }
        // From this level on every texel fails the test (alpha > 0.5), and so does every filtered
        // sample of one level.
        int blank = int(levels.size());
        while (blank > 0 && std::all_of(levels[blank - 1].begin(), levels[blank - 1].end(), [](uint8_t a) { return a < 128; }))
            --blank;
        RoadBlankLevel[k] = RoadLevels[k].Last + 1 == int(levels.size()) ? blank : int(levels.size());
        glPopClientAttrib();
        glPopAttrib();
    }
}

void TerrainDrawer::prepareGroundPictures(const uint32_t* textures) {
    for (int code = 0; code < kGroundCodes; ++code) {
        GroundPicture& g = GroundPictures[size_t(code)];
        if (textures[code] == g.Texture) continue;
        g = {};
        g.Texture = textures[code];
        if (g.Texture == 0) continue;
        glPushAttrib(GL_TEXTURE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        bindSoftPicture(g.Texture);
        g.Sizes = soundLevels();
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        // One level a pixel quad from half a level below its number on; two levels mixed below it.
        g.Reach = filter == GL_LINEAR_MIPMAP_LINEAR ? 0.0 : 0.5;
        g.Colours = readLevelColours(g.Texture, g.Sizes.Last);
        glPopClientAttrib();
        glPopAttrib();
    }
}

double TerrainDrawer::fogBandFactor(int band) {
    static const std::array<double, kFogBands> factors = [] {
        std::array<double, kFogBands> f{};
        for (int k = 0; k < kFogBands; ++k) f[size_t(k)] = std::exp2(-double(k) / kBandsPerHalving);
        return f;
    }();
    return factors[size_t(std::clamp(band, 0, kFogBands - 1))];
}

void TerrainDrawer::prepareMeans(const std::array<float, 3>& light, bool daylight) {
    const std::array<float, 3> tint = daylight ? std::array<float, 3>{1.0f, 1.0f, 1.0f} : light;
    FogBands = MeanCountsTheFog ? kFogBands : 1;
    for (auto& band : MeanFrom) band.fill(std::numeric_limits<double>::infinity());
    for (int code = 0; code < kGroundCodes; ++code) {
        const GroundPicture& g = GroundPictures[size_t(code)];
        if (Exact || !DrawsInMean || g.Sizes.Last < 0 || int(g.Colours.size()) != g.Sizes.Last + 1) continue;
        const std::array<double, 3>& mean = g.Colours[0].Mean;
        for (size_t c = 0; c < 3; ++c) MeanColours[size_t(code)][c] = float(mean[c] / 255.0 * tint[c]);
        // The shelled ground's pictures span two squares.
        const double texels = g.Sizes.Size * (code == kShellMud || code == kTrenches ? 0.5 : 1.0);
        for (int band = 0; band < FogBands; ++band) {
            // Every level close enough in one band is in the next.
            const int from = band > 0 && MeanFrom[size_t(band - 1)][size_t(code)] == 0.0
                                 ? 0
                                 : flatFrom(g.Colours, mean, tint, MeanBound / fogBandFactor(band));
            if (from <= g.Sizes.Last)
                MeanFrom[size_t(band)][size_t(code)] = from == 0 ? 0.0 : std::exp2(from - g.Reach + kLodSlack) / texels;
        }
    }
}

}  // namespace pellam::worlddraw
