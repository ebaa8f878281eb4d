// The bitmap font: 16 x 8 cells of 16 x 32 texels on a 256 x 256 picture, code c in column c mod 16
// and row c div 16 (row 0 at the top). White glyphs with a dark outline on pure black, which the
// loader turns transparent (the picture's top-left texel is the colour key).
//
// The game draws a cell 0.00745 of the view wide and 3.7 times as tall, so a cell is narrow: glyphs
// are drawn 1.38 times wider than tall per texel to look right on screen, and the widest ones are
// squeezed into the cell. The game's own text is small (a cell is about 6 x 17 pixels on a
// 1024-wide view) and the font has no mipmaps, so the bold face keeps stems from vanishing.
#include <algorithm>
#include <cmath>

#include "Art.h"

namespace renderart {
namespace {

constexpr int kCellW = 16, kCellH = 32, kEdge = 256;
constexpr double kEm = 20.0;         // texels of the em, vertically
constexpr double kAspect = 1.38;     // texel stretch across that makes glyphs look natural on screen
constexpr double kBaseline = 24.0;   // texels below the cell's top
constexpr double kInkWidth = 12.0;   // the widest ink allowed, leaving room for the outline

const Colour kGlyph = rgb8(255, 255, 255);
const Colour kOutline = rgb8(22, 19, 15);

}  // namespace

platform::RGBAImage makeFontImage(const Font& font) {
    Mask ink(kEdge, kEdge);
    const double scale = font.emScale(kEm);
    for (int code = 33; code < 127; ++code) {
        const int column = code % 16, row = code / 16;
        double x0 = 0, x1 = 0;
        if (!font.inkBox(code, x0, x1)) continue;
        double sx = scale * kAspect;
        const double inkW = (x1 - x0) * kEm * kAspect;
        if (inkW > kInkWidth) sx *= kInkWidth / inkW;
        const double width = (x1 - x0) * kEm * (sx / scale);
        // Centre the ink in the cell; glyphs with a side bearing of their own keep it centred too.
        const double left = column * kCellW + (kCellW - width) / 2 - x0 * kEm * (sx / scale);
        font.glyph(ink, code, left, row * kCellH + kBaseline, sx, scale);
    }
    // Code 3: a block caret, shown and hidden by the text drawer every 32 ticks.
    {
        const int column = 3 % 16, row = 3 / 16;
        const double l = column * kCellW + 3, t = row * kCellH + kBaseline - 15;
        ink.polygon({{l, t}, {l + 10, t}, {l + 10, t + 18}, {l, t + 18}});
    }

    Mask outline = ink;
    for (float& v : outline.v) v = v > 0.08f ? 1.0f : 0.0f;
    outline.dilate(1);
    // The outer columns of every cell stay clear: the text drawer samples a quarter texel into
    // the cell, so linear filtering reaches the neighbour's edge column.
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; x += kCellW) {
            ink.at(x, y) = outline.at(x, y) = 0;
            ink.at(x + kCellW - 1, y) = outline.at(x + kCellW - 1, y) = 0;
        }

    platform::RGBAImage image;
    image.width = image.height = kEdge;
    image.pixels.assign(size_t(kEdge) * kEdge * 4, 0);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            uint8_t* p = &image.pixels[(size_t(y) * kEdge + x) * 4];
            p[3] = 255;
            const float c = ink.get(x, y), o = outline.get(x, y);
            if (c <= 0.02f && o <= 0.0f) continue;  // pure black: the key
            const Colour colour = mix(kOutline, kGlyph, std::clamp((c - 0.02f) / 0.85f, 0.0f, 1.0f));
            p[0] = uint8_t(colour.r * 255 + 0.5f);
            p[1] = uint8_t(colour.g * 255 + 0.5f);
            p[2] = uint8_t(colour.b * 255 + 0.5f);
        }
    return image;
}

}  // namespace renderart
