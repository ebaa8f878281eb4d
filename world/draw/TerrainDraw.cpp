#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <xmmintrin.h>

#include "world/draw/PixelSteps.h"
#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

using namespace world;

// The view's frustum in eye-relative world coordinates, from the projection and the camera's
// rotation that the caller loaded: six planes (a, b, c, d), a point inside when a x + b y + c z + d >= 0.
class ViewFrustum {
public:
    ViewFrustum() {
        double p[16], m[16], c[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        for (int col = 0; col < 4; ++col)
            for (int row = 0; row < 4; ++row) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += p[k * 4 + row] * m[col * 4 + k];
                c[col * 4 + row] = sum;
            }
        for (int k = 0; k < 6; ++k) {
            const int axis = k / 2;
            const double sign = k % 2 ? -1.0 : 1.0;
            for (int col = 0; col < 4; ++col) Planes[k][col] = c[col * 4 + 3] + sign * c[col * 4 + axis];
            const auto& q = Planes[size_t(k)];
            PlaneSlack[size_t(k)] = -kSlack * (std::abs(q[0]) + std::abs(q[1]) + std::abs(q[2]));
        }
        NearFeet = p[10] != 1.0 ? p[14] / (p[10] - 1.0) : 0.0;
        if (p[15] == 0.0 && p[10] != -1.0 && p[14] / (p[10] + 1.0) > NearFeet) FarFeet = p[14] / (p[10] + 1.0);
        GLint vp[4] = {};
        glGetIntegerv(GL_VIEWPORT, vp);
        std::copy(c, c + 16, Clip.begin());
        std::copy(m, m + 16, Modelview.begin());
        std::copy(vp, vp + 4, Viewport.begin());
        HalfViewport = {vp[2] / 2.0, vp[3] / 2.0};
        for (int col = 0; col < 4; ++col) ClipXY[size_t(col)] = Pair{c[4 * col], c[4 * col + 1]};
        WindowCorner = Pair{double(vp[0]), double(vp[1])};
        WindowSize = Pair{double(vp[2]), double(vp[3])};
        if (p[15] == 0.0 && p[0] > 0.0 && p[5] > 0.0 && vp[2] > 0 && vp[3] > 0) {
            // Tangents of the screen's edges, and pixels per unit of tangent; a step of one pixel
            // turns the ray by 1 / f at the centre and by no less than 1 / (f (1 + tx^2 + ty^2)) anywhere.
            const double tx = (1.0 + std::abs(p[8])) / p[0], ty = (1.0 + std::abs(p[9])) / p[5];
            const double fx = p[0] * vp[2] / 2.0, fy = p[5] * vp[3] / 2.0;
            PixelTan = {1.0 / fx, 1.0 / fy};
            LeastPixelAngle = 1.0 / (std::max(fx, fy) * (1.0 + tx * tx + ty * ty));
            GreatestPixelAngle = 1.0 / std::min(fx, fy);
        }
    }
    static constexpr uint8_t kAllPlanes = 63;  // a bit a plane
    // False only when the box lies wholly outside one of the `planes`: then nothing in it reaches the
    // screen.
    bool mayShow(double x0, double y0, double z0, double x1, double y1, double z1, uint8_t planes = kAllPlanes) const {
        for (int k = 0; k < 6; ++k) {
            if (!(planes >> k & 1)) continue;
            const auto& q = Planes[size_t(k)];
            const double x = q[0] > 0 ? x1 : x0, y = q[1] > 0 ? y1 : y0, z = q[2] > 0 ? z1 : z0;
            if (q[0] * x + q[1] * y + q[2] * z + q[3] < PlaneSlack[size_t(k)]) return false;
        }
        return true;
    }
    // The planes the box does not lie wholly inside, as bits: none when it all lies in view. A box
    // within one wholly inside a plane is inside it too, to the rounding, so its may-show need not
    // look at that plane.
    uint8_t cuttingPlanes(double x0, double y0, double z0, double x1, double y1, double z1) const {
        uint8_t cut = 0;
        for (int k = 0; k < 6; ++k) {
            const auto& q = Planes[size_t(k)];
            const double x = q[0] > 0 ? x0 : x1, y = q[1] > 0 ? y0 : y1, z = q[2] > 0 ? z0 : z1;
            if (q[0] * x + q[1] * y + q[2] * z + q[3] < 0) cut |= uint8_t(1 << k);
        }
        return cut;
    }
    // Whether every point of the box, and of the box grown by a foot each way, lies more than
    // 2 near planes ahead of the eye, short of `share` of the far plane, and within `share` x `reach`
    // of w across and up in clip space: a point of it rounded to floats, or its clip coordinates
    // rounded as it is, lies well inside too.
    bool wellInside(double x0, double y0, double z0, double x1, double y1, double z1, double share, double reach) const {
        constexpr double kGrowth = 1.0;  // ft
        x0 -= kGrowth, y0 -= kGrowth, z0 -= kGrowth, x1 += kGrowth, y1 += kGrowth, z1 += kGrowth;
        // Each a x + b y + c z + d > 0 over the box: at its corner where the form is least.
        const auto positive = [&](double a, double b, double c, double d) {
            return a * (a > 0 ? x0 : x1) + b * (b > 0 ? y0 : y1) + c * (c > 0 ? z0 : z1) + d > 0;
        };
        const auto& m = Clip;
        const double e = share * reach;
        if (!positive(m[3], m[7], m[11], m[15] - 2 * NearFeet)) return false;
        if (FarFeet < std::numeric_limits<double>::infinity() &&
            !positive(-m[3], -m[7], -m[11], FarFeet * share - m[15]))
            return false;
        for (int axis = 0; axis < 2; ++axis)
            for (const double sign : {1.0, -1.0})
                if (!positive(e * m[3] - sign * m[axis], e * m[7] - sign * m[4 + axis], e * m[11] - sign * m[8 + axis],
                              e * m[15] - sign * m[12 + axis]))
                    return false;
        return true;
    }
    // The window rectangle (pixels, x right, y up) holding the box's picture, widened by a pixel;
    // false when part of the box lies beside or behind the eye.
    bool windowBox(double x0, double y0, double z0, double x1, double y1, double z1, double& wx0, double& wy0,
                   double& wx1, double& wy1) const {
        wx0 = wy0 = std::numeric_limits<double>::max();
        wx1 = wy1 = std::numeric_limits<double>::lowest();
        for (int k = 0; k < 8; ++k) {
            double px, py;
            if (!window(k & 1 ? x1 : x0, k & 2 ? y1 : y0, k & 4 ? z1 : z0, px, py)) return false;
            wx0 = std::min(wx0, px), wx1 = std::max(wx1, px);
            wy0 = std::min(wy0, py), wy1 = std::max(wy1, py);
        }
        wx0 -= 1, wy0 -= 1, wx1 += 1, wy1 += 1;
        return true;
    }
    // The planes' clip steps, the points' clip coordinates and their longest pixel steps
    // (PixelSteps.h), one plane a lane, under this view.
    PlaneSteps planeSteps(Pair gx, Pair gz) const { return worlddraw::planeSteps(Clip, gx, gz); }
    ClipPoints clipPoints(Pair x, Pair y, Pair z) const { return worlddraw::clipPoints(Clip, x, y, z); }
    Pair longestSteps(const ClipPoints& p, const PlaneSteps& s) const { return worlddraw::longestSteps(p, s, HalfViewport); }
    // The point's clip x, y and w.
    void clip(double x, double y, double z, double& cx, double& cy, double& cw) const {
        cx = Clip[0] * x + Clip[4] * y + Clip[8] * z + Clip[12];
        cy = Clip[1] * x + Clip[5] * y + Clip[9] * z + Clip[13];
        cw = Clip[3] * x + Clip[7] * y + Clip[11] * z + Clip[15];
    }
    // The point's clip w: its distance ahead of the eye in a perspective view.
    double clipW(double x, double y, double z) const { return Clip[3] * x + Clip[7] * y + Clip[11] * z + Clip[15]; }
    // The point's eye-space depth, |z| (ft): what the GL fogs by.
    double fogDepth(double x, double y, double z) const {
        return std::abs(Modelview[2] * x + Modelview[6] * y + Modelview[10] * z + Modelview[14]);
    }
    // The point's place in the window (pixels); false beside or behind the eye.
    bool window(double x, double y, double z, double& px, double& py) const {
        const double w = Clip[3] * x + Clip[7] * y + Clip[11] * z + Clip[15];
        if (!(w > 1e-6)) return false;
        // x and y together, each lane as the plain sum for it would take it:
        //   px = Viewport[0] + ((Clip[0] x + Clip[4] y + Clip[8] z + Clip[12]) / w + 1) Viewport[2] / 2, py likewise.
        const Pair at = WindowCorner + ((ClipXY[0] * x + ClipXY[1] * y + ClipXY[2] * z + ClipXY[3]) / w + 1) * WindowSize / 2;
        px = at[0], py = at[1];
        return true;
    }
    const std::array<int, 4>& viewport() const { return Viewport; }
    double NearFeet = 0;  // the near plane's distance
    double FarFeet = std::numeric_limits<double>::infinity();  // the far plane's, in a perspective view
    double LeastPixelAngle = 0, GreatestPixelAngle = 0;  // radians between neighbouring pixels' rays; 0: unknown
    std::array<double, 2> PixelTan{};  // the tangent of one pixel at the centre

private:
    static constexpr double kSlack = 1.0;  // ft: keeps squares that only touch a plane
    std::array<std::array<double, 4>, 6> Planes{};
    std::array<double, 6> PlaneSlack{};  // per plane: how far outside it a point may lie and still count
    std::array<double, 16> Clip{};  // projection x modelview
    std::array<double, 16> Modelview{};
    std::array<int, 4> Viewport{};
    std::array<double, 2> HalfViewport{};  // px: the viewport's width and height halved
    std::array<Pair, 4> ClipXY{};          // Clip's x and y rows, a column a pair
    Pair WindowCorner{}, WindowSize{};     // px: the viewport's corner and size
};

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

