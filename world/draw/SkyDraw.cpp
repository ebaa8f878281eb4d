#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

#include "core/Constants.h"
#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

using world::kGridSize;
using world::kSquareFeet;

namespace {

constexpr float kDomeRadius = 1000.0f;  // ft: drawn without depth, so only its direction counts
// A pixel's footprint on a flat facet of the dome is a little wider than on the sphere, and a
// level's texels must stay wider than a pixel by a margin.
constexpr double kPixelMargin = 1.1;

// The widest angle one pixel of the viewport spans (radians): the one on the projection's axis.
double widestPixel() {
    float p[16];
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (!(p[0] > 0 && p[5] > 0) || viewport[2] <= 0 || viewport[3] <= 0) return kPi;
    return std::max(2.0 / (double(p[0]) * viewport[2]), 2.0 / (double(p[5]) * viewport[3]));
}

// The camera's right and up axes in world space, from the rotation in the modelview matrix.
void cameraAxes(float* right, float* up) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    right[0] = m[0], right[1] = m[4], right[2] = m[8];
    up[0] = m[1], up[1] = m[5], up[2] = m[9];
}

// A square facing the camera: its corners' steps along the camera's right and up axes, counterclockwise.
constexpr float kFacingCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// Corner `at` (of kFacingCorners) of the camera-facing square `size` ft from its centre (x, y, z) to each side.
std::array<float, 3> facingCorner(const float* right, const float* up, float x, float y, float z, float size,
                                  const float* at) {
    return {x + (right[0] * at[0] + up[0] * at[1]) * size, y + (right[1] * at[0] + up[1] * at[1]) * size,
            z + (right[2] * at[0] + up[2] * at[1]) * size};
}

constexpr int kDomeRings = 12, kDomeSegments = 32;
// The most the dome below the horizon, the horizon's colour times the picture's row there, may
// stray from one colour (levels of 255) for the colour buffer cleared to it to stand for it: no
// more than the rounding of the drawn colour, so that the clear loses none of the row's detail.
constexpr double kFloorStray = 0.5;

// Which of the dome's quads can reach the part of the viewport that is drawn (within the scissor
// box, if on): a quad all of whose corners lie outside one side of that window, or behind the near
// plane, lights no pixel there. Corners are given as positions (x, y, z) every `stride` floats.
class DrawnWindow {
public:
    DrawnWindow() {
        float p[16], m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        for (int col = 0; col < 4; ++col)
            for (int row = 0; row < 4; ++row) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += double(p[k * 4 + row]) * m[col * 4 + k];
                Clip[size_t(col * 4 + row)] = sum;
            }
        GLint vp[4] = {}, box[4] = {};
        glGetIntegerv(GL_VIEWPORT, vp);
        if (vp[2] <= 0 || vp[3] <= 0 || !glIsEnabled(GL_SCISSOR_TEST)) return;
        glGetIntegerv(GL_SCISSOR_BOX, box);
        // One pixel wider all round than the box: the GL's own rounding of a corner's place.
        const auto across = [&](double x) { return 2.0 * (x - vp[0]) / vp[2] - 1.0; };
        const auto up = [&](double y) { return 2.0 * (y - vp[1]) / vp[3] - 1.0; };
        Window = {std::max(-1.0, across(box[0] - 1.0)), std::min(1.0, across(double(box[0]) + box[2] + 1.0)),
                  std::max(-1.0, up(box[1] - 1.0)), std::min(1.0, up(double(box[1]) + box[3] + 1.0))};
    }
    // A point's clip coordinates.
    std::array<double, 4> clip(const float* xyz) const {
        std::array<double, 4> c{};
        for (int i = 0; i < 4; ++i)
            c[size_t(i)] = Clip[size_t(i)] * xyz[0] + Clip[size_t(4 + i)] * xyz[1] + Clip[size_t(8 + i)] * xyz[2] +
                           Clip[size_t(12 + i)];
        return c;
    }
    // Bits of the sides a point lies outside: left, right, bottom, top, near.
    int outside(const float* xyz) const { return outside(clip(xyz)); }
    // The same from its clip coordinates, which hold while the matrices do.
    int outside(const std::array<double, 4>& c) const {
        return (c[0] < Window[0] * c[3]) | (c[0] > Window[1] * c[3]) << 1 | (c[1] < Window[2] * c[3]) << 2 |
               (c[1] > Window[3] * c[3]) << 3 | (c[2] + c[3] < 0) << 4;
    }
    // Whether the `n` points (each with X, Y, Z in a row) all lie outside one side, so that no
    // polygon of them can reach the window.
    template <class Point>
    bool missesAll(const Point* p, int n) const {
        int out = ~0;
        for (int i = 0; i < n; ++i) out &= outside(&p[i].X);
        return out != 0;
    }
    // Whether the ball of `radius` round the point lies wholly outside one of those sides, so that
    // every point in it does.
    bool outside(const double* centre, double radius) const {
        const auto row = [&](int i) {
            return std::array<double, 4>{Clip[size_t(i)], Clip[size_t(4 + i)], Clip[size_t(8 + i)], Clip[size_t(12 + i)]};
        };
        const auto w = row(3);
        const auto side = [&](const std::array<double, 4>& q, double sign, double bound) {
            // Inside where sign (q - bound w) >= 0.
            double a[4];
            for (int i = 0; i < 4; ++i) a[i] = sign * (q[size_t(i)] - bound * w[size_t(i)]);
            const double at = a[0] * centre[0] + a[1] * centre[1] + a[2] * centre[2] + a[3];
            return at < -radius * std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        };
        return side(row(0), 1, Window[0]) || side(row(0), -1, Window[1]) || side(row(1), 1, Window[2]) ||
               side(row(1), -1, Window[3]) || side(row(2), 1, -1);
    }

private:
    std::array<double, 16> Clip{};
    std::array<double, 4> Window{-1, 1, -1, 1};  // left, right, bottom, top, -1..1
};

constexpr size_t kMostBoxes = 16;  // scissor boxes a deck is drawn under at most

// The sky's picture as last read, its first level, for its row along the horizon.
struct SkyPicture {
    uint32_t Texture = 0;
    int Width = 0, Height = 0;
    bool RepeatS = true, RepeatT = true;  // else clamped to the edge
    std::vector<uint8_t> Texels;          // RGB, row by row from t = 0
    // The least and most the picture reads along the horizon (t = 0), 0..1 per channel: below it
    // the dome shows the horizon's colour times that row.
    std::array<double, 3> FloorLow{}, FloorHigh{};

    // The picture at (s, t) as the GL's linear filter reads its first level, 0..1 per channel.
    std::array<double, 3> at(double s, double t) const {
        const double x = s * Width - 0.5, y = t * Height - 0.5;
        const double fx = x - std::floor(x), fy = y - std::floor(y);
        const auto wrap = [](long i, int n, bool repeat) {
            return repeat ? int(((i % n) + n) % n) : int(std::clamp(i, 0L, long(n - 1)));
        };
        const int x0 = wrap(long(std::floor(x)), Width, RepeatS), x1 = wrap(long(std::floor(x)) + 1, Width, RepeatS);
        const int y0 = wrap(long(std::floor(y)), Height, RepeatT), y1 = wrap(long(std::floor(y)) + 1, Height, RepeatT);
        std::array<double, 3> out{};
        for (size_t c = 0; c < 3; ++c) {
            const auto texel = [&](int i, int j) {
                return double(Texels[(size_t(j) * size_t(Width) + size_t(i)) * 3 + c]);
            };
            out[c] = ((texel(x0, y0) * (1 - fx) + texel(x1, y0) * fx) * (1 - fy) +
                      (texel(x0, y1) * (1 - fx) + texel(x1, y1) * fx) * fy) / 255.0;
        }
        return out;
    }
};

// The dome's corner k (0..kDomeSegments) at elevation e: its picture coordinates.
std::array<double, 2> domeCoordinates(int k, double e) {
    return {double(k) / kDomeSegments * 4.0, std::max(e, 0.0) / (kPi / 2)};
}

// Elevation of the boundary below ring r (r = kDomeRings: the zenith).
double ringEdge(int r) { return -kPi / 9 + (kPi / 2 + kPi / 9) * r / kDomeRings; }

// The picture bound on the active unit, read once per GL name and size: the sky is drawn on the
// GL's thread only.
const SkyPicture& skyPicture(uint32_t texture) {
    static SkyPicture picture;
    GLint width = 0, height = 0, wrapS = 0, wrapT = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    const bool repeatS = wrapS == GL_REPEAT, repeatT = wrapT == GL_REPEAT;
    if (picture.Texture == texture && picture.Width == width && picture.Height == height &&
        picture.RepeatS == repeatS && picture.RepeatT == repeatT)
        return picture;
    picture = SkyPicture{};
    picture.Texture = texture, picture.Width = width, picture.Height = height;
    picture.RepeatS = repeatS, picture.RepeatT = repeatT;
    const bool known = (repeatS || wrapS == GL_CLAMP_TO_EDGE) && (repeatT || wrapT == GL_CLAMP_TO_EDGE);
    if (texture == 0 || width <= 0 || height <= 0 || !known) return picture;
    auto levels = readLevels(texture, GL_RGB, 0);
    if (levels.size() != 1 || levels[0].size() != size_t(width) * size_t(height) * 3) return picture;
    picture.Texels = std::move(levels[0]);
    // Along the row at t = 0, at and between the texels the filter reads (it repeats, or holds its
    // edge, past s = 1): its values lie between the texels' at either end of each step.
    picture.FloorLow = {1, 1, 1}, picture.FloorHigh = {0, 0, 0};
    for (int i = 0; i <= width; ++i) {
        const auto v = picture.at((i + 0.5) / width, 0.0);
        for (size_t c = 0; c < 3; ++c)
            picture.FloorLow[c] = std::min(picture.FloorLow[c], v[c]), picture.FloorHigh[c] = std::max(picture.FloorHigh[c], v[c]);
    }
    return picture;
}

