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