namespace {

// Codes whose pictures are laid out per square (fields, houses): each square turns its picture by
// its own quarter turns, so neighbouring squares do not repeat one another.
bool perSquarePicture(int code) {
    return code == kWheatField || code == kPloughed || code == kBeetField || code == kVillage || code == kTown;
}

float lowestPost(const RIDUdidav& t, int i, int j) {
    return std::min({t.postFeet(i, j), t.postFeet(i + 1, j), t.postFeet(i, j + 1), t.postFeet(i + 1, j + 1)});
}
float highestPost(const RIDUdidav& t, int i, int j) {
    return std::max({t.postFeet(i, j), t.postFeet(i + 1, j), t.postFeet(i, j + 1), t.postFeet(i + 1, j + 1)});
}

uint32_t squareHash(int i, int j) {
    uint32_t h = uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    return h ^ (h >> 15);
}


void drawRun(const std::vector<GroundVertex>& vertices, const std::vector<uint32_t>& triangles, uint32_t texture) {
    if (triangles.empty()) return;
    bindSoftPicture(texture);
    glInterleavedArrays(GL_T2F_V3F, 0, vertices.data());
    glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

// Each square of the list, (0,0) (1,0) (1,1) then (0,0) (1,1) (0,1), cut instead along its other
// diagonal, (1,0)-(0,1), where that one lies nearer the line of sight: it then spans fewer pixels
// across the screen, and so do both triangles. A far square seen aslant is a thin sliver whose
// triangles each touch every 4x4 block along the longer diagonal, and the rasteriser pays per
// triangle per block it touches. Only squares flat to within their vertices' own rounding are cut
// anew: a plane cut either way is the same surface with the same picture coordinates, where a bent
// square's triangles differ in slope and so in the mip level a pixel quad reads. The number cut.
long cutAlongTheSight(std::vector<uint32_t>& triangles, const std::vector<GroundVertex>& v) {
    long cut = 0;
    for (size_t k = 0; k + 6 <= triangles.size(); k += 3) {
        uint32_t* t = &triangles[k];
        if (t[0] != t[3] || t[2] != t[4]) continue;  // not a square's two triangles
        k += 3;
        const GroundVertex &a = v[t[0]], &b = v[t[1]], &c = v[t[2]], &d = v[t[5]];
        const float bend = std::abs((a.Y + c.Y) - (b.Y + d.Y));
        const float most = std::max({std::abs(a.Y), std::abs(b.Y), std::abs(c.Y), std::abs(d.Y)});
        if (bend > 4 * std::numeric_limits<float>::epsilon() * most) continue;
        // Each diagonal's reach across the line of sight to the square's middle, seen from above.
        const double mx = 0.5 * (double(a.X) + c.X), mz = 0.5 * (double(a.Z) + c.Z);
        const double along = std::abs((double(c.X) - a.X) * mz - (double(c.Z) - a.Z) * mx);
        const double other = std::abs((double(d.X) - b.X) * mz - (double(d.Z) - b.Z) * mx);
        if (!(other < along)) continue;
        const uint32_t ia = t[0], ib = t[1], ic = t[2], id = t[5];
        t[0] = ia, t[1] = ib, t[2] = id;
        t[3] = ib, t[4] = ic, t[5] = id;
        ++cut;
    }
    return cut;
}

// A picture turned by quarter turns the other way about the square's centre.
void turnPicture(int turns, float& u, float& w) {
    for (int k = 0; k < turns; ++k) {
        const float nu = w, nw = 1.0f - u;
        u = nu;
        w = nw;
    }
}

// Per quarter turns, the picture coordinates of a square's corners (0,0) (1,0) (1,1) (0,1).
const std::array<std::array<std::array<float, 2>, 4>, 4> kTurnedCorners = [] {
    std::array<std::array<std::array<float, 2>, 4>, 4> out{};
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int turns = 0; turns < 4; ++turns)
        for (int c = 0; c < 4; ++c) {
            float u = float(kCorner[c][0]), w = float(kCorner[c][1]);
            turnPicture(turns, u, w);
            out[size_t(turns)][size_t(c)] = {u, w};
        }
    return out;
}();

// The second texture unit multiplies the first's result by twice the detail map (mid-grey leaves
// it as it was) and passes its alpha on, so that the roads' alpha test still sees the road.
void setDetailUnit(bool on, uint32_t detailTexture) {
    glActiveTexture(GL_TEXTURE1);
    glClientActiveTexture(GL_TEXTURE1);
    if (on) {
        glEnable(GL_TEXTURE_2D);
        bindSoftPicture(detailTexture);
        setCombineStage(GL_MODULATE, GL_PREVIOUS, GL_TEXTURE, 2.0f, GL_PREVIOUS);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
}

// Whether square (i, j), between the eye-relative heights low and high, lies wholly behind the cover.
bool behind(const ScreenCover& cover, const ViewFrustum& view, int i, int j, double low, double high, const Eye& eye) {
    const double x0 = i * kSquareFeet - eye.X, z0 = j * kSquareFeet - eye.Z;
    // Most squares are not: the box's middle tells them at a ninth of the cost.
    double mx, my;
    if (!view.window(x0 + kSquareFeet / 2, (low + high) / 2, z0 + kSquareFeet / 2, mx, my) || cover.openAt(mx, my))
        return false;
    double wx0, wy0, wx1, wy1;
    return view.windowBox(x0, low, z0, x0 + kSquareFeet, high, z0 + kSquareFeet, wx0, wy0, wx1, wy1) &&
           cover.hides(wx0, wy0, wx1, wy1);
}

uint32_t heldShadeModel = 0;  // 0: none held

}  // namespace

void shadeModel(uint32_t model) { glShadeModel(heldShadeModel ? heldShadeModel : model); }

void holdShadeModel(uint32_t model) {
    heldShadeModel = model;
    if (model) glShadeModel(model);
}

void setCombineStage(uint32_t rgb, uint32_t source0, uint32_t source1, float rgbScale, uint32_t alphaSource) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GLint(rgb));
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GLint(source0));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GLint(source1));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, rgbScale);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GLint(alphaSource));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1.0f);
}