// The dome's rings as triangle strips, interleaved texture coordinates, colour and position
// (GL_T2F_C3F_V3F), made for one set of sky colours and one lowest elevation.
struct DomeVertices {
    std::array<float, 3> Horizon{}, Zenith{};
    double Lowest = std::numeric_limits<double>::quiet_NaN();  // matches no elevation
    std::vector<float> Vertices;
    std::array<GLint, kDomeRings> Firsts{};
    std::array<GLsizei, kDomeRings> Counts{};  // 0: the ring is wholly below what shows
    std::array<double, kDomeRings> Low{}, High{};  // radians
    std::vector<std::array<double, 4>> Clips;       // scratch: each vertex's clip coordinates at a draw
};

// Kept from draw to draw: the sky is drawn on the GL's thread only.
DomeVertices& domeVertices(const SkyColours& c, double lowestElevation) {
    static DomeVertices dome;
    if (dome.Horizon == c.Horizon && dome.Zenith == c.Zenith && dome.Lowest == lowestElevation) return dome;
    dome.Horizon = c.Horizon, dome.Zenith = c.Zenith, dome.Lowest = lowestElevation;
    dome.Vertices.clear();
    const auto colourAt = [&](double elevation, float* out) {
        const double t = std::pow(std::clamp(elevation / (kPi / 2), 0.0, 1.0), 0.55);
        for (int k = 0; k < 3; ++k) out[k] = float(c.Horizon[k] + (c.Zenith[k] - c.Horizon[k]) * t);
    };
    for (int r = 0; r < kDomeRings; ++r) {
        const double e1 = ringEdge(r + 1);
        // Below the horizon the ring has one colour and picture row, so cutting it changes no pixel.
        const double e0 = std::max(ringEdge(r), std::min(lowestElevation, 0.0));
        dome.Low[r] = e0, dome.High[r] = e1;
        dome.Firsts[r] = GLint(dome.Vertices.size() / 8);
        dome.Counts[r] = e1 <= e0 ? 0 : 2 * (kDomeSegments + 1);
        if (dome.Counts[r] == 0) continue;
        for (int s = 0; s <= kDomeSegments; ++s) {
            const double a = 2 * kPi * s / kDomeSegments;
            for (double e : {e1, e0}) {
                float v[8];
                const auto st = domeCoordinates(s, e);
                v[0] = float(st[0]), v[1] = float(st[1]);
                colourAt(e, v + 2);
                v[5] = float(std::cos(e) * std::sin(a)) * kDomeRadius, v[6] = float(std::sin(e)) * kDomeRadius;
                v[7] = float(std::cos(e) * std::cos(a)) * kDomeRadius;
                dome.Vertices.insert(dome.Vertices.end(), v, v + 8);
            }
        }
    }
    return dome;
}

// A corner of a cloud deck's piece: eye-relative position (ft) and picture coordinates.
struct DeckPoint {
    float X, Y, Z, U, V;
};
constexpr int kMaxDeckPoints = 12;  // a quad cut by six planes has at most ten
// A deck piece nearer than the fog's start is drawn apart, without fog, only when it covers at
// least this share of the view that the cockpit leaves open: the edge between the pieces costs a row of
// partly covered blocks, and fogging a pixel costs about 25 instructions of the rasteriser's.
constexpr double kUnfoggedShare = 0.1;
// What the fog worked out at a deck's corners saves the rasteriser on each 4x4 block of it the
// view shows (instructions, measured), against TerrainDrawer::DeckFogCutCost.
constexpr double kFogSavedPerBlock = 80.0;
// The most a pixel's step may move over a deck's picture, in its first level's texels, where the
// GL is sure to magnify it: below one by the error of the rasteriser's quick logarithm and more.
constexpr double kMagnified = 0.85;
// The share of the view's open cells the magnified part must cover to be drawn apart.
constexpr double kMagnifiedShare = 0.1;
// The least alpha an alpha test must ask of a deck's fragments for a deck side above the eye to be
// drawn unblended: a passing fragment then keeps at most a tenth of the sky behind it.
constexpr double kUnblendedAlpha = 0.9;
// How far (ft) the tiles of a deck's magnified square are grown to overlap their neighbours: a
// small share of a pixel there, far more than the rasteriser's rounding of an edge.
constexpr double kTileOverlap = 2.0;

// The part of the convex polygon `in` where side(point) >= 0, into `out`; the number of its points.
// A cut point is found along its edge in the edge's own direction, so the two parts a plane makes
// share their cut points exactly.
template <class Side>
int keepWhere(const DeckPoint* in, int count, DeckPoint* out, const Side& side) {
    int kept = 0;
    for (int k = 0; k < count && kept + 2 <= kMaxDeckPoints; ++k) {
        const DeckPoint& a = in[k];
        const DeckPoint& b = in[(k + 1) % count];
        const double sa = side(a), sb = side(b);
        if (sa >= 0) out[kept++] = a;
        if ((sa >= 0) != (sb >= 0)) {
            // From the same end whichever way the edge runs: pieces on either side of it, wound
            // alike, meet at the same point.
            const bool ab = std::tie(a.X, a.Z, a.Y) < std::tie(b.X, b.Z, b.Y);
            const DeckPoint& p = ab ? a : b;
            const DeckPoint& q = ab ? b : a;
            const double sp = ab ? sa : sb, sq = ab ? sb : sa;
            const float f = float(sp / (sp - sq));
            out[kept++] = {p.X + (q.X - p.X) * f, p.Y + (q.Y - p.Y) * f, p.Z + (q.Z - p.Z) * f, p.U + (q.U - p.U) * f,
                           p.V + (q.V - p.V) * f};
        }
    }
    return kept;
}

// The matrices a deck is drawn under, and what shows of the viewport.
struct DeckView {
    std::array<float, 16> Modelview{}, Projection{};
    double FogStart = 0, FogEnd = 0;  // ft
    // The viewport, and what a cockpit drawn over the world hides of it (none: nothing).
    std::array<int, 4> Viewport{};
    const ScreenCover* Cover = nullptr;
    // Drawn under each of these scissor boxes in turn, where Boxed (none: nothing drawn), else as
    // the scissor stands.
    bool Boxed = false;
    std::span<const std::array<int, 4>> Boxes;
    std::span<const DrawnWindow* const> Windows;  // the drawn window under each box
    bool ColourInVertices = false;  // the current colour sent with the points, held flat
    // With it, a fogged piece's fog given in its vertices' colours: the picture times the colour
    // times the fog's factor, plus the fog's colour times what the factor leaves, added as the
    // secondary colour. The GL's linear fog, worked out at the corners: along the deck the factor
    // is affine, so interpolated it is the same at every pixel, where the rasteriser then reads
    // no fog colour or fog parameter.
    bool FogInVertices = false;
    std::array<GLfloat, 3> FogColour{};
    double CutCostPerPixel = 0;  // of a cut where the fog starts or ends, for each pixel of its length on the window
    long* FoggedInVertices = nullptr;  // counts the draws fogged so, where given
    // Under boxes, the pieces cut to each box's part of the view and sent in one draw instead of
    // once a box under the scissor.
    bool CutsToBoxes = false;
    long* Draws = nullptr;  // counts the draws sent, where given

