#pragma once
// Sprites that face the eye (squares parallel to the screen) cut to the parts of the window where
// drawing them can change a pixel by more than 16 levels. Behind the nearer sprites that cover a
// cell of the window, what lies farther shows through at most the product of what each lets
// through (one minus its least alpha there): under kHiddenBelow it moves no colour by more than 16
// levels of 255, less than a player can tell, and behind a picture wholly opaque at full opacity
// by none. A cell where a sprite's own picture is wholly clear leaves what lies behind as it was.
// Plain arithmetic on window pixels: the caller turns the pieces back into corners. Saves, in
// instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front,
// wreck_smoke): 0.6, 0, 0, 0, 38.9 M.
#include <cstdint>
#include <vector>

namespace pellam::effects {

// A picture's alpha summed over rectangles of texels: a lower bound on the alpha of every texel of
// a rectangle, and whether all are clear. Past an edge the GL's filter reads the other side or a
// clear border: such a rectangle is never opaque, and clear only if the other side is too.
class AlphaSums {
public:
    AlphaSums() = default;
    // `alpha`: width x height bytes, rows from t = 0.
    AlphaSums(const uint8_t* alpha, int width, int height);
    int width() const { return W_; }
    int height() const { return H_; }
    // Texels x0..x1, y0..y1 inclusive; any range may run past either edge by up to a picture.
    // 0..1: 1 when every texel is wholly opaque; 0 for a rectangle past an edge.
    double leastAlpha(int x0, int x1, int y0, int y1) const;
    bool allClear(int x0, int x1, int y0, int y1) const { return count(seen_, x0, x1, y0, y1) == 0; }

    static constexpr int kLevels = 16;
    // Alpha, strongest first: finer near opaque, where a level's step moves what lies behind most.
    static constexpr uint8_t kLevel[kLevels] = {255, 252, 248, 244, 240, 232, 224, 216,
                                                208, 192, 176, 160, 144, 128, 96, 64};

private:
    int64_t area(int x0, int x1, int y0, int y1) const;
    int64_t count(const std::vector<int32_t>& sums, int x0, int x1, int y0, int y1) const;
    int W_ = 0, H_ = 0;
    // (W + 1) x (H + 1) summed-area tables: texels of alpha at least each level, texels not clear.
    std::vector<int32_t> atLeast_[kLevels], seen_;
};

struct FacingSprite {
    double Left = 0, Right = 0, Bottom = 0, Top = 0;  // the square's sides, window px, y up
    double Depth = 0;                                 // ft ahead of the eye
    const AlphaSums* Alpha = nullptr;                 // its picture; null: unknown, never cut
    double Opacity = 0;                               // the polygon's alpha, multiplying the picture's
};

// Part of a sprite's square, as shares of it across (U, from its left side) and up (V, from its foot).
struct SpritePiece {
    int Sprite = 0;
    double U0 = 0, U1 = 1, V0 = 0, V1 = 1;
};

struct SpriteCuts {
    enum class Draw : uint8_t { Whole, Pieces, Nothing };
    std::vector<Draw> draw;            // per sprite
    std::vector<SpritePiece> pieces;   // those of the sprites drawn in pieces, sprite by sprite
};

struct SpriteWindow {
    int X = 0, Y = 0, Width = 0, Height = 0;  // the viewport, px
    double Near = 0, Far = 0;                 // ft
};

// The window is split into cells of kSpriteCell px. A sprite is drawn in pieces only where that
// leaves out enough of it to pay for the extra quads; one whose pieces would take the pieces in
// all past `pieceRoom` is drawn whole. Sprites at depths too close to order reliably against an
// overlapping one are drawn whole, so that they keep the order they are drawn in now.
inline constexpr int kSpriteCell = 16;
inline constexpr double kHiddenBelow = 16.0 / 255.0;
void cutSprites(const std::vector<FacingSprite>& sprites, const SpriteWindow& window, int pieceRoom, SpriteCuts& out);

}  // namespace pellam::effects
