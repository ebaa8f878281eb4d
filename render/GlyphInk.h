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