void setFogInStage(const float* fogColour) {
    setCombineStage(GL_INTERPOLATE, GL_TEXTURE, GL_CONSTANT, 1.0f, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, fogColour);
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

TerrainDrawer::Vertex TerrainDrawer::post(const RIDUdidav& t, const Eye& eye, int pi, int pj) {
    Vertex v;
    v.X = float(pi * kSquareFeet - eye.X);
    v.Y = float(t.postFeet(pi, pj) - eye.Y);
    v.Z = float(pj * kSquareFeet - eye.Z);
    return v;
}

void TerrainDrawer::addSquare(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, bool worldUV, double uvScale,
                              bool near, int group, Run& run, int lit) {
    // Corners (0,0) (1,0) (1,1) (0,1), drawn as (0,0) (1,0) (1,1) and (0,0) (1,1) (0,1): the
    // altitude query's diagonal.
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    uint32_t at[4] = {};
    // Eight detail pictures to a square, and the world's pictures, repeat every 64 squares.
    const int i64 = int(unsigned(i) % 64u), j64 = int(unsigned(j) % 64u);
    const size_t post0 = size_t(j - PostsJ0) * PostsAcross + size_t(i - PostsI0);
    const int keyBase = 1 + group + 16 * kGroundCodes * int(near);
    std::vector<Vertex>& out = near ? run.Near : run.Far;
    // Neighbouring squares of one run share the post's vertex where their coordinates there
    // agree: all but across the 64th square's edge.
    const bool shares = worldUV && !Exact;
    for (int c = 0; c < 4; ++c) {
        if ((c == 1 && !(lit & 1)) || (c == 3 && !(lit & 2))) continue;  // a corner only a left-out triangle uses
        const int ci = kCorner[c][0], cj = kCorner[c][1];
        const int si = i64 + ci, sj = j64 + cj;
        uint16_t* keys = nullptr;
        uint16_t key = 0;
        int slot = 0;
        if (shares) {
            key = uint16_t(keyBase + 16 * kGroundCodes * (2 * int(si == 64) + 4 * int(sj == 64)));
            keys = &PostKeys[(post0 + size_t(cj) * PostsAcross + size_t(ci)) * 4];
            while (slot < 4 && keys[slot] != 0 && keys[slot] != key) ++slot;
            if (slot < 4 && keys[slot] == key) {
                at[c] = PostIndices[size_t(keys - PostKeys.data()) + size_t(slot)];
                continue;
            }
        }
        Vertex v = post(t, eye, i + ci, j + cj);
        if (worldUV) {
            v.U = float(si * uvScale), v.V = float(sj * uvScale);
        } else {
            const auto& turned = kTurnedCorners[size_t(turns & 3)][size_t(c)];
            v.U = turned[0], v.V = turned[1];
        }
        at[c] = uint32_t(out.size());
        out.push_back(v);
        if (near) {
            run.NearDetail.push_back(float(si * 8.0));
            run.NearDetail.push_back(float(sj * 8.0));
        }
        if (shares && slot < 4) {  // (four squares meet at a post: never full)
            keys[slot] = key;
            PostIndices[size_t(keys - PostKeys.data()) + size_t(slot)] = at[c];
        }
    }
    std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
    if (lit == 3) {
        const uint32_t both[6] = {at[0], at[1], at[2], at[0], at[2], at[3]};
        triangles.insert(triangles.end(), both, both + 6);
        return;
    }
    if (lit & 1) triangles.push_back(at[0]), triangles.push_back(at[1]), triangles.push_back(at[2]);
    if (lit & 2) triangles.push_back(at[0]), triangles.push_back(at[2]), triangles.push_back(at[3]);
}

void TerrainDrawer::addRoad(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, int kind, double distance,
                            bool near, int lit, bool clipped) {
    const RoadShape& shape = RoadShapes[kind];
    Run& run = Roads[clipped][kind];
    if (distance >= RoadShapeDistance || !shape.ready()) {
        addSquare(t, eye, i, j, turns, false, 1.0, near, 0, run, lit);
        return;
    }
    // Points inside the square's two triangles, each on its own triangle's plane: the same
    // positions, normals and picture coordinates the whole square would interpolate there.
    const Vertex p00 = post(t, eye, i, j), p10 = post(t, eye, i + 1, j);
    const Vertex p11 = post(t, eye, i + 1, j + 1), p01 = post(t, eye, i, j + 1);
    std::vector<Vertex>& out = near ? run.Near : run.Far;
    std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
    for (const SquarePoint& q : shape.triangles(turns)) {
        if (!(lit & (q.Lower ? 1 : 2))) continue;  // within a triangle that lights no pixel (a piece's points share it)
        // Lower: p00 + S (p10 - p00) + T (p11 - p10); upper: p00 + T (p01 - p00) + S (p11 - p01).
        auto mix = [&](float Vertex::*f) {
            return q.Lower ? p00.*f + q.S * (p10.*f - p00.*f) + q.T * (p11.*f - p10.*f)
                           : p00.*f + q.T * (p01.*f - p00.*f) + q.S * (p11.*f - p01.*f);
        };
        Vertex v;
        v.X = mix(&Vertex::X), v.Y = mix(&Vertex::Y), v.Z = mix(&Vertex::Z);
        float u = q.S, w = q.T;
        turnPicture(turns, u, w);
        v.U = u;
        v.V = w;
        triangles.push_back(uint32_t(out.size()));
        out.push_back(v);
        if (near) {
            run.NearDetail.push_back(float(((i % 64) + q.S) * 8.0));
            run.NearDetail.push_back(float(((j % 64) + q.T) * 8.0));
        }
    }
}

bool TerrainDrawer::postInWindow(const RIDUdidav& t, const Eye& eye, int pi, int pj, const ViewFrustum& view,
                                 WindowPoint& at) {
    const size_t k = size_t(pj - PostsJ0) * PostsAcross + size_t(pi - PostsI0);
    if (PostProjected[k] == 0) {
        // As the GL sees it: the float vertex. Only posts well beyond the near plane and within a
        // window's size of the window are told; a triangle the GL clips at the window's edge lights
        // only pixel centres the whole one holds, so one told unlit stays unlit.
        const Vertex v = post(t, eye, pi, pj);
        const auto& vp = view.viewport();
        WindowPoint w;
        const bool told = view.clipW(v.X, v.Y, v.Z) > 2 * view.NearFeet && view.window(v.X, v.Y, v.Z, w.X, w.Y) &&
                          w.X > vp[0] - vp[2] && w.X < vp[0] + 2.0 * vp[2] && w.Y > vp[1] - vp[3] &&
                          w.Y < vp[1] + 2.0 * vp[3];
        PostWindow[k] = w;
        PostProjected[k] = told ? 1 : 2;
    }
    at = PostWindow[k];
    return PostProjected[k] == 1;
}

int TerrainDrawer::litTriangles(const RIDUdidav& t, const Eye& eye, int i, int j, const ViewFrustum& view,
                                int& drawable) {
    WindowPoint p[4];
    static constexpr int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    drawable = 3;
    for (int c = 0; c < 4; ++c)
        if (!postInWindow(t, eye, i + kCorner[c][0], j + kCorner[c][1], view, p[c])) return 3;
    const int lit = (lightsNoPixelCentre(p[0], p[1], p[2], Viewed, CentreMargin) ? 0 : 1) |
                    (lightsNoPixelCentre(p[0], p[2], p[3], Viewed, CentreMargin) ? 0 : 2);
    drawable = lit;
    if (!Boxed) return lit;
    // One that lights no centre of the viewport lights none within the box; one whose corners'
    // bounds, widened by the margin, reach no centre of the viewport outside the box finds there
    // what it found in the viewport.
    const auto withinBox = [this](const WindowPoint& a, const WindowPoint& b, const WindowPoint& c) {
        return std::min({a.X, b.X, c.X}) - CentreMargin > Drawable.X0 - 0.5 &&
               std::max({a.X, b.X, c.X}) + CentreMargin < Drawable.X1 + 0.5 &&
               std::min({a.Y, b.Y, c.Y}) - CentreMargin > Drawable.Y0 - 0.5 &&
               std::max({a.Y, b.Y, c.Y}) + CentreMargin < Drawable.Y1 + 0.5;
    };
    if ((lit & 1) && !withinBox(p[0], p[1], p[2]) && lightsNoPixelCentre(p[0], p[1], p[2], Drawable, CentreMargin))
        drawable &= ~1;
    if ((lit & 2) && !withinBox(p[0], p[2], p[3]) && lightsNoPixelCentre(p[0], p[2], p[3], Drawable, CentreMargin))
        drawable &= ~2;
    return lit;
}

bool TerrainDrawer::mayLight(const RIDUdidav& t, const Eye& eye, const std::array<std::array<int, 2>, 3>& posts,
                             const ViewFrustum& view) {
    WindowPoint p[3];
    for (int c = 0; c < 3; ++c)
        if (!postInWindow(t, eye, posts[size_t(c)][0], posts[size_t(c)][1], view, p[c])) return true;
    return !lightsNoPixelCentre(p[0], p[1], p[2], Drawable, CentreMargin);
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

// The loaded linear fog, as the GL fogs by each vertex's eye depth |z|.
struct LoadedFog {
    GLfloat Modelview[16] = {}, Colour[4] = {}, Start = 0, End = 0;
    LoadedFog() {
        glGetFloatv(GL_MODELVIEW_MATRIX, Modelview);
        glGetFloatv(GL_FOG_COLOR, Colour);
        glGetFloatv(GL_FOG_START, &Start);
        glGetFloatv(GL_FOG_END, &End);
        Depth = {Modelview[2], Modelview[6], Modelview[10], Modelview[14]};
        From = Start, To = End, Span = To - From;
    }
    bool usable() const { return End > Start; }
    // The fog's share of the eye-relative point's own colour, 0..1; `inside` whether it lies
    // between the fog's start and end, where that share is not clamped.
    double share(const GroundVertex& p, bool& inside) const {
        const double z = std::abs(Depth[0] * p.X + Depth[1] * p.Y + Depth[2] * p.Z + Depth[3]);
        inside = z >= From && z <= To;
        return std::clamp((To - z) / Span, 0.0, 1.0);
    }

private:
    // The above as doubles, read once rather than at each point.
    std::array<double, 4> Depth{};  // the modelview's row giving the eye-space z
    double From = 0, To = 0, Span = 0;
};

// Linear fog is affine in the eye's depth, and so across a triangle's plane: where each corner
// lies between the fog's start and end, the fog's share at the corners, interpolated with
// perspective as the GL interpolates the depth it fogs by, is the share at every pixel. Such
// triangles of `triangles` go to `corners`, the rest to `byGL`; `inside` per vertex.
void splitByFog(const std::vector<uint32_t>& triangles, const std::vector<uint8_t>& inside,
                std::vector<uint32_t>& corners, std::vector<uint32_t>& byGL) {
    const size_t n = triangles.size() / 3 * 3;
    corners.resize(n);
    byGL.resize(n);
    size_t atCorners = 0, atGL = 0;
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t* t = &triangles[i];
        uint32_t* to = inside[t[0]] && inside[t[1]] && inside[t[2]] ? &corners[std::exchange(atCorners, atCorners + 3)]
                                                                      : &byGL[std::exchange(atGL, atGL + 3)];
        to[0] = t[0], to[1] = t[1], to[2] = t[2];
    }
    corners.resize(atCorners);
    byGL.resize(atGL);
}

// Per vertex: (`colour`, the fog's share) in `shares`, and whether it lies within the fog's start
// and end in `inside`.
void fogAtVertices(const LoadedFog& fog, const std::vector<GroundVertex>& vertices, const float* colour,
                   std::vector<float>& shares, std::vector<uint8_t>& inside) {
    const size_t n = vertices.size();
    shares.resize(n * 4);
    inside.resize(n);
    for (size_t v = 0; v < n; ++v) {
        bool in = true;
        const double f = fog.usable() ? fog.share(vertices[v], in) : 1.0;
        inside[v] = in && fog.usable();
        for (size_t c = 0; c < 3; ++c) shares[v * 4 + c] = colour[c];
        shares[v * 4 + 3] = float(f);
    }
}

// Of `triangles`, those across whose corners no channel of a pixel coloured by `colours` (RGBA per
// vertex, 0..1) moves by more than `most` levels, to `flat`, the rest to `smooth`. A unit of alpha
// moves a channel by at most `alphaLevels`. The GL interpolates within the corners' values, so a
// triangle drawn in one corner's colour lies within that spread of its smooth drawing.
void splitBySpread(const std::vector<uint32_t>& triangles, const std::vector<float>& colours, double alphaLevels,
                   double most, std::vector<uint32_t>& flat, std::vector<uint32_t>& smooth) {
    const size_t n = triangles.size() / 3 * 3, vertices = colours.size() / 4;
    flat.resize(n);
    smooth.resize(n);
    size_t atFlat = 0, atSmooth = 0;
    const float scale = float(alphaLevels / 255.0), bound = float(most / 255.0);
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t* t = &triangles[i];
        bool held = t[0] < vertices && t[1] < vertices && t[2] < vertices;
        if (held) {
            // The four channels' ranges at once, each as std::max and std::min over (a, b, d) take
            // it: a later value replaces the one kept only where it is greater (or less).
            const __m128 a = _mm_loadu_ps(&colours[size_t(t[0]) * 4]), b = _mm_loadu_ps(&colours[size_t(t[1]) * 4]),
                         d = _mm_loadu_ps(&colours[size_t(t[2]) * 4]);
            const __m128 most = _mm_max_ps(d, _mm_max_ps(b, a)), least = _mm_min_ps(d, _mm_min_ps(b, a));
            alignas(16) float range[4];
            _mm_store_ps(range, _mm_sub_ps(most, least));
            held = std::max({range[0], range[1], range[2]}) + range[3] * scale <= bound;
        }
        uint32_t* to = held ? &flat[std::exchange(atFlat, atFlat + 3)] : &smooth[std::exchange(atSmooth, atSmooth + 3)];
        to[0] = t[0], to[1] = t[1], to[2] = t[2];
    }
    flat.resize(atFlat);
    smooth.resize(atSmooth);
}