    // ft ahead of the eye, negative behind it.
    double ahead(const DeckPoint& p) const {
        const auto& m = Modelview;
        return -(double(m[2]) * p.X + double(m[6]) * p.Y + double(m[10]) * p.Z + m[14]);
    }
    // Clip coordinates.
    std::array<double, 4> clip(const DeckPoint& p) const {
        std::array<double, 4> e{}, c{};
        for (int i = 0; i < 4; ++i)
            e[i] = double(Modelview[i]) * p.X + double(Modelview[4 + i]) * p.Y + double(Modelview[8 + i]) * p.Z +
                   Modelview[12 + i];
        for (int i = 0; i < 4; ++i)
            c[i] = Projection[i] * e[0] + Projection[4 + i] * e[1] + Projection[8 + i] * e[2] + Projection[12 + i] * e[3];
        return c;
    }
    // The window position (px) of a point ahead of the eye, from its clip coordinates.
    std::array<double, 2> windowAt(const std::array<double, 4>& c) const {
        return {Viewport[0] + (c[0] / c[3] + 1) / 2 * Viewport[2], Viewport[1] + (c[1] / c[3] + 1) / 2 * Viewport[3]};
    }
    // The length (px) on the viewport of the line where the convex polygon crosses the plane `ahead`
    // ft ahead of the eye, measured at a few points along it.
    double crossingLength(const DeckPoint* in, int count, double at) const {
        std::array<DeckPoint, 2> ends{};
        int found = 0;
        for (int k = 0; k < count && found < 2; ++k) {
            const DeckPoint& a = in[k];
            const DeckPoint& b = in[(k + 1) % count];
            const double sa = ahead(a) - at, sb = ahead(b) - at;
            if ((sa >= 0) == (sb >= 0)) continue;
            const float f = float(sa / (sa - sb));
            ends[size_t(found++)] = {a.X + (b.X - a.X) * f, a.Y + (b.Y - a.Y) * f, a.Z + (b.Z - a.Z) * f, 0, 0};
        }
        if (found < 2) return 0.0;
        constexpr int kSteps = 32;
        double length = 0;
        std::array<double, 2> last{};
        bool lastShown = false;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            const DeckPoint p{float(ends[0].X + (ends[1].X - ends[0].X) * t), float(ends[0].Y + (ends[1].Y - ends[0].Y) * t),
                              float(ends[0].Z + (ends[1].Z - ends[0].Z) * t), 0, 0};
            const auto c = clip(p);
            const bool shown = c[3] > 0 && std::abs(c[0]) <= c[3] && std::abs(c[1]) <= c[3];
            const std::array<double, 2> w = shown ? windowAt(c) : std::array<double, 2>{};
            if (shown && lastShown) length += std::hypot(w[0] - last[0], w[1] - last[1]);
            last = w, lastShown = shown;
        }
        return length;
    }
    // The share of the viewport's cells whose centre the polygon covers and the cover leaves open,
    // 0..1: whatever part of the viewport is drawn, the same for the same view.
    double openShare(const DeckPoint* in, int count) const {
        constexpr int kCell = ScreenCover::kCell;
        const int across = (Viewport[2] + kCell - 1) / kCell, down = (Viewport[3] + kCell - 1) / kCell;
        if (across <= 0 || down <= 0) return 0.0;
        // Cut where w + z >= 0 (the near plane), then to the window, px.
        DeckPoint kept[kMaxDeckPoints];
        count = keepWhere(in, count, kept, [&](const DeckPoint& q) {
            const auto c = clip(q);
            return c[3] + c[2];
        });
        if (count < 3) return 0.0;
        std::array<std::array<double, 2>, kMaxDeckPoints> at{};
        for (int k = 0; k < count; ++k) {
            const auto c = clip(kept[k]);
            if (!(c[3] > 0)) return 0.0;
            at[k] = windowAt(c);
        }
        // Row by row of cells: the span of the polygon across the row's centre line; rows whose centre
        // line the polygon does not reach have none.
        double low = at[0][1], high = at[0][1];
        for (int k = 1; k < count; ++k) low = std::min(low, at[k][1]), high = std::max(high, at[k][1]);
        const double first = std::floor((low - Viewport[1]) / kCell - 0.5), last = std::ceil((high - Viewport[1]) / kCell);
        const int j0 = first > 0 ? int(std::min(first, double(down))) : 0;
        const int j1 = !(last < double(down)) ? down : last > 0 ? int(last) : 0;  // exclusive
        long open = 0;
        for (int j = j0; j < j1; ++j) {
            const double y = Viewport[1] + (j + 0.5) * kCell;
            double x0 = std::numeric_limits<double>::infinity(), x1 = -x0;
            for (int k = 0; k < count; ++k) {
                const auto& a = at[k];
                const auto& b = at[(k + 1) % count];
                if ((a[1] <= y) == (b[1] <= y)) continue;
                const double x = a[0] + (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]);
                x0 = std::min(x0, x), x1 = std::max(x1, x);
            }
            if (!(x1 >= x0)) continue;
            const int i0 = std::max(0, int(std::ceil((x0 - Viewport[0]) / kCell - 0.5)));
            const int i1 = std::min(across - 1, int(std::floor((x1 - Viewport[0]) / kCell - 0.5)));
            open += Cover ? Cover->openCells(j, i0, i1) : std::max(0, i1 - i0 + 1);
        }
        return double(open) / (double(across) * down);
    }
};

// The raise that keeps a piece's fog coordinates positive (see drawDeckPieces).
double fogRaise(const DeckPoint* piece, int count, const DeckView& view) {
    double raise = 0;
    for (int i = 0; i < count; ++i) raise = std::max(raise, 1.0 - view.ahead(piece[i]));
    return raise;
}

// Inside a pushed client state: the vertices and unit 0's picture coordinates from arrays, with
// colours and fog coordinates as asked, and every other array off.
void useArrays(bool colours, bool fog) {
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_SECONDARY_COLOR_ARRAY);
    (fog ? glEnableClientState : glDisableClientState)(GL_FOG_COORD_ARRAY);
    (colours ? glEnableClientState : glDisableClientState)(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
}

