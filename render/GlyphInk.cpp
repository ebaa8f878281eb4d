#include "render/GlyphInk.h"

#include <algorithm>
#include <cmath>

namespace pellam::render {

namespace {

// The texels of character `code`'s cell in a font picture `edge` texels square, 16 cells across
// and 8 down, row 0 at the top of the picture (t = 1): its left and bottom, width and height.
struct Cell {
    int Left, Bottom, Width, Height;
};
Cell cellOf(int code, int edge) {
    const int w = edge / 16, h = edge / 8;
    return {code % 16 * w, edge - (code / 16 + 1) * h, w, h};
}

}  // namespace

std::array<GlyphInk, 128> findGlyphInk(const std::vector<uint8_t>& alpha, int edge) {
    std::array<GlyphInk, 128> cells{};
    if (edge <= 0 || edge % 16 != 0 || alpha.size() < size_t(edge) * size_t(edge)) return cells;
    for (int code = 0; code < 128; ++code) {
        const Cell cell = cellOf(code, edge);
        const int left = cell.Left, bottom = cell.Bottom, w = cell.Width, h = cell.Height;
        GlyphInk ink{left + w, left, bottom + h, bottom};
        for (int y = bottom; y < bottom + h; ++y)
            for (int x = left; x < left + w; ++x)
                if (alpha[size_t(y) * size_t(edge) + size_t(x)] != 0) {
                    ink.Left = std::min(ink.Left, x), ink.Right = std::max(ink.Right, x + 1);
                    ink.Bottom = std::min(ink.Bottom, y), ink.Top = std::max(ink.Top, y + 1);
                }
        if (!ink.blank()) cells[size_t(code)] = ink;
    }
    return cells;
}

bool cutToInk(GlyphQuad& q, const GlyphInk& ink, int edge) {
    if (ink.blank()) return false;
    // A sample at u texels reads texels u - 0.5 and u + 0.5 rounded down: ink from Left to Right
    // reaches the samples within half a texel of them, and one at exactly half a texel gives the
    // ink a weight of nothing. A sixteenth of a texel more is kept for the rasteriser's rounding
    // of the sample's place and of the quad's corners (a 256th of a texel and of a pixel); a whole
    // texel more, as before, took a row or column of 4 x 4 blocks more in one glyph of four.
    constexpr double kReach = 0.5 + 1.0 / 16;
    const double e = edge;
    const double s0 = (ink.Left - kReach) / e, s1 = (ink.Right + kReach) / e;
    const double t0 = (ink.Top + kReach) / e, t1 = (ink.Bottom - kReach) / e;  // top, bottom
    // The fractions of the quad across and down where the kept part starts and ends.
    const double a0 = std::clamp((s0 - q.s0) / (q.s1 - q.s0), 0.0, 1.0), a1 = std::clamp((s1 - q.s0) / (q.s1 - q.s0), 0.0, 1.0);
    const double d0 = std::clamp((q.t0 - t0) / (q.t0 - q.t1), 0.0, 1.0), d1 = std::clamp((q.t0 - t1) / (q.t0 - q.t1), 0.0, 1.0);
    if (!(a1 > a0 && d1 > d0)) return false;
    const GlyphQuad whole = q;
    q.x0 = whole.x0 + a0 * (whole.x1 - whole.x0), q.x1 = whole.x0 + a1 * (whole.x1 - whole.x0);
    q.s0 = whole.s0 + a0 * (whole.s1 - whole.s0), q.s1 = whole.s0 + a1 * (whole.s1 - whole.s0);
    q.y0 = whole.y0 + d0 * (whole.y1 - whole.y0), q.y1 = whole.y0 + d1 * (whole.y1 - whole.y0);
    q.t0 = whole.t0 + d0 * (whole.t1 - whole.t0), q.t1 = whole.t0 + d1 * (whole.t1 - whole.t0);
    return true;
}

GlyphQuad ownPart(const GlyphQuad& q, int code, int edge) {
    const Cell cell = cellOf(code, edge);
    const double e = edge, w = cell.Width, h = cell.Height;
    const double left = cell.Left, top = cell.Bottom + cell.Height;  // texels, t up
    const double s0 = (left + 0.5) / e, s1 = (left + w - 0.5) / e;
    const double t0 = (top - 0.5) / e, t1 = (top - h + 0.5) / e;
    GlyphQuad own = q;
    own.x0 = q.x0 + (s0 - q.s0) / (q.s1 - q.s0) * (q.x1 - q.x0), own.s0 = s0;
    own.x1 = q.x0 + (s1 - q.s0) / (q.s1 - q.s0) * (q.x1 - q.x0), own.s1 = s1;
    own.y0 = q.y0 + (t0 - q.t0) / (q.t1 - q.t0) * (q.y1 - q.y0), own.t0 = t0;
    own.y1 = q.y0 + (t1 - q.t0) / (q.t1 - q.t0) * (q.y1 - q.y0), own.t1 = t1;
    return own;
}

namespace {

constexpr double kRounding = 1.0 / 64;  // pixels: the rasteriser places corners to a 256th

// The viewport's pixels: GL units under identity matrices to window pixels (rows from the bottom).
struct Pixels {
    const int* vp;
    double x(double gl) const { return vp[0] + (gl + 1) * 0.5 * vp[2]; }
    double y(double gl) const { return vp[1] + (gl + 1) * 0.5 * vp[3]; }
    double glY(double pixels) const { return 2 * (pixels - vp[1]) / vp[3] - 1; }
    // The lowest and highest rows whose centres lie within a quad.
    int low(const GlyphQuad& q) const { return int(std::ceil(y(q.y1) - 0.5)); }
    int high(const GlyphQuad& q) const { return int(std::floor(y(q.y0) - 0.5)); }
};

// The line leaning one way, apexes above it when `up`, its scissor's edge at the line's outermost
// row that way. How many glyphs lean; with `build`, the triangles and what to send written into
// `line`.
int leanOneWay(const std::vector<GlyphQuad>& cut, const std::vector<GlyphQuad>& own, const Pixels& at, bool up,
               LeaningLine& line, bool build) {
    const size_t n = cut.size();
    int edge = up ? at.high(cut[0]) : at.low(cut[0]);
    for (const GlyphQuad& q : cut) edge = up ? std::max(edge, at.high(q)) : std::min(edge, at.low(q));
    // The scissor's edge, and the window's far edge the apexes may reach.
    const double scissorEdge = up ? edge + 1 : edge, far = up ? at.vp[1] + at.vp[3] : at.vp[1];
    int leaning = 0;
    for (size_t k = 0; k < n; ++k) {
        const GlyphQuad& q = cut[k];
        if (build) line.Leans[k] = 0;
        if (!(q.x1 > q.x0)) continue;
        const double base = up ? at.y(q.y1) : at.y(q.y0);
        const double reach = std::abs(far - base) * 0.999;  // pixels from base to apex
        const double held = std::abs(scissorEdge - base);  // the rows the triangle must hold whole
        if (!(held > 0) || reach < 8 * held) continue;
        // At `held` from its base the triangle is as wide as the glyph.
        const double width = q.x1 - q.x0, widened = width / (1 - held / reach), past = (widened - width) / 2;
        if (q.x0 - past < -1 || q.x1 + past > 1 || q.y1 < -1 || q.y0 > 1) continue;  // the GL would clip it
        // The pixels it covers beyond the glyph's must lie in its own part, where the samples read
        // clear texels: the columns whose centres lie within its reach past the sides (a 64th of a
        // pixel more either way for the rasteriser's rounding of the corners), and where the line's
        // edge row is above (or below) the glyph's, the rows up to it.
        const double x0 = at.x(q.x0), x1 = at.x(q.x1), pastPx = past * 0.5 * at.vp[2];
        const double first = std::ceil(x0 - pastPx - kRounding - 0.5) + 0.5;
        const double last = std::floor(x1 + pastPx + kRounding - 0.5) + 0.5;
        const bool leftOwn = first >= at.x(own[k].x0), rightOwn = last <= at.x(own[k].x1);
        const int lowest = up ? at.low(q) : edge, highest = up ? edge : at.high(q);
        const bool rowsOwn = lowest + 0.5 >= at.y(own[k].y1) && highest + 0.5 <= at.y(own[k].y0);
        const bool rows = (up ? at.high(q) : at.low(q)) != edge;
        const bool pastLeft = first <= x0 + kRounding || rows, pastRight = last >= x1 - kRounding || rows;
        if ((pastLeft || pastRight) && !(rowsOwn && (leftOwn || !pastLeft) && (rightOwn || !pastRight))) continue;
        ++leaning;
        if (!build) continue;
        const double apexY = at.glY(up ? base + reach : base - reach), baseY = up ? q.y1 : q.y0;
        const auto vertex = [&](double x, double y) {
            return TextVertex{q.s0 + (x - q.x0) / (q.x1 - q.x0) * (q.s1 - q.s0),
                              q.t0 + (y - q.y0) / (q.y1 - q.y0) * (q.t1 - q.t0), x, y};
        };
        // Wound as the quad's triangles are: clockwise on the window.
        const TextVertex left = vertex(q.x0 - past, baseY), apex = vertex((q.x0 + q.x1) / 2, apexY);
        const TextVertex right = vertex(q.x1 + past, baseY);
        line.Triangle[k] = up ? std::array{left, apex, right} : std::array{right, apex, left};
        line.Leans[k] = 1;
    }
    if (build) {
        line.Scissored = leaning > 0;
        line.Low = up ? at.vp[1] : edge;
        line.High = up ? edge + 1 : at.vp[1] + at.vp[3];
    }
    return leaning;
}

}  // namespace

void leanGlyphs(const std::vector<GlyphQuad>& cut, const std::vector<GlyphQuad>& own, const int viewport[4],
                LeaningLine& line) {
    const size_t n = cut.size();
    line.Scissored = false;
    line.Leans.assign(n, 0);
    line.Triangle.resize(n);
    if (n == 0 || own.size() != n || viewport[2] <= 0 || viewport[3] <= 0) return;
    const Pixels at{viewport};
    const bool up = leanOneWay(cut, own, at, true, line, false) >= leanOneWay(cut, own, at, false, line, false);
    leanOneWay(cut, own, at, up, line, true);
}

const std::array<GlyphInk, 128>* FontInk::forPicture(uint64_t picture, const Reader& read) {
    if (picture == 0) return nullptr;
    if (picture != Picture) {
        Picture = picture, Usable = false;
        std::vector<uint8_t> alpha;
        int width = 0, height = 0;
        if (read(alpha, width, height) && width == height && width >= 16 && width % 16 == 0 &&
            alpha.size() >= size_t(width) * size_t(height)) {
            Edge = width;
            Cells = findGlyphInk(alpha, width);
            Usable = true;
        }
    }
    return Usable ? &Cells : nullptr;
}

}  // namespace pellam::render