// The most any channel of a picture with these levels' colours lies from the fog's `colour` (0..1),
// in levels: by how much a unit of the fog's share moves its pixel. 255 where the levels are unknown.
double fogContrast(const std::vector<LevelColours>& levels, const float* colour) {
    if (levels.empty()) return 255.0;
    double most = 0;
    for (const LevelColours& l : levels)
        for (size_t c = 0; c < 3; ++c) {
            const double fog = 255.0 * colour[c];
            most = std::max({most, std::abs(l.Least[c] - fog), std::abs(l.Most[c] - fog)});
        }
    return most;
}

// The texture stage mixing the picture with the vertices' colour by their alpha; the picture's
// own alpha passed on.
void setFogByVertices() {
    setCombineStage(GL_INTERPOLATE, GL_TEXTURE, GL_PRIMARY_COLOR, 1.0f, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
}

void TerrainDrawer::drawHeldFlat(const std::vector<uint32_t>& triangles, const std::vector<float>& colours,
                                 double alphaLevels) {
    if (triangles.empty()) return;
    const bool holds = !Exact && HoldsFarColoursFlat;
    if (holds) splitBySpread(triangles, colours, alphaLevels, FlatSpread, FlatTriangles, SmoothTriangles);
    // The shade model is set only before a draw of the other kind, and left as it stands after
    // (the terrain's own draw restores it): the rasteriser takes up a changed fragment state at its
    // next draw, which a draw without a colour array, held flat or not, draws alike.
    GLint shading = GL_SMOOTH;
    glGetIntegerv(GL_SHADE_MODEL, &shading);
    const auto send = [&](const std::vector<uint32_t>& t, GLenum model) {
        if (t.empty()) return;
        if (GLenum(shading) != model) shadeModel(model), shading = GLint(model);
        glDrawElements(GL_TRIANGLES, GLsizei(t.size()), GL_UNSIGNED_INT, t.data());
    };
    if (!holds) {
        send(triangles, GL_SMOOTH);
        return;
    }
    // Whichever shading stands first, so that a run of draws changes it as seldom as it may.
    const bool flatFirst = shading == GL_FLAT;
    send(flatFirst ? FlatTriangles : SmoothTriangles, flatFirst ? GL_FLAT : GL_SMOOTH);
    send(flatFirst ? SmoothTriangles : FlatTriangles, flatFirst ? GL_SMOOTH : GL_FLAT);
    HeldFlat += long(FlatTriangles.size() / 3);
}

void TerrainDrawer::drawMeanRuns(const std::array<Run, 2>& runs, bool fogged) {
    if (runs[0].FarTriangles.empty() && runs[1].FarTriangles.empty()) return;
    // The triangles fogged at their corners take the fogged colour as their vertices' and are
    // drawn without the GL's fog.
    const LoadedFog fog;
    fogged = fogged && fog.usable();
    GLfloat colour[4] = {1, 1, 1, 1};  // a colour array leaves the current colour undefined
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    const auto shade = [](double c) { return float(std::clamp(c, 0.0, 1.0)); };
    // Those the GL fogs first, then those fogged at their corners, as the ground drawn after them
    // is, without the GL's fog: the squares do not overlap, and the fog is switched once (each
    // switch makes the software rasteriser take its fragment state anew).
    std::array<std::vector<float>, 2>& shades = MeanShades;
    std::array<std::vector<uint32_t>, 2>& atCorners = MeanAtCorners;
    for (size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        const std::vector<uint32_t>& t = run.FarTriangles;
        atCorners[r].clear();
        if (t.empty()) continue;
        // Per vertex: its fogged colour, and whether it lies within the fog's reach.
        const size_t n = run.Far.size();
        shades[r].resize(n * 4);
        FogInside.resize(n);
        const auto codeOf = [&](size_t v) {
            return v < run.FarCodes.size() ? std::min<size_t>(run.FarCodes[v], kGroundCodes - 1) : 0;
        };
        for (size_t v = 0; v < n; ++v) {
            const std::array<float, 3>& mean = MeanColours[codeOf(v)];
            bool inside = true;
            const double f = fogged ? fog.share(run.Far[v], inside) : 1.0;
            FogInside[v] = inside;
            for (size_t ch = 0; ch < 3; ++ch) shades[r][v * 4 + ch] = shade(f * mean[ch] + (1.0 - f) * fog.Colour[ch]);
            shades[r][v * 4 + 3] = 1.0f;
        }
        splitByFog(t, FogInside, atCorners[r], FogByGL);
        if (!FogByGL.empty()) {
            // Those the GL fogs take each picture's plain mean.
            std::array<std::array<float, 4>, kGroundCodes> plain;
            for (size_t code = 0; code < kGroundCodes; ++code) {
                const std::array<float, 3>& mean = MeanColours[code];
                plain[code] = {shade(mean[0]), shade(mean[1]), shade(mean[2]), 1.0f};
            }
            MeanPlain.resize(n * 4);
            for (size_t v = 0; v < n; ++v) std::copy_n(plain[codeOf(v)].begin(), 4, MeanPlain.begin() + ptrdiff_t(v * 4));
            glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &run.Far[0].X);
            glColorPointer(4, GL_FLOAT, 0, MeanPlain.data());
            drawHeldFlat(FogByGL, MeanPlain, 0.0);
        }
        Triangles += long(t.size() / 3);
        InMean += long(t.size() / 3);
        if (r == 1) Apart += long(t.size() / 3);
    }
    const bool switches = fogged && (!atCorners[0].empty() || !atCorners[1].empty());
    if (switches) glDisable(GL_FOG);
    for (size_t r = 0; r < runs.size(); ++r) {
        if (atCorners[r].empty()) continue;
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &runs[r].Far[0].X);
        glColorPointer(4, GL_FLOAT, 0, shades[r].data());
        drawHeldFlat(atCorners[r], shades[r], 0.0);
    }
    if (switches) glEnable(GL_FOG);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4fv(colour);
    glEnable(GL_TEXTURE_2D);
}

void TerrainDrawer::drawStagedRuns(const std::array<std::array<Run, kGroundCodes>, 2>& runs, const uint32_t* textures) {
    bool any = false;
    for (const auto& part : runs)
        for (const Run& run : part) any = any || !run.FarTriangles.empty();
    if (!any) return;
    // In daylight the texture stage gives the picture as it is; mixing it there with the fog's
    // colour by the fog's share, carried as each vertex's alpha, gives what the GL's fog would,
    // without a fog coordinate to interpolate and a blend after the stage. The fog's colour comes
    // with each vertex too, unless FogColourInVertices is off: as the stage's constant colour the
    // rasteriser would read it at every pixel.
    const LoadedFog fog;
    GLfloat colour[4] = {1, 1, 1, 1};  // a colour array leaves the current colour undefined
    glGetFloatv(GL_CURRENT_COLOR, colour);
    const bool fogOn = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    static constexpr float kWhite[3] = {1, 1, 1};
    const float* colourOfVertices = FogColourInVertices ? fog.Colour : kWhite;
    if (FogColourInVertices)
        setFogByVertices();
    else
        setFogInStage(fog.Colour);
    for (size_t k = 0; k < kGroundCodes; ++k)
        for (const auto& part : runs) {
            const Run& run = part[k];
            if (run.FarTriangles.empty()) continue;
            fogAtVertices(fog, run.Far, colourOfVertices, FogShares, FogInside);
            bindSoftPicture(textures[k]);
            glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, FogShares.data());
            drawHeldFlat(run.FarTriangles, FogShares, fogContrast(GroundPictures[k].Colours, fog.Colour));
            const long n = long(run.FarTriangles.size() / 3);
            Triangles += n;
            FogStaged += n;
            if (&part == &runs[1]) Apart += n;
        }
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4fv(colour);
    setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    if (fogOn) glEnable(GL_FOG);
}

template <size_t N>
void TerrainDrawer::drawRuns(const std::array<std::array<Run, N>, 2>& runs, const uint32_t* textures, bool near) {
    // Each picture's clipped squares straight after its others: the pieces that overlap within a
    // square (a road's straight and its bend) keep their order.
    for (size_t k = 0; k < N; ++k)
        for (const auto& part : runs) {
            const Run& run = part[k];
            const std::vector<Vertex>& v = near ? run.Near : run.Far;
            const std::vector<uint32_t>& triangles = near ? run.NearTriangles : run.FarTriangles;
            if (triangles.empty()) continue;
            if (near) {
                glClientActiveTexture(GL_TEXTURE1);
                glTexCoordPointer(2, GL_FLOAT, 0, run.NearDetail.data());
                glClientActiveTexture(GL_TEXTURE0);
            }
            drawRun(v, triangles, textures[k]);
            Triangles += long(triangles.size() / 3);
            if (&part == &runs[1]) Apart += long(triangles.size() / 3);
        }
}

bool TerrainDrawer::needsClipping(const RIDUdidav& t, const Eye& eye, int i, int j, const ViewFrustum& view) {
    const size_t post0 = size_t(j - PostsJ0) * PostsAcross + size_t(i - PostsI0);
    for (int c = 0; c < 4; ++c) {
        const int pi = i + (c & 1), pj = j + (c >> 1);
        uint8_t& inside = PostInside[post0 + size_t(c >> 1) * PostsAcross + size_t(c & 1)];
        if (inside == 0) {
            // The GL clips to the window's edges themselves (no guard band) and to the near and far
            // planes; a post well inside all of them is drawn as it is.
            const Vertex v = post(t, eye, pi, pj);
            double x, y, w;
            view.clip(v.X, v.Y, v.Z, x, y, w);
            const double edge = w * kInsideShare * ClipReach;
            inside = w > 2 * view.NearFeet && w < view.FarFeet * kInsideShare && std::abs(x) < edge && std::abs(y) < edge
                         ? 1
                         : 2;
        }
        if (inside == 2) return true;
    }
    return false;
}