// Pieces of a deck, `counts[k]` points each one after another, fogged by their distance ahead of
// the eye or not at all. The GL takes the magnitude of a fog coordinate at each vertex, which
// behind the eye is not the distance interpolated; so every coordinate is raised by the same
// amount to stay positive, and the fog's start and end with it. A single piece is sent as a fan
// (a whole deck keeps the two triangles of its quad), several as the triangles of their fans.
void drawDeckPieces(const DeckPoint* points, const int* counts, int pieces, const DeckView& view, bool fogged,
                    double raise) {
    if (pieces <= 0 || (pieces == 1 && counts[0] < 3) || (view.Boxed && view.Boxes.empty())) return;
    // The fog's factor is affine only between its start and end, and clamped beyond them: a piece
    // fogged in its vertices is cut there into bands, each affine across. A cut that shows costs
    // the rasteriser a row of partly covered blocks on either side of it, more than the fog per
    // pixel saves on a deck's share of the view; so the fog is left to the GL where a piece has
    // more than one band that can reach the window drawn.
    bool fogInVertices = fogged && view.FogInVertices && view.ColourInVertices && view.FogEnd > view.FogStart;
    if (fogInVertices) {
        static thread_local std::vector<DeckPoint> bandPoints;
        static thread_local std::vector<int> bandCounts;
        bandPoints.clear(), bandCounts.clear();
        std::optional<DrawnWindow> whole;  // the scissor as it stands, where no boxes are given
        if (view.Windows.empty()) whole.emplace();
        const auto reaches = [&](const DeckPoint* p, int n) {
            const auto reachesWindow = [&](const DrawnWindow& window) { return !window.missesAll(p, n); };
            if (whole) return reachesWindow(*whole);
            return std::any_of(view.Windows.begin(), view.Windows.end(),
                               [&](const DrawnWindow* w) { return reachesWindow(*w); });
        };
        const auto within = [&](const DeckPoint& p) { return view.FogStart - view.ahead(p); };
        const auto beyond = [&](const DeckPoint& p) { return view.ahead(p) - view.FogStart; };
        const auto beforeEnd = [&](const DeckPoint& p) { return view.FogEnd - view.ahead(p); };
        const auto pastEnd = [&](const DeckPoint& p) { return view.ahead(p) - view.FogEnd; };
        // A piece whose cuts show pays for them where, with the rest, it saves more on its blocks.
        double cutLength = 0, blocks = 0;
        const DeckPoint* at = points;
        for (int k = 0; k < pieces; at += counts[k++]) {
            const int n = std::min(counts[k], kMaxDeckPoints);
            std::array<std::array<DeckPoint, kMaxDeckPoints>, 3> bands{};
            DeckPoint rest[kMaxDeckPoints];
            std::array<int, 3> sizes{};
            sizes[0] = keepWhere(at, n, bands[0].data(), within);
            // Both bands past the start are cut from the same part, so they share their points.
            const int m = keepWhere(at, n, rest, beyond);
            sizes[1] = keepWhere(rest, m, bands[1].data(), beforeEnd);
            sizes[2] = keepWhere(rest, m, bands[2].data(), pastEnd);
            int shown = 0;
            for (size_t b = 0; b < bands.size(); ++b) shown += sizes[b] >= 3 && reaches(bands[b].data(), sizes[b]);
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
        fogInVertices = cutLength * view.CutCostPerPixel <= blocks * kFogSavedPerBlock;
        if (fogInVertices && bandCounts.empty()) return;
        if (fogInVertices) points = bandPoints.data(), counts = bandCounts.data(), pieces = int(bandCounts.size());
    }
    if (fogInVertices) {
        if (view.FoggedInVertices) ++*view.FoggedInVertices;
        glDisable(GL_FOG);
        glEnable(GL_COLOR_SUM);
    } else if (fogged) {
        glEnable(GL_FOG);
        glFogf(GL_FOG_START, float(view.FogStart + raise));
        glFogf(GL_FOG_END, float(view.FogEnd + raise));
    } else {
        glDisable(GL_FOG);
    }
    // Given with the points and held flat, the colour is the one left current at every pixel.
    GLfloat colour[4] = {1, 1, 1, 1};
    GLint shading = GL_SMOOTH;
    if (view.ColourInVertices) {
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetIntegerv(GL_SHADE_MODEL, &shading);
        shadeModel(fogInVertices ? GL_SMOOTH : GL_FLAT);
    }
    GLfloat secondary[4] = {0, 0, 0, 0};
    if (fogInVertices) glGetFloatv(GL_CURRENT_SECONDARY_COLOR, secondary);
    // The vertices GL is sent, once for every scissor box: a single piece's as they stand (a quad
    // or a fan), several pieces' as the triangles of their fans.
    struct Sent {
        float X, Y, Z, U, V, Fog;
        std::array<GLfloat, 4> Colour;
        std::array<GLfloat, 3> Secondary;  // the fog's share, where fogged in the vertices
    };
    static thread_local std::vector<Sent> sent;  // kept from call to call: no allocation a frame
    sent.clear();
    const auto sentOf = [&](const DeckPoint& p) {
        const double ahead = view.ahead(p);
        const float fog = fogged ? float(ahead + raise) : 0.0f;
        if (!fogInVertices) return Sent{p.X, p.Y, p.Z, p.U, p.V, fog, {colour[0], colour[1], colour[2], colour[3]}, {}};
        const double f = std::clamp((view.FogEnd - ahead) / (view.FogEnd - view.FogStart), 0.0, 1.0);
        const auto& c = view.FogColour;
        return Sent{p.X, p.Y, p.Z, p.U, p.V, fog,
                    {float(colour[0] * f), float(colour[1] * f), float(colour[2] * f), colour[3]},
                    {float(c[0] * (1 - f)), float(c[1] * (1 - f)), float(c[2] * (1 - f))}};
    };
    const auto send = [&](const DeckPoint& p) { sent.push_back(sentOf(p)); };
    if (pieces == 1) {
        for (int i = 0; i < counts[0]; ++i) send(points[i]);
    } else {
        const DeckPoint* at = points;
        for (int k = 0; k < pieces; at += counts[k++])
            for (int i = 2; i < counts[k]; ++i) send(at[0]), send(at[i - 1]), send(at[i]);
    }
    const GLenum primitive = pieces > 1 ? GL_TRIANGLES : counts[0] == 4 ? GL_QUADS : GL_TRIANGLE_FAN;
    bool drawn = false;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    useArrays(view.ColourInVertices, fogged && !fogInVertices);
    if (fogInVertices) glEnableClientState(GL_SECONDARY_COLOR_ARRAY);
    if (!sent.empty()) {
        glFogCoordPointer(GL_FLOAT, sizeof(Sent), &sent[0].Fog);
        glColorPointer(4, GL_FLOAT, sizeof(Sent), sent[0].Colour.data());
        if (fogInVertices) glSecondaryColorPointer(3, GL_FLOAT, sizeof(Sent), sent[0].Secondary.data());
        glTexCoordPointer(2, GL_FLOAT, sizeof(Sent), &sent[0].U);
        glVertexPointer(3, GL_FLOAT, sizeof(Sent), &sent[0].X);
    }
    // Whether every point lies outside one side of the window drawn under the box.
    const auto missesBox = [&](size_t box) {
        if (box >= view.Windows.size()) return false;
        int total = 0;
        for (int k = 0; k < pieces; ++k) total += counts[k];
        return view.Windows[box]->missesAll(points, total);
    };
    if (view.Boxed && view.CutsToBoxes) {
        // Each scissor box changes the rasteriser's fragment state, which it copies (some 33 KB)
        // at the next draw. Cut instead to the part of the view each box's window shows: the
        // points' picture and fog coordinates and colour are linear across the deck's plane, so
        // the points made where the cuts cross its edges carry the values the GL would interpolate
        // there, and every pixel centre lies half a pixel off a box's edge, inside or outside it.
        static thread_local std::vector<Sent> cutSent;
        cutSent.clear();
        // Every point as sent and in clip coordinates, worked out once for all the boxes.
        static thread_local std::vector<Sent> pieceSent;
        static thread_local std::vector<std::array<double, 4>> pieceClip;
        pieceSent.clear(), pieceClip.clear();
        const DeckPoint* piece = points;
        for (int k = 0; k < pieces; piece += counts[k++])
            for (int i = 0; i < counts[k]; ++i)
                pieceSent.push_back(sentOf(piece[i])), pieceClip.push_back(view.clip(piece[i]));
        // A convex piece gains at most a point a cut.
        constexpr int kMostCut = kMaxDeckPoints + 4;
        for (size_t box = 0; box < view.Boxes.size(); ++box) {
            if (missesBox(box)) continue;
            drawn = true;
            const auto& b = view.Boxes[box];
            // Window x or y past an edge as a plane in clip coordinates: c[axis] - edge c.w >= 0
            // (or its negative for the far edge), with the edge in normalised device units.
            const auto ndc = [&](int axis, int at) { return 2.0 * (at - view.Viewport[axis]) / view.Viewport[2 + axis] - 1; };
            const std::array<std::array<double, 3>, 4> planes{{{0, 1, ndc(0, b[0])},
                                                                {0, -1, ndc(0, b[0] + b[2])},
                                                                {1, 1, ndc(1, b[1])},
                                                                {1, -1, ndc(1, b[1] + b[3])}}};
            const auto cutPiece = [&](const Sent* in, const std::array<double, 4>* inClip, int n) {
                // Cut plane by plane into one of two buffers in turn; a plane every point lies
                // inside leaves the piece as it is.
                std::array<std::array<Sent, kMostCut>, 2> made;
                std::array<std::array<std::array<double, 4>, kMostCut>, 2> madeClip;
                size_t into = 0;
                const Sent* a = in;
                const std::array<double, 4>* ca = inClip;
                n = std::min(n, kMaxDeckPoints);
                for (const auto& plane : planes) {
                    const auto side = [&](const std::array<double, 4>& q) {
                        return plane[1] * (q[size_t(plane[0])] - plane[2] * q[3]);
                    };
                    if (std::all_of(ca, ca + n, [&](const std::array<double, 4>& q) { return side(q) >= 0; })) continue;
                    Sent* c = made[into].data();
                    std::array<double, 4>* cc = madeClip[into].data();
                    into ^= 1;
                    int m = 0;
                    for (int i = 0; i < n && m + 2 <= kMostCut; ++i) {
                        const int j = (i + 1) % n;
                        const double di = side(ca[size_t(i)]), dj = side(ca[size_t(j)]);
                        if (di >= 0) c[size_t(m)] = a[size_t(i)], cc[size_t(m++)] = ca[size_t(i)];
                        if ((di >= 0) != (dj >= 0)) {
                            // Worked out from the edge's ends in one order whichever way the piece
                            // runs, so that two pieces sharing the edge share the point to the bit.
                            size_t lo = size_t(i), hi = size_t(j);
                            double dlo = di, dhi = dj;
                            if (std::tie(a[hi].X, a[hi].Z, a[hi].Y) < std::tie(a[lo].X, a[lo].Z, a[lo].Y))
                                std::swap(lo, hi), std::swap(dlo, dhi);
                            const double t = dlo / (dlo - dhi);
                            const Sent &p = a[lo], &q = a[hi];
                            const auto mix = [t](float x, float y) { return float(x + t * (double(y) - x)); };
                            Sent& made = c[size_t(m)];
                            made = {mix(p.X, q.X), mix(p.Y, q.Y), mix(p.Z, q.Z), mix(p.U, q.U), mix(p.V, q.V),
                                    mix(p.Fog, q.Fog), p.Colour, p.Secondary};
                            if (fogInVertices) {
                                for (size_t r = 0; r < 4; ++r) made.Colour[r] = mix(p.Colour[r], q.Colour[r]);
                                for (size_t r = 0; r < 3; ++r) made.Secondary[r] = mix(p.Secondary[r], q.Secondary[r]);
                            }
                            for (size_t r = 0; r < 4; ++r) cc[size_t(m)][r] = ca[lo][r] + t * (ca[hi][r] - ca[lo][r]);
                            ++m;
                        }
                    }
                    n = m;
                    a = c, ca = cc;
                    if (n < 3) return;
                }
                for (int i = 2; i < n; ++i) cutSent.push_back(a[0]), cutSent.push_back(a[size_t(i - 1)]), cutSent.push_back(a[size_t(i)]);
            };
            size_t at = 0;
            for (int k = 0; k < pieces; at += size_t(counts[k++]))
                if (counts[k] >= 3) cutPiece(&pieceSent[at], &pieceClip[at], counts[k]);
        }
        if (!cutSent.empty()) {
            glFogCoordPointer(GL_FLOAT, sizeof(Sent), &cutSent[0].Fog);
            glColorPointer(4, GL_FLOAT, sizeof(Sent), cutSent[0].Colour.data());
            if (fogInVertices) glSecondaryColorPointer(3, GL_FLOAT, sizeof(Sent), cutSent[0].Secondary.data());
            glTexCoordPointer(2, GL_FLOAT, sizeof(Sent), &cutSent[0].U);
            glVertexPointer(3, GL_FLOAT, sizeof(Sent), &cutSent[0].X);
            glDrawArrays(GL_TRIANGLES, 0, GLsizei(cutSent.size()));
            if (view.Draws) ++*view.Draws;
        }
    } else {
        static thread_local std::vector<GLint> firsts;  // of the runs of pieces sent under a box
        static thread_local std::vector<GLsizei> runs;
        forEachScissorBox(view.Boxes, [&](size_t box) {
            if (sent.empty()) return;
            // Not sent under a box whose window every point lies outside one side of; of several
            // pieces, only the runs of those that can reach the window, in their order.
            if (box < view.Windows.size()) {
                const DrawnWindow& window = *view.Windows[box];
                firsts.clear(), runs.clear();
                bool open = false;
                GLint first = 0;
                const DeckPoint* p = points;
                for (int k = 0; k < pieces; p += counts[k++]) {
                    const bool outside = window.missesAll(p, counts[k]);
                    const GLsizei sends = pieces > 1 ? 3 * std::max(counts[k] - 2, 0) : GLsizei(sent.size());
                    if (!outside && open) runs.back() += sends;
                    if (!outside && !open) firsts.push_back(first), runs.push_back(sends);
                    open = !outside;
                    first += sends;
                }
                if (firsts.empty()) return;
                glMultiDrawArrays(primitive, firsts.data(), runs.data(), GLsizei(firsts.size()));
            } else {
                glDrawArrays(primitive, 0, GLsizei(sent.size()));
            }
            drawn = true;
            if (view.Draws) ++*view.Draws;
        });
    }
    glPopClientAttrib();
    // What the last vertex leaves current, as when the points were sent one by one.
    if (drawn) {
        if (fogged) glFogCoordf(sent.back().Fog);
        glTexCoord2f(sent.back().U, sent.back().V);
    }
    if (view.ColourInVertices) {
        shadeModel(GLenum(shading));
        glColor4fv(colour);
    }
    if (fogInVertices) {
        glDisable(GL_COLOR_SUM);
        glSecondaryColor3fv(secondary);
    }
}

void drawDeckPiece(const DeckPoint* piece, int count, const DeckView& view, bool fogged) {
    drawDeckPieces(piece, &count, 1, view, fogged, fogRaise(piece, count, view));
}

// A deck's pieces gathered for drawing: their points one piece after another.
struct DeckPieces {
    std::vector<DeckPoint> Points;
    std::vector<int> Counts;
    void clear() { Points.clear(), Counts.clear(); }
    void add(const DeckPoint* p, int n) {
        if (n < 3) return;
        Points.insert(Points.end(), p, p + n);
        Counts.push_back(n);
    }
    void draw(const DeckView& view, bool fogged, double raise) const {
        drawDeckPieces(Points.data(), Counts.data(), int(Counts.size()), view, fogged, raise);
    }
};

}  // namespace

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

