#pragma once
// The loaded view as the terrain drawer tests squares and posts against it: its clip planes, the
// window a point lands on, its depth for the fog, and how wide a pixel is.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "world/draw/PixelSteps.h"

namespace pellam::worlddraw {

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
    // False only when the box lies wholly outside one of the planes: then nothing in it reaches the
    // screen.
    bool mayShow(double x0, double y0, double z0, double x1, double y1, double z1) const {
        for (int k = 0; k < 6; ++k) {
            const auto& q = Planes[size_t(k)];
            const double x = q[0] > 0 ? x1 : x0, y = q[1] > 0 ? y1 : y0, z = q[2] > 0 ? z1 : z0;
            if (q[0] * x + q[1] * y + q[2] * z + q[3] < PlaneSlack[size_t(k)]) return false;
        }
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

}  // namespace pellam::worlddraw