void TerrainDrawer::markShownBlocks(const RIDUdidav& t, const Eye& eye, int i0, int i1, int j0, int j1, double reach,
                                    const ViewFrustum& frustum, float& lowest) {
    const int across = (i1 - i0) / kBlock + 1, down = (j1 - j0) / kBlock + 1;
    BlockShown.assign(size_t(across) * size_t(down), kBlockShows | ViewFrustum::kAllPlanes);
    for (int bj = 0; bj < down; ++bj)
        for (int bi = 0; bi < across; ++bi) {
            const int si0 = i0 + bi * kBlock, si1 = std::min(si0 + kBlock - 1, i1);
            const int sj0 = j0 + bj * kBlock, sj1 = std::min(sj0 + kBlock - 1, j1);
            const double x0 = si0 * kSquareFeet - eye.X, x1 = (si1 + 1) * kSquareFeet - eye.X;
            const double z0 = sj0 * kSquareFeet - eye.Z, z1 = (sj1 + 1) * kSquareFeet - eye.Z;
            const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
            uint8_t& shown = BlockShown[size_t(bj) * across + bi];
            if (nx * nx + nz * nz > reach * reach) {
                shown = 0;  // no square within reach
                continue;
            }
            const double fx = std::max(std::abs(x0), std::abs(x1)), fz = std::max(std::abs(z0), std::abs(z1));
            const bool whole = !(fx * fx + fz * fz > reach * reach);
            float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
            for (int pj = sj0; pj <= sj1 + 1; ++pj)
                for (int pi = si0; pi <= si1 + 1; ++pi) {
                    const float h = t.postFeet(pi, pj);
                    low = std::min(low, h), high = std::max(high, h);
                }
            if (whole) {
                // Every square within reach: the block's lowest post counts; and when its box is out
                // of view, so is each square's.
                lowest = std::min(lowest, low);
                shown = !frustum.mayShow(x0, low - eye.Y, z0, x1, high - eye.Y, z1)
                            ? 0
                            : kBlockShows | frustum.cuttingPlanes(x0, low - eye.Y, z0, x1, high - eye.Y, z1);
            } else {
                // Partly out of reach: its squares decide one by one, against the planes that cut it.
                shown = kBlockShows | frustum.cuttingPlanes(x0, low - eye.Y, z0, x1, high - eye.Y, z1);
            }
            if (shown && ClearsBlocksWhole && frustum.wellInside(x0, low - eye.Y, z0, x1, high - eye.Y, z1, kInsideShare, ClipReach))
                shown |= kBlockUnclipped;
        }
}