namespace {

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

}  // namespace

void forEachScissorBox(std::span<const std::array<int, 4>> boxes, const std::function<void(size_t)>& draw) {
    if (boxes.empty()) {
        draw(0);
        return;
    }
    const bool boxed = glIsEnabled(GL_SCISSOR_TEST);
    GLint set[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, set);
    glEnable(GL_SCISSOR_TEST);
    for (size_t k = 0; k < boxes.size(); ++k) {
        const auto& b = boxes[k];
        int x0 = b[0], y0 = b[1], x1 = b[0] + b[2], y1 = b[1] + b[3];
        if (boxed) {
            x0 = std::max(x0, set[0]), y0 = std::max(y0, set[1]);
            x1 = std::min(x1, set[0] + set[2]), y1 = std::min(y1, set[1] + set[3]);
        }
        if (x1 <= x0 || y1 <= y0) continue;
        glScissor(x0, y0, x1 - x0, y1 - y0);
        draw(k);
    }
    glScissor(set[0], set[1], set[2], set[3]);
    if (!boxed) glDisable(GL_SCISSOR_TEST);
}

DomeReach::DomeReach(double lowestElevation) {
    float p[16], m[16];
    GLint vp[4] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetIntegerv(GL_VIEWPORT, vp);
    if (vp[2] <= 0 || vp[3] <= 0 || !(p[0] > 0 && p[5] > 0) || p[1] != 0 || p[3] != 0 || p[4] != 0 || p[7] != 0 ||
        p[11] != -1 || p[15] != 0 || m[12] != 0 || m[13] != 0 || m[14] != 0)
        return;
    // A turn alone (a mirror allowed): its inverse is its transpose.
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += double(m[k * 4 + a]) * m[k * 4 + b];
            if (std::abs(dot - (a == b)) > 1e-5) return;
        }
    // The lowest facets' lower edges, chords between corners at the lowest elevation, sag below
    // it midway, by the cosine of half a segment; a margin more for the rounding of the corners.
    const double low = std::max(-kPi / 9, std::min(lowestElevation, 0.0));
    const double sagged = std::atan(std::tan(low) / std::cos(kPi / kDomeSegments)) - 0.005;
    Sine = std::sin(sagged);
    // Window (x, y) to the eye's line of sight (ex, ey, -1), then to the world: world_i = m[i*4+k] e_k.
    const double ax = 2.0 / (vp[2] * double(p[0])), bx = (-1.0 - 2.0 * vp[0] / vp[2] + p[8]) / p[0];
    const double ay = 2.0 / (vp[3] * double(p[5])), by = (-1.0 - 2.0 * vp[1] / vp[3] + p[9]) / p[5];
    for (int i = 0; i < 3; ++i) {
        const double m0 = m[i * 4], m1 = m[i * 4 + 1], m2 = m[i * 4 + 2];
        Turn[size_t(i * 3)] = m0 * ax, Turn[size_t(i * 3 + 1)] = m1 * ay, Turn[size_t(i * 3 + 2)] = m0 * bx + m1 * by - m2;
    }
    Known = true;
}

