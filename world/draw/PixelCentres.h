#pragma once
// Whether a triangle on the window can make a fragment at all: the GL makes one only where a
// pixel's centre (x + 0.5, y + 0.5) lies inside it. Thin far triangles that fall between the
// centres cost the software rasteriser their vertices, set-up and block walk for nothing.

namespace pellam::worlddraw {

struct WindowPoint {
    double X = 0, Y = 0;  // pixels, x right, y up, from the window's corner
};

// The pixels [X0, X1) x [Y0, Y1) a draw may touch: the viewport within the scissor box.
struct PixelRect {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// True only when no pixel centre of `rect` lies within `margin` pixels, across and up, of the
// triangle: then it makes no fragment whatever its winding. The margin covers the GL's rounding of
// the transform and its sub-pixel grid, and, with several samples a pixel, the samples' spread.
// Triangles over more than a few rows of centres are taken to light one without looking further.
bool lightsNoPixelCentre(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c, const PixelRect& rect,
                         double margin);

}  // namespace pellam::worlddraw