void TerrainDrawer::addMergedSquares(const RIDUdidav& t, const Eye& eye, const ViewFrustum& frustum, double fogStart,
                                     double fogEnd) {
    if (Candidates.empty()) return;
    // The grid spans the candidates alone.
    int ci0 = Candidates[0][0], ci1 = ci0, cj0 = Candidates[0][1], cj1 = cj0;
    for (const auto& c : Candidates)
        ci0 = std::min(ci0, c[0]), ci1 = std::max(ci1, c[0]), cj0 = std::min(cj0, c[1]), cj1 = std::max(cj1, c[1]);
    MergeGrid.reset(ci0, cj0, ci1 - ci0 + 1, cj1 - cj0 + 1);
    MapCodes.assign(MergeGrid.Keys.size(), 0);
    BoxLit.assign(MergeGrid.Keys.size(), 0);
    for (const auto& c : Candidates) {
        const size_t k = MergeGrid.at(c[0], c[1]);
        MergeGrid.Keys[k] = uint8_t(c[2]);
        MapCodes[k] = uint8_t(c[3]);
        BoxLit[k] = uint8_t(c[4]);
    }
    const BlockGrid& grid = MergeGrid;
    const auto height = [&t](int i, int j) { return t.postFeet(i, j); };
    // The least and greatest of each channel of the block's squares' means.
    const auto colourRange = [&](int i, int j, int size, std::array<float, 3>& low, std::array<float, 3>& high) {
        for (int dj = 0; dj < size; ++dj)
            for (int di = 0; di < size; ++di) {
                const auto& mean = MeanColours[std::min<size_t>(MapCodes[grid.at(i + di, j + dj)], kGroundCodes - 1)];
                for (size_t c = 0; c < 3; ++c) low[c] = std::min(low[c], mean[c]), high[c] = std::max(high[c], mean[c]);
            }
    };
    const auto spread = [](const std::array<float, 3>& low, const std::array<float, 3>& high) {
        return 255.0 * std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    };
    // The fog's factor at the block's nearest corner in depth, where it is greatest.
    const auto fogShare = [&](int i, int j, int size) {
        if (grid.Keys[grid.at(i, j)] != 1 || !(fogEnd > fogStart)) return 1.0;
        double nearest = std::numeric_limits<double>::infinity();
        for (int c = 0; c < 4; ++c) {
            const Vertex v = post(t, eye, i + (c & 1) * size, j + (c >> 1) * size);
            nearest = std::min(nearest, frustum.fogDepth(v.X, v.Y, v.Z));
        }
        return std::clamp((fogEnd - nearest) / (fogEnd - fogStart), 0.0, 1.0);
    };
    // How far (ft) the block's posts may lie off its plane; negative: it is not merged. Within a
    // block, which square a pixel takes is told by the colour map's coordinate rather than by the
    // rasteriser's edges, which it snaps to its sub-pixel grid: a pixel on a square's edge may take
    // its neighbour's colour. So only blocks whose squares' colours, as the fog leaves them, lie
    // within MergedSpread levels of each other are merged. A post off the plane by e ft moves by
    // at most e / distance radians, kept within MergedShift of the closest pixel spacing; the
    // block's nearest point is at least its horizontal distance from the eye.
    const auto tolerance = [&](int i, int j, int size) {
        const double x0 = i * kSquareFeet - eye.X, x1 = (i + size) * kSquareFeet - eye.X;
        const double z0 = j * kSquareFeet - eye.Z, z1 = (j + size) * kSquareFeet - eye.Z;
        const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
        std::array<float, 3> low{1, 1, 1}, high{0, 0, 0};
        colourRange(i, j, size, low, high);
        if (!(fogShare(i, j, size) * spread(low, high) <= MergedSpread)) return -1.0;
        // Every triangle of the block faces the eye: no crest within it hides ground beyond, which
        // a post moved down a little could show, or moved up, hide.
        for (int dj = 0; dj < size; ++dj)
            for (int di = 0; di < size; ++di) {
                const int pi = i + di, pj = j + dj;
                const double ex = eye.X - pi * kSquareFeet, ez = eye.Z - pj * kSquareFeet;
                const double h00 = t.postFeet(pi, pj), h10 = t.postFeet(pi + 1, pj), h11 = t.postFeet(pi + 1, pj + 1),
                             h01 = t.postFeet(pi, pj + 1);
                // Each triangle's plane y = h00 + gx x + gz z: the eye above it.
                const double g[2][2] = {{(h10 - h00) / kSquareFeet, (h11 - h10) / kSquareFeet},
                                        {(h11 - h01) / kSquareFeet, (h01 - h00) / kSquareFeet}};
                for (const auto& q : g)
                    if (!(eye.Y - h00 - q[0] * ex - q[1] * ez > 0)) return -1.0;
            }
        return MergedShift * frustum.LeastPixelAngle * std::sqrt(nx * nx + nz * nz);
    };
    mergeBlocks(MergeGrid, height, tolerance, {8, 4, 2});
    const float across = float(mapSide(grid.Across)), down = float(mapSide(grid.Down));
    long squaresMerged = 0, blockTrianglesMade = 0;
    for (const auto& c : Candidates) {
        const int i = c[0], j = c[1];
        const size_t k = grid.at(i, j);
        const bool farClear = c[2] == 2;
        const int size = grid.Sizes[k];
        if (!size) continue;
        ++squaresMerged;
        if (unsigned(i) % unsigned(size) != 0 || unsigned(j) % unsigned(size) != 0) continue;  // not the block's first
        // The diagonal nearer the line of sight to the block's middle, seen from above, spans
        // fewer pixels.
        bool diagonal0 = true;
        if (CutsAlongTheSight) {
            const double mx = (i + 0.5 * size) * kSquareFeet - eye.X, mz = (j + 0.5 * size) * kSquareFeet - eye.Z;
            diagonal0 = !(std::abs(-mx - mz) < std::abs(mx - mz));  // (1, 1) against (-1, 1) across the sight
        }
        // A side drawn straight between its corners where it meets a block of its size, whose
        // posts lie within the tolerance of both blocks' planes: a pixel there may change
        // block, so only where the two blocks' colours together, as the fog leaves them, lie
        // within MergedSpread, or its posts lie on the line to the floats' rounding; else
        // through them. Both blocks find the same.
        uint8_t sides = sidesWithPosts(grid, i, j, size);
        std::array<float, 3> low{1, 1, 1}, high{0, 0, 0};
        colourRange(i, j, size, low, high);
        const double share = fogShare(i, j, size);
        static constexpr int kFrom[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        static constexpr int kAlong[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        for (int side = 0; side < 4; ++side) {
            if (sides >> side & 1) continue;
            const int ni = i + (side == 1 ? size : side == 3 ? -size : 0);
            const int nj = j + (side == 2 ? size : side == 0 ? -size : 0);
            std::array<float, 3> bothLow = low, bothHigh = high;
            colourRange(ni, nj, size, bothLow, bothHigh);
            if (std::max(share, fogShare(ni, nj, size)) * spread(bothLow, bothHigh) <= MergedSpread) continue;
            const int ai = i + kFrom[side][0] * size, aj = j + kFrom[side][1] * size;
            const int bi = ai + kAlong[side][0] * size, bj = aj + kAlong[side][1] * size;
            const double x0 = std::min(ai, bi) * kSquareFeet - eye.X, x1 = std::max(ai, bi) * kSquareFeet - eye.X;
            const double z0 = std::min(aj, bj) * kSquareFeet - eye.Z, z1 = std::max(aj, bj) * kSquareFeet - eye.Z;
            const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
            const double most = kStraightShift * frustum.LeastPixelAngle * std::sqrt(nx * nx + nz * nz);
            const double ha = t.postFeet(ai, aj), hb = t.postFeet(bi, bj);
            for (int k = 1; k < size; ++k) {
                const double h = t.postFeet(ai + kAlong[side][0] * k, aj + kAlong[side][1] * k);
                if (!(std::abs(h - (ha + (hb - ha) * k / size)) <= most)) {
                    sides |= uint8_t(1 << side);
                    break;
                }
            }
        }
        blockTriangles(size, sides, diagonal0, BlockTriangles);
        blockTrianglesMade += long(BlockTriangles.size());
        // A vertex for each post the triangles use, at its place in the colour map, whose texel
        // (i - I0, j - J0) holds square (i, j)'s mean: every pixel takes its own square's (to
        // within the rounding where squares meet). Under a scissor box, where a square of the
        // block has a triangle lighting no pixel centre within it, the block's triangles that
        // light none are left out.
        bool boxCuts = false;
        for (int dj = 0; dj < size && Boxed && !boxCuts; ++dj)
            for (int di = 0; di < size; ++di) boxCuts = boxCuts || BoxLit[grid.at(i + di, j + dj)] != 3;
        Run& run = farClear ? ClearBlockRun : BlockRun;
        std::array<uint32_t, (8 + 1) * (8 + 1)> made;
        made.fill(std::numeric_limits<uint32_t>::max());
        for (const auto& triangle : BlockTriangles) {
            if (boxCuts && !mayLight(t, eye,
                                   {{{i + triangle[0][0], j + triangle[0][1]},
                                     {i + triangle[1][0], j + triangle[1][1]},
                                     {i + triangle[2][0], j + triangle[2][1]}}},
                                   frustum))
                continue;
            for (const PostOffset& p : triangle) {
                uint32_t& v = made[size_t(p[1] * (size + 1) + p[0])];
                if (v == std::numeric_limits<uint32_t>::max()) {
                    v = uint32_t(run.Far.size());
                    Vertex at = post(t, eye, i + p[0], j + p[1]);
                    // Drawn a 256th of a texel inside the block's own texels at its edges: a
                    // pixel the block covers there would else read its neighbour's by rounding.
                    const double middle = 0.5 * size, inward = 1.0 - 2.0 / 256 / size;
                    at.U = float((i - grid.I0 + middle + (p[0] - middle) * inward) / across);
                    at.V = float((j - grid.J0 + middle + (p[1] - middle) * inward) / down);
                    run.Far.push_back(at);
                }
                run.FarTriangles.push_back(v);
            }
        }
        ++Merged;
    }
    // Blocks that save few triangles do not pay for the map and the change of state they need:
    // then every square is drawn on its own. Counted over the whole viewport, the box or none.
    if (2 * squaresMerged - blockTrianglesMade < kLeastTrianglesSaved) {
        BlockRun.clear(), ClearBlockRun.clear();
        Merged = 0;
        std::fill(MergeGrid.Sizes.begin(), MergeGrid.Sizes.end(), 0);
    }
    for (const auto& c : Candidates) {
        const int i = c[0], j = c[1], code = std::min(c[3], kGroundCodes - 1);
        if (grid.Sizes[grid.at(i, j)] || !c[4]) continue;
        const bool farClear = c[2] == 2;
        Run& run = (farClear ? ClearMeanRuns : MeanRuns)[0];
        const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
        const int group = code + (farClear ? kGroundCodes : 0) + 4 * kGroundCodes;
        addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquarePicture(code), uvScale, false, group, run, c[4]);
        run.FarCodes.resize(run.Far.size(), uint8_t(code));
    }
}

void TerrainDrawer::drawBlocks() {
    if (BlockRun.FarTriangles.empty() && ClearBlockRun.FarTriangles.empty()) return;
    const BlockGrid& grid = MergeGrid;
    // The colour map: each square's mean as drawn, as it now stands, loaded again only when it
    // changed (the eye's square, the light, or which squares are drawn in their mean).
    MapTexels.assign(size_t(grid.Across) * size_t(grid.Down) * 4, 0);
    const auto level = [](float c) { return uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); };
    for (size_t k = 0; k < grid.Keys.size(); ++k) {
        if (!grid.Sizes[k]) continue;
        const std::array<float, 3>& mean = MeanColours[std::min<size_t>(MapCodes[k], kGroundCodes - 1)];
        for (size_t c = 0; c < 3; ++c) MapTexels[k * 4 + c] = level(mean[c]);
        MapTexels[k * 4 + 3] = 255;
    }
    glPushAttrib(GL_TEXTURE_BIT | GL_ENABLE_BIT | GL_FOG_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
    // The name kept is still the map only while it reads as one: a context made anew, or the name
    // deleted and given out again, leaves it another picture or none, which is left alone.
    bool ours = ColourMap && glIsTexture(ColourMap);
    if (ours) {
        glBindTexture(GL_TEXTURE_2D, ColourMap);
        GLint width = 0, height = 0, filter = 0, last = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &last);
        ours = width == MapSize[0] && height == MapSize[1] && filter == GL_NEAREST && last == 0;
    }
    if (!ours) {
        glGenTextures(1, &ColourMap);
        glBindTexture(GL_TEXTURE_2D, ColourMap);
        MapLoaded.clear();
        MapSize = MapGrid = {};
    }
    // The same texels laid out for another grid are another map.
    const std::array<int, 2> squares{grid.Across, grid.Down}, sides{mapSide(grid.Across), mapSide(grid.Down)};
    if (MapTexels != MapLoaded || MapGrid != squares) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        if (MapSize != sides) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            // Only the grid's corner is ever read: the rest is left as the GL gives it.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, sides[0], sides[1], 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            MapSize = sides;
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, grid.Across, grid.Down, GL_RGBA, GL_UNSIGNED_BYTE, MapTexels.data());
        MapLoaded = MapTexels;
        MapGrid = squares;
    }
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    // The map's colour as it is: no colour read where the fog is not mixed in.
    setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    const auto send = [](const Run& run, const std::vector<uint32_t>& triangles) {
        glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());
        glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_INT, triangles.data());
    };
    const auto count = [this](const Run& run) {
        const long n = long(run.FarTriangles.size() / 3);
        Triangles += n;
        InMean += n;
    };
    if (!ClearBlockRun.FarTriangles.empty()) {
        send(ClearBlockRun, ClearBlockRun.FarTriangles);
        count(ClearBlockRun);
    }
    const Run& run = BlockRun;
    if (!run.FarTriangles.empty()) {
        // Those wholly within the fog's start and end mix the fog's colour, given with each vertex,
        // with the map by the fog's share there, carried as the vertex's alpha: what the GL's fog
        // gives, as in drawStagedRuns, without reading a constant at every pixel. The rest are
        // fogged by the GL.
        const LoadedFog fog;
        fogAtVertices(fog, run.Far, fog.Colour, FogShares, FogInside);
        splitByFog(run.FarTriangles, FogInside, FogAtCorners, FogByGL);
        if (!FogByGL.empty()) {
            glEnable(GL_FOG);
            send(run, FogByGL);
            glDisable(GL_FOG);
        }
        if (!FogAtCorners.empty()) {
            setFogByVertices();
            glInterleavedArrays(GL_T2F_V3F, 0, run.Far.data());  // (which turns the colour array off)
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, FogShares.data());
            // The map holds means as drawn, each rounded to a level: none farther from the fog's
            // colour than the farthest mean of a picture that may be drawn in it (its loosest band
            // takes any), whichever squares are merged.
            double contrast = 0;
            for (size_t code = 0; code < kGroundCodes; ++code)
                for (size_t c = 0; c < 3 && MeanFrom[size_t(FogBands - 1)][code] < std::numeric_limits<double>::infinity(); ++c)
                    contrast = std::max(contrast, std::abs(255.0 * (double(MeanColours[code][c]) - fog.Colour[c])) + 0.5);
            drawHeldFlat(FogAtCorners, FogShares, contrast);
        }
        count(run);
    }
    glPopClientAttrib();
    glPopAttrib();
}