bool DomeReach::below(double x, double y) const {
    if (!Known) return false;
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = Turn[size_t(i * 3)] * x + Turn[size_t(i * 3 + 1)] * y + Turn[size_t(i * 3 + 2)];
    // The lines of sight below an elevation under the horizon fill a cone, and those through a
    // window rectangle lie within the cone of its corners'.
    return d[1] < 0 && d[1] * d[1] > Sine * Sine * (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

double groundTopElevation(const RIDUdidav& t, const Eye& eye) {
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const double steepest = steepestGround(t, eye, reach, highestGround(t, eye, reach), 0.0);
    return steepest < 0 ? 0.0 : std::atan(steepest);
}

// The alpha of every level of a texture, level 0 first; empty when it cannot be read.
std::vector<std::vector<uint8_t>> alphaLevels(uint32_t texture) { return readLevels(texture, GL_ALPHA); }

void bindSoftPicture(uint32_t texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    if (filter == GL_LINEAR_MIPMAP_LINEAR) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
}

std::optional<std::array<float, 3>> domeFloorColour(const TexturedSkyDome& sky, const GLNameOfSlot& glName) {
    const SkyColours c = sky.getSkyColours();
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, glName(sky.SkyTextureSlot));
    const SkyPicture& p = skyPicture(glName(sky.SkyTextureSlot));
    glPopAttrib();
    if (p.Texels.empty()) return std::nullopt;
    std::array<float, 3> mid{};
    for (size_t k = 0; k < 3; ++k) {
        if (255.0 * c.Horizon[k] * (p.FloorHigh[k] - p.FloorLow[k]) / 2 > kFloorStray) return std::nullopt;
        mid[k] = float(c.Horizon[k] * (p.FloorLow[k] + p.FloorHigh[k]) / 2);
    }
    return mid;
}

int drawSkyDome(const TexturedSkyDome& sky, const GLNameOfSlot& glName, bool behindGround, double lowestElevation,
                bool plain, const std::function<double()>& groundTop, std::span<const std::array<int, 4>> boxes,
                bool floorCleared) {
    const SkyColours c = sky.getSkyColours();
    // Outside a cockpit's slice of the depths the depth buffer holds the ground alone: rings wholly
    // above the ground's top, and above the horizon, where a facet bulges no lower than its lower
    // edge, are drawn without the depth test, which could turn none of their fragments away.
    constexpr double kTopMargin = 0.01;  // radians, some pixels
    double untestedFrom = std::numeric_limits<double>::infinity();
    if (behindGround && !plain && groundTop) {
        GLfloat range[2] = {0, 1};
        glGetFloatv(GL_DEPTH_RANGE, range);
        if (range[0] == 0.0f) untestedFrom = std::max(groundTop(), 0.0) + kTopMargin;
    }
    int untestedRings = 0;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT |
                 GL_VIEWPORT_BIT);
    // Not in the plain drawing: a ring no longer clipped at the window's edge may read a level apart.
    WidenedView wide;
    if (!plain) wide.widen();
    if (behindGround) {
        // Every fragment at depth 1 passes only where the depth is still the cleared 1.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthRange(1.0, 1.0);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(GL_FALSE);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const uint32_t texture = glName(sky.SkyTextureSlot);
    bindSoftPicture(texture);
    // The dome's colours carry no alpha and an RGB picture's reads one: an alpha test that passes
    // one turns no fragment away, and left on it makes the rasteriser shade every fragment before
    // testing its depth.
    if (!plain && glIsEnabled(GL_ALPHA_TEST)) {
        GLint func = GL_ALWAYS, alphaBits = 1;
        GLfloat ref = 0;
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        const bool passesOne = func == GL_ALWAYS || (func == GL_GREATER && ref < 1.0f) || (func == GL_GEQUAL && ref <= 1.0f);
        if (alphaBits == 0 && passesOne) glDisable(GL_ALPHA_TEST);
    }
    // Where every texel of the picture's first level spans more than a pixel, the GL magnifies that
    // level whatever the mip levels: there the picture is read without them, and the rasteriser
    // skips working out a level for each pixel. Low in the sky its texels are wide; towards the
    // zenith their columns close up.
    GLint mipFilter = 0, magFilter = 0, width = 0, height = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &mipFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    const bool mipmapped = !plain && mipFilter != GL_LINEAR && mipFilter != GL_NEAREST;
    const double pixel = widestPixel() * kPixelMargin;
    GLint filter = mipFilter;
    const auto useFilter = [&filter](GLint f) {
        if (f != filter) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter = f);
    };

    // Rings from 20 deg below the horizon to the zenith; below the horizon the horizon colour holds.
    // The vertices hold while the colours and the lowest elevation do: made once, then sent as
    // arrays, one draw per run of rings read with one filter.
    DomeVertices& dome = domeVertices(c, lowestElevation);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glClientActiveTexture(GL_TEXTURE0);
    glInterleavedArrays(GL_T2F_C3F_V3F, 0, dome.Vertices.data());
    // Each ring's quads that can reach the drawn window, as runs of its strip; a run starts at an
    // even vertex, so its triangles keep the order of their corners.
    std::array<GLint, kDomeRings * kDomeSegments / 2 + kDomeRings> firsts{};
    std::array<GLsizei, kDomeRings * kDomeSegments / 2 + kDomeRings> counts{};
    int runs = 0;
    const auto drawRun = [&] {
        if (runs > 0) glMultiDrawArrays(GL_TRIANGLE_STRIP, firsts.data(), counts.data(), runs);
        runs = 0;
    };
    std::array<int, kDomeSegments + 1> sides{};  // per pair of corners of a ring: the sides both lie outside
    std::array<bool, kDomeSegments> left{};      // per quad of a ring: not sent
    const Vector3& s = sky.getSunVector();
    const bool sun = s[1] > -0.05 && (c.Sun[0] + c.Sun[1] + c.Sun[2]) > 0.01f;
    // Rings in runs read alike (depth test, filter), each run under every box in turn: the facets
    // meet edge to edge and write no depth, so the order they are drawn in leaves every pixel as it is.
    // Every corner's clip coordinates, the same under every box.
    std::vector<std::array<double, 4>>& clips = dome.Clips;
    {
        const DrawnWindow window;
        clips.resize(dome.Vertices.size() / 8);
        for (size_t v = 0; v < clips.size(); ++v) clips[v] = window.clip(&dome.Vertices[v * 8 + 5]);
    }
    const auto sendRings = [&](int r0, int r1) {
        forEachScissorBox(boxes, [&](size_t) {
            const DrawnWindow window;
            for (int r = r0; r < r1; ++r) {
                if (dome.Counts[r] == 0 || (floorCleared && dome.High[r] <= 0)) continue;
                const std::array<double, 4>* corners = &clips[size_t(dome.Firsts[r])];
                int all = ~0;
                for (int k = 0; k <= kDomeSegments; ++k) {
                    sides[size_t(k)] = window.outside(corners[2 * k]) & window.outside(corners[2 * k + 1]);
                    all &= sides[size_t(k)];
                }
                if (all) continue;  // the whole ring lies outside one side
                for (int k = 0; k < kDomeSegments; ++k) left[size_t(k)] = (sides[size_t(k)] & sides[size_t(k + 1)]) != 0;
                for (int k = 0; k < kDomeSegments;) {
                    if (left[size_t(k)]) {
                        ++k;
                        continue;
                    }
                    int end = k + 1;
                    while (end < kDomeSegments && !left[size_t(end)]) ++end;
                    firsts[size_t(runs)] = dome.Firsts[r] + 2 * k, counts[size_t(runs)] = 2 * (end - k + 1);
                    ++runs;
                    k = end;
                }
            }
            drawRun();
        });
    };
    int from = 0;
    for (int r = 0; r < kDomeRings; ++r) {
        if (dome.Counts[r] == 0) {
            from += from == r;
            continue;
        }
        if (behindGround && dome.Low[r] >= untestedFrom && glIsEnabled(GL_DEPTH_TEST)) {
            sendRings(from, r), from = r;
            glDisable(GL_DEPTH_TEST);
        }
        untestedRings += !glIsEnabled(GL_DEPTH_TEST) && behindGround;
        if (mipmapped && magFilter == GL_LINEAR && width > 0 && height > 0) {
            // The picture wraps four times round (s) and spans horizon to zenith once (t).
            const double across = 2 * kPi / (4.0 * width) * std::min(std::cos(dome.Low[r]), std::cos(dome.High[r]));
            const double up = (kPi / 2) / height;
            const GLint f = pixel <= std::min(across, up) ? GL_LINEAR : mipFilter;
            if (f != filter) sendRings(from, r), from = r;
            useFilter(f);
        }
    }
    sendRings(from, kDomeRings);
    if (!dome.Vertices.empty()) {
        // What the last vertex leaves current, as when the rings were sent point by point.
        const float* last = &dome.Vertices[dome.Vertices.size() - 8];
        glTexCoord2f(last[0], last[1]);
        glColor3f(last[2], last[3], last[4]);
    }
    useFilter(mipFilter);
    if (behindGround) glEnable(GL_DEPTH_TEST);  // the sun may lie low, over the ground
    // The sun: a glow added onto the sky.
    if (sun) {
        float right[3], up[3];
        cameraAxes(right, up);
        const float size = 90.0f, d = kDomeRadius * 0.9f;
        const float cx = float(s[0]) * d, cy = float(s[1]) * d, cz = float(s[2]) * d;
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, glName(sky.SunTextureSlot));
        glColor3f(c.Sun[0], c.Sun[1], c.Sun[2]);
        std::array<std::array<float, 3>, 4> corners{};
        for (size_t k = 0; k < corners.size(); ++k) corners[k] = facingCorner(right, up, cx, cy, cz, size, kFacingCorners[k]);
        forEachScissorBox(boxes, [&](size_t) {
            // Sent only where it can reach the box: all its corners outside one side, it lights nothing there.
            if (!boxes.empty()) {
                const DrawnWindow window;
                int outside = ~0;
                for (const auto& p : corners) outside &= window.outside(p.data());
                if (outside) return;
            }
            glBegin(GL_QUADS);
            for (size_t k = 0; k < corners.size(); ++k) {
                glTexCoord2f((kFacingCorners[k][0] + 1) / 2, (kFacingCorners[k][1] + 1) / 2);
                glVertex3fv(corners[k].data());
            }
            glEnd();
        });
        glTexCoord2f((kFacingCorners[3][0] + 1) / 2, (kFacingCorners[3][1] + 1) / 2);  // as when sent under every box
    }
    glPopClientAttrib();
    wide.restore();
    glPopAttrib();
    return untestedRings;
}

namespace {

// A sprite's corner as sent: picture coordinates, colour, place.
struct CloudCorner {
    float U, V, R, G, B, A, X, Y, Z;
};
using CloudQuads = std::array<CloudCorner, FirstCloud::kMaxSprites * 4>;

// The cloud's sprites as camera-facing quads, far first, into `quads`: how many are sent (those
// whose corners all lie outside one side of the drawn window, or behind the near plane, light no
// pixel and are not), `nearest`, the sprite drawn last, and `reach`, the farthest any corner may
// lie from the eye (ft); -1 when the whole cloud lies outside.
int cloudQuads(const FirstCloud& cloud, const Eye& eye, const std::array<float, 3>& light, CloudQuads& quads,
               int& nearest, double& reach) {
    const int n = cloud.spriteCount();
    if (n == 0) return -1;
    const QNion& pose = cloud.live.attitude;
    const double ox = pose.Position[0] - eye.X, oy = pose.Position[1] - eye.Y, oz = pose.Position[2] - eye.Z;
    // A cloud wholly outside one side of the drawn window sends no sprite: told from a ball round
    // every corner of its sprites, whichever way they face (with room for their float rounding).
    const DrawnWindow window;
    double radius = 0;
    for (int k = 0; k < n; ++k) {
        const CloudSprite& sp = cloud.sprite(k);
        radius = std::max(radius, std::sqrt(double(sp.X) * sp.X + double(sp.Y) * sp.Y + double(sp.Z) * sp.Z) +
                                      M_SQRT2 * std::abs(double(sp.Size)));
    }
    const double centre[3] = {ox, oy, oz}, ball = radius * 1.001 + 1.0;
    if (window.outside(centre, ball)) return -1;
    reach = std::sqrt(ox * ox + oy * oy + oz * oz) + ball;

    // Far sprites first, so that near ones are blended over them.
    std::array<std::pair<float, int>, FirstCloud::kMaxSprites> order;
    for (int k = 0; k < n; ++k) {
        const CloudSprite& sp = cloud.sprite(k);
        const double x = ox + sp.X, y = oy + sp.Y, z = oz + sp.Z;
        order[k] = {float(x * x + y * y + z * z), k};
    }
    std::sort(order.begin(), order.begin() + n, [](const auto& a, const auto& b) { return a.first > b.first; });

    float right[3], up[3];
    cameraAxes(right, up);
    int sent = 0;
    for (int k = 0; k < n; ++k) {
        const CloudSprite& sp = cloud.sprite(order[k].second);
        const float x = float(ox + sp.X), y = float(oy + sp.Y), z = float(oz + sp.Z), s = sp.Size;
        CloudCorner* q = &quads[size_t(sent) * 4];
        int outside = ~0;
        for (int c = 0; c < 4; ++c) {
            const float* at = kFacingCorners[c];
            const std::array<float, 3> p = facingCorner(right, up, x, y, z, s, at);
            q[c] = {(at[0] + 1) / 2, (at[1] + 1) / 2, light[0] * sp.Shade, light[1] * sp.Shade, light[2] * sp.Shade, 0.9f,
                    p[0], p[1], p[2]};
            outside &= window.outside(&q[c].X);
        }
        sent += outside == 0;
    }
    nearest = order[n - 1].second;
    return sent;
}

}  // namespace

