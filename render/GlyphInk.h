#pragma once
// Where each character's ink lies in its cell of the font picture (16 x 8 cells), so that a line
// of text sends only the part of each cell that can change a pixel: the rest of the cell is clear,
// and so is every texel the linear filter reaches from there. Under the text's blend a clear texel
// leaves the pixel as it was, but the software rasteriser shades the blocks all the same.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/ViewMath.h"

namespace pellam::render {

struct GlyphInk {
    // Texels across and up (t from 0) in the whole picture: the first and one past the last column
    // and row holding ink. Blank when there are none.
    int Left = 0, Right = 0, Bottom = 0, Top = 0;
    bool blank() const { return Right <= Left || Top <= Bottom; }
};

// Every cell's ink in a font picture `edge` texels square, its alpha one byte a texel, rows from
// t = 0 up. `edge` must be a multiple of 16 and `alpha` hold edge * edge bytes.
std::array<GlyphInk, 128> findGlyphInk(const std::vector<uint8_t>& alpha, int edge);

// Cuts `q` (a glyph's quad and texture place) to the part of it whose samples can reach the ink,
// with a sixteenth of a texel to spare; the line through the cut keeps the texels where they
// were. False when the cell is blank: then nothing of it can show.
bool cutToInk(GlyphQuad& q, const GlyphInk& ink, int edge);

// The part of a glyph's quad `q` (for character `code` of a font picture `edge` texels square)
// whose samples read texels of its own cell alone: the cell less half a texel round it. Within it
// and beyond the reach of the ink, a sample reads clear texels.
GlyphQuad ownPart(const GlyphQuad& q, int code, int edge);

// A line's glyphs, each sent as one triangle rather than two: the triangle stands on the glyph's
// bottom edge (or hangs from its top) with its apex far above (or below), so that between the
// scissor's edge at the line's highest (or lowest) row and its base it holds the glyph's part
// whole, and reaches past its sides by a small fraction of the width. Two triangles of a quad
// both shade the 4 x 4 blocks their shared side crosses; the one does not.
struct TextVertex {
    double s, t, x, y;
};
struct LeaningLine {
    // Under the scissor, rows [Low, High) of the window (whole pixels from the bottom), when any
    // glyph leans; else no scissor.
    bool Scissored = false;
    int Low = 0, High = 0;
    // Per glyph: sent as Triangle[k], or as its two triangles.
    std::vector<uint8_t> Leans;
    std::vector<std::array<TextVertex, 3>> Triangle;
};
// `cut` are the glyphs cut to their ink, `own` their ownPart (in GL units under identity
// matrices), `viewport` the GL viewport (x, y, width, height). The scissor's edge is the line's
// outermost row on the side the apexes point to, the side where more glyphs lean. A glyph leans
// only where every pixel its triangle covers beyond its quad's (past its sides, and in rows up to
// the edge row) lies in its own part. `line` is filled, keeping its room for the next line.
void leanGlyphs(const std::vector<GlyphQuad>& cut, const std::vector<GlyphQuad>& own, const int viewport[4],
                LeaningLine& line);

// The ink of the font picture last asked about, read once per picture.
class FontInk {
public:
    // Fills the picture's alpha, one byte a texel, rows from t = 0, and its size; false when it
    // cannot, or when the GL reads the picture through its mip levels (a level's texel spans its
    // neighbours' ink).
    using Reader = std::function<bool(std::vector<uint8_t>& alpha, int& width, int& height)>;
    // The cells of the picture numbered `picture` (no two loads share a number; 0 is none), read
    // by `read` when it is new; null where the text cannot be cut by them.
    const std::array<GlyphInk, 128>* forPicture(uint64_t picture, const Reader& read);
    int edge() const { return Edge; }

private:
    uint64_t Picture = 0;
    bool Usable = false;
    int Edge = 0;
    std::array<GlyphInk, 128> Cells{};
};

}  // namespace pellam::render