void TerrainDrawer::draw(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light,
                         const ScreenCover* cover) {
    Triangles = 0;
    Apart = 0;
    CutAnew = 0;
    Covered = 0;
    Unlit = 0;
    LowestOpenElevation = kWholeDome;
    InMean = 0;
    FogStaged = 0;
    Merged = 0;
    HeldFlat = 0;
    for (auto* runs : {&Runs, &ClearRuns, &StagedRuns})
        for (auto& part : *runs)
            for (auto& run : part) run.clear();
    for (auto* runs : {&MeanRuns, &ClearMeanRuns})
        for (auto& run : *runs) run.clear();
    BlockRun.clear(), ClearBlockRun.clear();
    for (auto& part : Roads)
        for (auto& run : part) run.clear();
    if (!t.hasGrid()) return;

    const std::array<uint32_t, 2> roads = {glName(t.RoadStraightSlot), glName(t.RoadBendSlot)};
    prepareRoadShapes(roads);
    std::array<uint32_t, kGroundCodes> ground;
    for (int code = 0; code < kGroundCodes; ++code) ground[code] = glName(t.GroundTextureSlots[code]);
    prepareGroundPictures(ground.data());
    // In full daylight the pictures are drawn as they are: modulating by white would change no
    // pixel, and without it the rasteriser neither interpolates nor multiplies a colour.
    const bool daylight = std::all_of(light.begin(), light.end(), [](float l) { return l >= 1.0f - 1.0f / 512; });
    prepareMeans(light, daylight);
    const bool stages = daylight && FogsInStage && !Exact;
    // Per road picture (straight, bend), the least squares a pixel step spans at which it is
    // sampled at a level with no texel passing. (A picture whose last level still passes
    // somewhere is never blank: the GL stops at that level.)
    std::array<double, 2> blankAt;
    for (int k = 0; k < 2; ++k)
        blankAt[k] = RoadLevels[k].Last >= 0 && RoadBlankLevel[k] <= RoadLevels[k].Last
                         ? std::exp2(RoadBlankLevel[k] - 0.5) / RoadLevels[k].Size
                         : std::numeric_limits<double>::infinity();
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const int r = int(reach / kSquareFeet) + 1;
    const int ci = int(std::floor(eye.X / kSquareFeet)), cj = int(std::floor(eye.Z / kSquareFeet));
    const int i0 = std::max(ci - r, 0), i1 = std::min(ci + r, kGridSize - 2);
    const int j0 = std::max(cj - r, 0), j1 = std::min(cj + r, kGridSize - 2);
    if (i1 < i0 || j1 < j0) return;
    PostsI0 = i0, PostsJ0 = j0, PostsAcross = size_t(i1 - i0 + 2);
    PostKeys.assign(PostsAcross * size_t(j1 - j0 + 2) * 4, 0);
    PostIndices.resize(PostKeys.size());
    // Squares wholly outside the view are left out here rather than clipped one vertex at a time.
    const ViewFrustum frustum;
    const bool findsUnlit = SkipsUnseenWork && frustum.LeastPixelAngle > 0 && frustum.NearFeet > 0;
    const double pixelTan = std::min(frustum.PixelTan[0], frustum.PixelTan[1]);
    // Squares the GL must clip (across the near or far plane, or the window's edge) go in draws
    // of their own: one such triangle sends its whole draw down the GL's slower clipping route.
    const bool splits = SeparatesClipped && frustum.NearFeet > 0 && frustum.viewport()[2] > 0;
    const bool widens = !Exact && WidensView && WidenedView::possible();
    ClipReach = widens ? WidenedView::kWidening : 1.0;
    if (splits) PostInside.assign(PostKeys.size() / 4, 0);
    Boxed = false;
    if (findsUnlit) {
        PostProjected.assign(PostKeys.size() / 4, 0);
        PostWindow.resize(PostProjected.size());
        const auto& vp = frustum.viewport();
        Viewed = {vp[0], vp[1], vp[0] + vp[2], vp[1] + vp[3]};
        Drawable = Viewed;
        if (glIsEnabled(GL_SCISSOR_TEST)) {
            GLint box[4] = {};
            glGetIntegerv(GL_SCISSOR_BOX, box);
            Drawable = {std::max(Drawable.X0, box[0]), std::max(Drawable.Y0, box[1]),
                        std::min(Drawable.X1, box[0] + box[2]), std::min(Drawable.Y1, box[1] + box[3])};
        }
        Boxed = Drawable.X0 != Viewed.X0 || Drawable.Y0 != Viewed.Y0 || Drawable.X1 != Viewed.X1 ||
                Drawable.Y1 != Viewed.Y1;
        GLint samples = 0;
        glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
        // A sixteenth of a pixel is far wider than the rounding of the GL's transform and its
        // sub-pixel grid; with several samples a pixel, a sample may lie anywhere in it.
        CentreMargin = 1.0 / 16 + (samples > 0 ? 0.5 : 0.0);
    }
    // Ground within this depth of the eye is drawn without fog, which would leave it as it is; the
    // near squares with it when all of them are (1 ft spares the fog coordinate's rounding).
    const double fogStart = reach * 0.25;
    const double glFogStart = float(fogStart), glFogEnd = float(reach);  // as the GL holds them
    // From each band's depth on, the GL's fog factor (end - depth) / (end - start) is at most the
    // band's: where the fog has no reach, no band after the first.
    for (int band = 0; band < kFogBands; ++band)
        BandDepths[size_t(band)] = glFogEnd > glFogStart
                                       ? glFogEnd - fogBandFactor(band) * (glFogEnd - glFogStart)
                                       : std::numeric_limits<double>::infinity();
    const double clearReach = SkipsUnseenWork ? std::max(fogStart - 1.0, 0.0) : 0.0;
    bool nearFogged = false;
    float lowest = std::numeric_limits<float>::max();
    markShownBlocks(t, eye, i0, i1, j0, j1, reach, frustum, lowest);
    const size_t blocksAcross = size_t((i1 - i0) / kBlock + 1);
    ColumnDx.resize(size_t(i1 - i0 + 1));
    for (int i = i0; i <= i1; ++i)
        ColumnDx[size_t(i - i0)] = std::max({i * kSquareFeet - eye.X, eye.X - (i + 1) * kSquareFeet, 0.0});
    const bool coverShows = cover && !cover->empty();
    const bool merges = !Exact && MergesFarBlocks && DrawsInMean;
    Candidates.clear();
    for (int j = j0; j <= j1; ++j) {
        const uint8_t* blocks = &BlockShown[size_t((j - j0) / kBlock) * blocksAcross];
        const double dz = std::max({j * kSquareFeet - eye.Z, eye.Z - (j + 1) * kSquareFeet, 0.0});
        for (int i = i0; i <= i1; ++i) {
            const uint8_t block = blocks[size_t(i - i0) / kBlock];
            if (!block) {
                i += kBlock - 1 - (i - i0) % kBlock;  // to the block's last square
                continue;
            }
            // Horizontal distance from the eye to the nearest point of the square.
            const double dx = ColumnDx[size_t(i - i0)];
            const double d = std::sqrt(dx * dx + dz * dz);
            if (d > reach) continue;
            const float low = lowestPost(t, i, j), high = highestPost(t, i, j);
            lowest = std::min(lowest, low);
            const uint8_t planes = block & ViewFrustum::kAllPlanes;
            if (planes && !frustum.mayShow(i * kSquareFeet - eye.X, low - eye.Y, j * kSquareFeet - eye.Z,
                                           (i + 1) * kSquareFeet - eye.X, high - eye.Y, (j + 1) * kSquareFeet - eye.Z,
                                           planes))
                continue;
            if (coverShows && behind(*cover, frustum, i, j, low - eye.Y, high - eye.Y, eye)) {
                ++Covered;
                continue;
            }
            const int code = t.groundCodeAt(i, j);
            const bool perSquare = perSquarePicture(code);
            // The shelled ground's pictures span two squares: its craters repeat less.
            const double uvScale = code == kShellMud || code == kTrenches ? 0.5 : 1.0;
            const bool near = d < kDetailDistance && t.getDrawDetail();
            // Far squares seen nearly edge-on may fall between the pixel centres; only those whose
            // depth across the line of sight may span under a few pixels are worth projecting.
            // Told against the viewport for the blocks' sake; what is drawn, within the scissor box.
            int lit = 3, viewLit = 3;
            if (findsUnlit && !near && d >= kDetailDistance) {
                const double rise = std::abs(eye.Y - 0.5 * (low + double(high)));
                const double across = (rise * kSquareFeet * M_SQRT2 / d + (double(high) - low)) / d / pixelTan;
                if (across < kThinPixels) viewLit = litTriangles(t, eye, i, j, frustum, lit);
            }
            Unlit += 2 - (lit & 1) - (lit >> 1);
            if (!viewLit || (!lit && (!merges || viewLit != 3))) continue;  // and its roads with it
            // Every corner of the square, and so every point between, nearer than the fog's start in
            // depth, by which the GL fogs: its fog factor is one.
            bool clear = true;
            for (int c = 0; c < 4 && clear; ++c) {
                const int pi = i + (c & 1), pj = j + (c >> 1);
                clear = frustum.fogDepth(pi * kSquareFeet - eye.X, t.postFeet(pi, pj) - eye.Y, pj * kSquareFeet - eye.Z) <
                        clearReach;
            }
            nearFogged = nearFogged || (near && !clear);
            // Kept apart as their own group's vertices.
            const bool clipped = splits && !(block & kBlockUnclipped) && needsClipping(t, eye, i, j, frustum);
            const uint8_t edges = t.roadEdgesAt(i, j);
            // A fogged far square's least and greatest depth, by which the GL fogs, as it sees the
            // vertices: the fog's factor, affine in the depth across each triangle, is greatest at
            // the nearest corner. A picture close enough to its mean at every level needs no credit.
            constexpr double kNone = std::numeric_limits<double>::infinity();
            const bool credit = !near && !clear && FogBands > 1 && MeanFrom[size_t(FogBands - 1)][code] < kNone &&
                                MeanFrom[0][code] > 0;
            double nearest = kNone, farthest = 0;
            if (credit || (stages && !near && !clear))
                for (int c = 0; c < 4; ++c) {
                    const Vertex v = post(t, eye, i + (c & 1), j + (c >> 1));
                    const double z = frustum.fogDepth(v.X, v.Y, v.Z);
                    nearest = std::min(nearest, z), farthest = std::max(farthest, z);
                }
            // The least squares a pixel step spans on a far square, wherever a pixel quad reads its
            // picture or its roads: past the level whose texels all fail the alpha test, a road
            // picture draws nothing (the straight one fades out a level nearer than the bend); past
            // the level from which the ground's picture lies close to its mean, as near as the fog
            // there leaves its texels to it, the square is drawn in it. A pixel quad takes level
            // round(log2(squares x texels across)).
            const int band = credit ? int(std::upper_bound(BandDepths.begin() + 1, BandDepths.begin() + FogBands, nearest) -
                                          BandDepths.begin()) - 1
                                    : 0;
            const double meanFrom = near ? kNone : MeanFrom[size_t(band)][code];
            const bool meanMayDo = meanFrom < kNone;
            double wanted = edges ? std::min(blankAt[0], blankAt[1]) : kNone;
            if (meanMayDo && meanFrom > 0) wanted = std::min(wanted, meanFrom);
            double spans = 0;
            if (!near && !Exact && wanted < kNone) {
                const double rise = std::max({low - eye.Y, eye.Y - double(high), 0.0});
                spans = leastSquaresPerPixel(t, eye, i, j, std::sqrt(d * d + rise * rise), frustum, wanted);
            }
            const bool inMean = meanMayDo && spans >= meanFrom;
            const bool farClear = clear && !near;
            // A far textured square wholly between the fog's start and end, as the GL sees its
            // vertices, in daylight: fogged by its texture stage.
            const bool staged = stages && !near && !clear && !inMean && nearest >= fogStart && farthest <= reach;
            const int group = code + (farClear ? kGroundCodes : 0) + (clipped ? 2 * kGroundCodes : 0) +
                              (inMean ? 4 * kGroundCodes : 0) + (staged ? 8 * kGroundCodes : 0);
            std::array<bool, 2> blank{};
            if (edges && !near && !Exact) blank = {spans >= blankAt[0], spans >= blankAt[1]};
            // Left for the blocks: a mean square the GL need not clip, both triangles lit and no
            // road drawn over it.
            if (merges && inMean && !clipped && viewLit == 3 && (!edges || (blank[0] && blank[1]))) {
                Candidates.push_back({i, j, farClear ? 2 : 1, code, lit});
                continue;
            }
            if (!lit) continue;
            Run& run = inMean   ? (farClear ? ClearMeanRuns : MeanRuns)[clipped]
                       : staged ? StagedRuns[clipped][code]
                                : (farClear ? ClearRuns : Runs)[clipped][code];
            addSquare(t, eye, i, j, int(squareHash(i, j) & 3), !perSquare, uvScale, near, group, run, lit);
            if (inMean) run.FarCodes.resize(run.Far.size(), uint8_t(code));

            if (!edges || (blank[0] && blank[1])) continue;
            const auto road = [&](int turns, int kind) {
                if (!blank[kind]) addRoad(t, eye, i, j, turns, kind, d, near, lit, clipped);
            };
            // Each road edge is covered by a straight piece or a bend; a road that ends here runs
            // straight through the square.
            uint8_t covered = 0;
            if ((edges & (kEdgeLowZ | kEdgeHighZ)) == (kEdgeLowZ | kEdgeHighZ)) {
                road(0, 0);
                covered |= kEdgeLowZ | kEdgeHighZ;
            }
            if ((edges & (kEdgeLowX | kEdgeHighX)) == (kEdgeLowX | kEdgeHighX)) {
                road(1, 0);
                covered |= kEdgeLowX | kEdgeHighX;
            }
            static constexpr uint8_t kBendEdges[4] = {kEdgeHighX | kEdgeLowZ, kEdgeHighX | kEdgeHighZ,
                                                      kEdgeLowX | kEdgeHighZ, kEdgeLowX | kEdgeLowZ};
            for (int pass = 0; pass < 2; ++pass)  // first bends joining two loose ends, then any
                for (int turn = 0; turn < 4; ++turn) {
                    const uint8_t b = kBendEdges[turn];
                    if ((edges & b) != b || (covered & b) == b) continue;
                    if (pass == 0 && (covered & b)) continue;
                    road(turn, 1);
                    covered |= b;
                }
            const uint8_t loose = edges & ~covered;
            if (loose & (kEdgeLowZ | kEdgeHighZ)) road(0, 0);
            if (loose & (kEdgeLowX | kEdgeHighX)) road(1, 0);
        }
    }

    if (merges) addMergedSquares(t, eye, frustum, glFogStart, glFogEnd);

    // Every ray that leaves the eye lower than this meets the ground within the reach: it comes down
    // to the lowest drawn post inside the reach, and the ground is drawn all round to the reach. That
    // holds while the eye is above the ground under it by enough that a ray 20 degrees down meets it
    // beyond the near plane, the reach lies inside the grid, and the far plane is beyond the meeting.
    const double above = eye.Y - lowest;
    const bool wholeReach = ci - r >= 0 && cj - r >= 0 && ci + r <= kGridSize - 2 && cj + r <= kGridSize - 2;
    if (wholeReach && above > 0 && above < kHighestOverGround &&
        eye.Y - highestPost(t, ci, cj) > frustum.NearFeet * kNearRaySine)
        LowestOpenElevation = -std::atan2(above, reach) - kOpenMargin;

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_POLYGON_BIT |
                 GL_TEXTURE_BIT | GL_LIGHTING_BIT | GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    WidenedView wide;
    if (widens) wide.widen();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    // Plain REPLACE still takes an RGB picture's alpha from the colour (one here), which keeps the
    // colour an input of every pixel; the picture's own alpha (one for RGB, the roads' own for
    // RGBA) gives the same and reads no colour at all.
    if (daylight)
        setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(light[0], light[1], light[2], 1);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, float(glFogStart));
    glFogf(GL_FOG_END, float(glFogEnd));

    bool anyNear = false;
    for (const auto& part : Runs)
        for (const Run& run : part) anyNear = anyNear || !run.Near.empty();
    for (const auto& part : Roads)
        for (const Run& run : part) anyNear = anyNear || !run.Near.empty();

    // The far roads' whole squares are cut as the ground's under them: the same test of the same
    // vertices.
    if (!Exact && CutsAlongTheSight) {
        for (auto* runs : {&Runs, &ClearRuns, &StagedRuns})
            for (auto& part : *runs)
                for (auto& run : part) CutAnew += cutAlongTheSight(run.FarTriangles, run.Far);
        for (auto* runs : {&MeanRuns, &ClearMeanRuns})
            for (auto& run : *runs) CutAnew += cutAlongTheSight(run.FarTriangles, run.Far);
        for (auto& part : Roads)
            for (auto& run : part) cutAlongTheSight(run.FarTriangles, run.Far);
    }
    // The ground beyond the detail, fogged then not, then within it; then the roads within it and
    // beyond.
    drawRuns(Runs, ground.data(), false);
    drawMeanRuns(MeanRuns, true);
    // The rest without the GL's fog, the pictures' stage changed last.
    glDisable(GL_FOG);
    drawMeanRuns(ClearMeanRuns, false);
    drawBlocks();
    drawRuns(ClearRuns, ground.data(), false);
    drawStagedRuns(StagedRuns, ground.data());
    if (nearFogged || !SkipsUnseenWork) glEnable(GL_FOG);
    if (anyNear) {
        setDetailUnit(true, glName(t.DetailSlot));
        drawRuns(Runs, ground.data(), true);
    }
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -2.0f);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    if (anyNear) {
        drawRuns(Roads, roads.data(), true);
        setDetailUnit(false, 0);
    }
    glEnable(GL_FOG);
    drawRuns(Roads, roads.data(), false);
    wide.restore();
    glPopClientAttrib();
    glPopAttrib();
}