void drawClouds(const FirstCloud* const* clouds, size_t count, const Eye& eye, const GLNameOfSlot& glName,
                const std::array<float, 3>& light, const std::function<bool(double)>& fogFaint) {
    // The clouds share one setting of the state: set and put back once, and their picture bound
    // again only where it changes, since each new binding makes the software rasteriser take its
    // fragment state anew.
    bool begun = false, foggedNow = true;
    uint32_t bound = 0;
    CloudQuads quads;
    for (size_t i = 0; i < count; ++i) {
        const FirstCloud& cloud = *clouds[i];
        int nearest = 0;
        double reach = 0;
        const int sent = cloudQuads(cloud, eye, light, quads, nearest, reach);
        if (sent < 0) continue;
        // The clouds come far first (by their middles), so the fog is mostly switched off once,
        // for the nearest.
        const bool fogged = !fogFaint || !fogFaint(reach);
        const uint32_t texture = glName(cloud.TextureSlot);
        if (!begun) {
            glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
            glEnable(GL_DEPTH_TEST);
            glDepthMask(GL_FALSE);
            glDisable(GL_LIGHTING);
            glDisable(GL_CULL_FACE);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.02f);
            glEnable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        }
        if (!begun || texture != bound) bindSoftPicture(texture);
        // Fogged by the frame's fog whatever was drawn before (a near sprite drawn unfogged).
        if (!begun || fogged != foggedNow) fogged ? glEnable(GL_FOG) : glDisable(GL_FOG);
        foggedNow = fogged;
        begun = true;
        bound = texture;
        if (sent > 0) {
            glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
            useArrays(true, false);
            glTexCoordPointer(2, GL_FLOAT, sizeof(CloudCorner), &quads[0].U);
            glColorPointer(4, GL_FLOAT, sizeof(CloudCorner), &quads[0].R);
            glVertexPointer(3, GL_FLOAT, sizeof(CloudCorner), &quads[0].X);
            glDrawArrays(GL_QUADS, 0, sent * 4);
            glPopClientAttrib();
        }
        // What the nearest sprite's last corner leaves current, as when every sprite was sent point by point.
        const CloudSprite& last = cloud.sprite(nearest);
        glColor4f(light[0] * last.Shade, light[1] * last.Shade, light[2] * last.Shade, 0.9f);
        glTexCoord2f(0, 1);
    }
    if (begun) glPopAttrib();
}

void drawCloud(const FirstCloud& cloud, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light) {
    const FirstCloud* one = &cloud;
    drawClouds(&one, 1, eye, glName, light);
}