bool WidenedView::possible() {
    float p[16];
    GLint vp[4] = {}, most[2] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, vp);
    if (!(p[15] == 0.0f && p[0] > 0.0f && p[5] > 0.0f)) return false;  // a perspective view only
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    // Half the window across and down in whole pixels keeps the viewport's centre where it was; the
    // widened one stays within the sizes and, conservatively, the places the GL takes unclamped.
    const int k = int(kWidening);
    for (int axis = 0; axis < 2; ++axis) {
        const int at = vp[axis], size = vp[axis + 2];
        if (size <= 0 || size % 2 != 0 || size * k > most[axis] || at - size * (k - 1) / 2 < -most[axis] ||
            at + size * (k + 1) / 2 > most[axis])
            return false;
    }
    return true;
}

bool WidenedView::widen() {
    if (Widened) return true;
    if (InForce || !possible()) return false;
    glGetIntegerv(GL_VIEWPORT, Viewport.data());
    glGetIntegerv(GL_SCISSOR_BOX, Box.data());
    Scissor = glIsEnabled(GL_SCISSOR_TEST);
    const auto& vp = Viewport;
    // Nothing is drawn outside the window, nor outside a scissor box already set.
    GLint box[4] = {vp[0], vp[1], vp[2], vp[3]};
    if (Scissor) {
        const auto& set = Box;
        const int x0 = std::max(vp[0], set[0]), y0 = std::max(vp[1], set[1]);
        const int x1 = std::min(vp[0] + vp[2], set[0] + set[2]), y1 = std::min(vp[1] + vp[3], set[1] + set[3]);
        box[0] = x0, box[1] = y0, box[2] = std::max(x1 - x0, 0), box[3] = std::max(y1 - y0, 0);
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box[0], box[1], box[2], box[3]);
    // A power of two divides exactly in floating point, so every vertex lands on the same window
    // position to the bit.
    const int w = vp[2], h = vp[3];
    const int k = int(kWidening);
    glViewport(vp[0] - w * (k - 1) / 2, vp[1] - h * (k - 1) / 2, w * k, h * k);
    glGetFloatv(GL_PROJECTION_MATRIX, Projection.data());
    std::array<GLfloat, 16> p = Projection;
    for (int col = 0; col < 4; ++col) p[col * 4] /= float(k), p[col * 4 + 1] /= float(k);
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(p.data());
    glMatrixMode(GLenum(mode));
    InForce = this;
    return Widened = true;
}

void WidenedView::restore() {
    if (!Widened) return;
    Widened = false;
    InForce = nullptr;
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(Projection.data());  // floats back as they were, to the bit
    glMatrixMode(GLenum(mode));
    glViewport(Viewport[0], Viewport[1], Viewport[2], Viewport[3]);
    glScissor(Box[0], Box[1], Box[2], Box[3]);
    if (!Scissor) glDisable(GL_SCISSOR_TEST);
}

void WidenedView::loaded(std::array<double, 16>& projection, std::array<int, 4>& viewport) {
    if (InForce) {
        std::copy(InForce->Projection.begin(), InForce->Projection.end(), projection.begin());
        viewport = InForce->Viewport;
        return;
    }
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetIntegerv(GL_VIEWPORT, viewport.data());
}

}  // namespace pellam::worlddraw