void TerrainDrawer::drawCloudLayers(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName,
                                    const std::array<float, 3>& light, const ScreenCover* cover,
                                    std::span<const std::array<int, 4>> boxes) {
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const double fogStart = reach * 0.25;
    constexpr double kTile = 24000.0;  // ft one picture of the deck spans
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    // Left to itself the GL fogs by |z| at each vertex, interpolated: a deck reaching behind the
    // eye would be fogged near the eye as if far off. Its distance ahead, negative behind, is
    // linear across the deck and right wherever it is interpolated.
    glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
    DeckView view;
    view.FogStart = fogStart;
    view.FogEnd = reach;
    glGetFloatv(GL_MODELVIEW_MATRIX, view.Modelview.data());
    glGetFloatv(GL_PROJECTION_MATRIX, view.Projection.data());
    glGetIntegerv(GL_VIEWPORT, view.Viewport.data());
    view.Cover = cover && !cover->empty() ? cover : nullptr;
    view.ColourInVertices = !Exact && DeckColourInVertices;
    view.FogInVertices = !Exact && DeckFogInVertices;
    view.CutCostPerPixel = DeckFogCutCost;
    DecksFoggedInVertices = 0;
    view.FoggedInVertices = &DecksFoggedInVertices;
    {
        GLfloat fogColour[4] = {};
        glGetFloatv(GL_FOG_COLOR, fogColour);
        view.FogColour = {fogColour[0], fogColour[1], fogColour[2]};
    }
    view.CutsToBoxes = !Exact && DecksCutToBoxes;
    DeckDraws = 0;
    view.Draws = &DeckDraws;
    DecksApart = 0;
    DecksUntested = 0;
    // Outside a cockpit's slice of the depths the depth buffer holds the ground alone: a deck side
    // that shows nowhere the ground does is drawn without the depth test, which could turn none of
    // its fragments away.
    GLfloat depthRange[2] = {0, 1};
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    const bool groundOnly = !Exact && SkipsUnseenWork && depthRange[0] == 0.0f;
    double highest = std::numeric_limits<double>::quiet_NaN();  // found when first asked
    // A fragment whose alpha, out of 255, is at most this fails the alpha test, with room for the
    // rounding of the picture's alpha times the colour's (-1: any may pass).
    DecksBlank = 0;
    GLint alphaFunc = GL_ALWAYS;
    GLfloat alphaRef = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    const double failing = !Exact && SkipsUnseenWork && glIsEnabled(GL_ALPHA_TEST) &&
                                   (alphaFunc == GL_GREATER || alphaFunc == GL_GEQUAL)
                               ? 255.0 * alphaRef - 1.5
                               : -1.0;
    // Under an alpha test that passes only alphas near one, blending mixes in no more than the small
    // rest of what lies behind. Behind a deck side above the eye lies the sky, whose colours are
    // near the cloud's: drawn over it unblended, a passing fragment moves a pixel by a few levels,
    // and the rasteriser neither reads nor mixes the pixel. Below the eye the ground, far darker
    // than a sunlit deck, may lie behind: blended as it is.
    const bool unblended = !Exact && DecksUnblended && glIsEnabled(GL_ALPHA_TEST) &&
                           (alphaFunc == GL_GREATER || alphaFunc == GL_GEQUAL) && alphaRef >= float(kUnblendedAlpha);
    // Of a side drawn so, a part magnified on every pixel may leave out its picture's tiles that
    // no fragment can pass the alpha test in (-1: none is left out).
    const double tilesFailing = unblended && BlankTilesLeftOut ? 255.0 * alphaRef - 1.5 : -1.0;
    DecksMagnified = 0;
    TilesLeftOut = 0;
    MippedTilesLeftOut = 0;
    // The largest turn of the line of sight from one pixel to the next (radians) in the window's
    // own view: where a level deck h ft off the eye lies within d of it, a pixel's step moves the
    // point seen by at most d^2 / h times that, and the GL's measure of a picture's stretch is no
    // more than that step in texels.
    std::array<double, 16> projection{};
    std::array<int, 4> viewport{};
    WidenedView::loaded(projection, viewport);
    const double focal = std::min(projection[0] * viewport[2], projection[5] * viewport[3]) / 2;
    const bool perspective = focal > 0 && projection[11] == -1.0 && projection[15] == 0.0;
    // Widened after the view is read: the cover's cells are the window's.
    WidenedView wide;
    if (!Exact && WidensView) wide.widen();
    // The drawn window under each box (the scissor as it stands when there are none): whether a
    // deck is cut round its magnified square is told box by box, as when drawn under each alone.
    std::array<std::array<int, 4>, kMostBoxes> live{};
    std::vector<DrawnWindow> windows;
    int boxCount = 0;
    if (boxes.size() > live.size()) boxes = {};  // more than are ever given: drawn as the scissor stands
    view.Boxed = !boxes.empty();
    forEachScissorBox(boxes, [&](size_t) {
        GLint b[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, b);
        live[size_t(boxCount)] = {b[0], b[1], b[2], b[3]};
        windows.emplace_back();
        ++boxCount;
    });
    std::array<std::array<int, 4>, kMostBoxes> whole{}, cut{};
    std::array<const DrawnWindow*, kMostBoxes> wholeWindows{}, cutWindows{};
    DeckPieces nearPieces, farPieces, nearMagnified, farMagnified;
    const float u0 = float(std::fmod(eye.X, kTile) / kTile), v0 = float(std::fmod(eye.Z, kTile) / kTile);
    const float span = float(reach / kTile);
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) {
        const CloudLayer& layer = t.getCloudLayer(k);
        if (layer.TextureNumber <= 0) continue;
        const bool ceiling = layer.TextureNumber <= 2;
        const bool thin = layer.TextureNumber % 2 == 0;
        const float a = thin ? 0.55f : 1.0f;
        // A layer none of whose texels can pass the alpha test (a thin one, faded, under the game's
        // test for the objects' cut-outs) draws nothing.
        const uint32_t texture = glName(ceiling ? t.CloudDeckSlot : t.CloudScatterSlot);
        if (failing >= 0 && mostOpaque(texture) * a <= failing) {
            ++DecksBlank;
            continue;
        }
        // The most opaque texel round each tile of the picture.
        const TileAlphas* tiles = tilesFailing >= 0 ? &tileAlphas(texture) : nullptr;
        bindSoftPicture(texture);
        // Where the picture is magnified on every pixel the GL reads its first level by the
        // magnifying filter, whatever the mip levels: read so without them, the rasteriser skips
        // working out a level for each pixel.
        GLint minFilter = 0, magFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        const Levels sound = !Exact && MagnifiedDecksUnmipped && perspective ? soundLevels() : Levels{};
        const double texel = sound.Last >= 0 ? kTile / sound.Size : 0.0;  // ft, first level
        // The underside is in shadow, the top in sunlight.
        const double heights[2] = {layer.LayerBottom, layer.LayerTop};
        for (int s = 0; s < 2; ++s) {
            const float shade = s == 0 ? 0.72f : 1.0f;
            bool untested = false;
            if (groundOnly) {
                if (std::isnan(highest)) highest = highestGround(t, eye, reach);
                untested = deckClearOfGround(t, eye, heights[s] - eye.Y, reach, highest);
            }
            untested ? glDisable(GL_DEPTH_TEST) : glEnable(GL_DEPTH_TEST);
            unblended && heights[s] > eye.Y ? glDisable(GL_BLEND) : glEnable(GL_BLEND);
            DecksUntested += untested;
            glColor4f(light[0] * shade, light[1] * shade, light[2] * shade, a);
            const float y = float(heights[s] - eye.Y), r = float(reach);
            const DeckPoint quad[4] = {{-r, y, -r, u0 - span, v0 - span},
                                       {r, y, -r, u0 + span, v0 - span},
                                       {r, y, r, u0 + span, v0 + span},
                                       {-r, y, r, u0 - span, v0 + span}};
            // The part nearer than the fog's start, which the fog leaves as it is, drawn apart
            // without it.
            DeckPoint nearPart[kMaxDeckPoints], farPart[kMaxDeckPoints];
            const auto beyond = [&](const DeckPoint& p) { return view.ahead(p) - fogStart; };
            const auto within = [&](const DeckPoint& p) { return fogStart - view.ahead(p); };
            const int nearCount = keepWhere(quad, 4, nearPart, within);
            const bool apart = UnfoggedDeckPieces && !Exact && view.openShare(nearPart, nearCount) >= kUnfoggedShare;
            const int farCount = apart ? keepWhere(quad, 4, farPart, beyond) : 0;
            DecksApart += apart;
            // The square round the eye's foot within which the picture is magnified for sure: its
            // corners within d of the eye, d^2 = kMagnified x texel x h / turn.
            const double h = std::abs(double(y));
            const double within2 = texel > 0 && h >= 1.0 ? kMagnified * texel * h * focal - h * h : 0.0;
            const double half = within2 > 0 ? std::sqrt(within2 / 2) : 0.0;
            // Cut out only where the square reaches the window and enough of it shows round the
            // cover to pay for its edges.
            const bool splits = half > 0 && half < reach;
            const DeckPoint square[4] = {{-float(half), y, -float(half), 0, 0}, {float(half), y, -float(half), 0, 0},
                                         {float(half), y, float(half), 0, 0}, {-float(half), y, float(half), 0, 0}};
            int wholeCount = 0, cutCount = 0;
            int shows = -1;  // the square's open share enough: told when first asked
            for (int b = 0; b < boxCount; ++b) {
                bool split = splits;
                if (split) {
                    const bool reaches = !windows[size_t(b)].missesAll(square, 4);
                    if (reaches && shows < 0) shows = view.openShare(square, 4) >= kMagnifiedShare;
                    split = reaches && shows == 1;
                }
                if (split)
                    cutWindows[size_t(cutCount)] = &windows[size_t(b)], cut[size_t(cutCount++)] = live[size_t(b)];
                else
                    wholeWindows[size_t(wholeCount)] = &windows[size_t(b)], whole[size_t(wholeCount++)] = live[size_t(b)];
            }
            if (wholeCount > 0) {
                view.Boxes = std::span<const std::array<int, 4>>(whole.data(), view.Boxed ? size_t(wholeCount) : 0);
                view.Windows = std::span<const DrawnWindow* const>(wholeWindows.data(), view.Boxes.size());
                // One piece; all of it magnified where the square holds the whole deck.
                const bool magnified = half >= reach;
                if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter), ++DecksMagnified;
                if (!apart) {
                    drawDeckPiece(quad, 4, view, true);
                } else {
                    drawDeckPiece(nearPart, nearCount, view, false);
                    drawDeckPiece(farPart, farCount, view, true);
                }
                if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
            }
            if (cutCount == 0) continue;
            view.Boxes = std::span<const std::array<int, 4>>(cut.data(), view.Boxed ? size_t(cutCount) : 0);
            view.Windows = std::span<const DrawnWindow* const>(cutWindows.data(), view.Boxes.size());
            // The square and the four bands round it, their corners' picture coordinates taken as
            // the deck's at that place, so that pieces meeting there share their points.
            ++DecksMagnified;
            const auto point = [&](double x, double z) {
                return DeckPoint{float(x), y, float(z), float(u0 + x / kTile), float(v0 + z / kTile)};
            };
            const double hf = half;
            // Unblended, the square may go as the runs of its picture's tiles that a fragment can
            // pass the alpha test in: grown a little each way, they overlap one another and the
            // bands, where a pixel drawn twice takes the same colour, so that no pixel falls
            // between them where their edges meet away from a shared corner.
            std::vector<std::array<double, 4>>& rects = DeckRects;
            rects.clear();
            if (!(unblended && heights[s] > eye.Y && tiles &&
                  squareTiles(hf, u0, v0, kTile, *tiles, tilesFailing / a, kTileOverlap, rects)))
                rects.assign(1, {-hf, hf, -hf, hf});
            const size_t squareRects = rects.size();
            // Round it, out to where the GL reads no level past kMippedTileLevel (the step's bound
            // there at most kMagnified x 2^level texels), the ring's four sides go as the runs of
            // the tiles that a fragment can pass the alpha test in at any of those levels.
            double ring = hf;
            const bool mipmapped = minFilter == GL_LINEAR_MIPMAP_NEAREST || minFilter == GL_NEAREST_MIPMAP_NEAREST ||
                                   minFilter == GL_LINEAR_MIPMAP_LINEAR || minFilter == GL_NEAREST_MIPMAP_LINEAR;
            if (unblended && heights[s] > eye.Y && tiles && !tiles->Mipped.empty() && BlankMippedTilesLeftOut &&
                mipmapped && sound.Last >= kMippedTileLevel) {
                const double far2 = kMagnified * double(1 << kMippedTileLevel) * texel * h * focal - h * h;
                const double most = kMostTilesAcross / 2 * kTile / tiles->Across;  // the widest cut
                ring = std::min({far2 > 0 ? std::sqrt(far2 / 2) : 0.0, double(reach), most});
                if (ring > hf)
                    for (const std::array<double, 4>& side : {std::array<double, 4>{-ring, ring, -ring, -hf},
                                                              std::array<double, 4>{-ring, ring, hf, ring},
                                                              std::array<double, 4>{-ring, -hf, -hf, hf},
                                                              std::array<double, 4>{hf, ring, -hf, hf}})
                        if (!rectTiles(side, u0, v0, kTile, tiles->Across, tiles->Mipped, tilesFailing / a,
                                       kTileOverlap, MippedTilesLeftOut, rects))
                            rects.push_back(side);
                ring = std::max(ring, hf);
            }
            rects.insert(rects.end(), {{-reach, reach, -reach, -ring}, {-reach, reach, ring, reach},
                                       {-reach, -ring, -ring, ring}, {ring, reach, -ring, ring}});
            nearPieces.clear(), farPieces.clear(), nearMagnified.clear(), farMagnified.clear();
            for (size_t q = 0; q < rects.size(); ++q) {
                const auto& b = rects[q];
                const DeckPoint piece[4] = {point(b[0], b[2]), point(b[1], b[2]), point(b[1], b[3]), point(b[0], b[3])};
                DeckPieces& near = q < squareRects ? nearMagnified : nearPieces;
                DeckPieces& far = q < squareRects ? farMagnified : farPieces;
                if (!apart) {
                    far.add(piece, 4);
                    continue;
                }
                DeckPoint cut[kMaxDeckPoints];
                near.add(cut, keepWhere(piece, 4, cut, within));
                far.add(cut, keepWhere(piece, 4, cut, beyond));
            }
            const double raise = apart ? fogRaise(farPart, farCount, view) : fogRaise(quad, 4, view);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter);
            nearMagnified.draw(view, false, 0);
            farMagnified.draw(view, true, raise);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
            nearPieces.draw(view, false, 0);
            farPieces.draw(view, true, raise);
        }
    }
    glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);  // the attribute stack does not restore it here
    wide.restore();
    glPopAttrib();
}

}  // namespace pellam::worlddraw
