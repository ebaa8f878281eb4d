#pragma once
// What the sky's drawers share (the dome, the cloud decks, the sprite clouds): the window a
// primitive can reach, the camera's axes and the arrays sent. Not for other drawers.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

#include "core/Constants.h"
#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw::sky {

constexpr float kDomeRadius = 1000.0f;  // ft: drawn without depth, so only its direction counts
// A pixel's footprint on a flat facet of the dome is a little wider than on the sphere, and a
// level's texels must stay wider than a pixel by a margin.
constexpr double kPixelMargin = 1.1;

// The widest angle one pixel of the viewport spans (radians): the one on the projection's axis.
inline double widestPixel() {
    float p[16];
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (!(p[0] > 0 && p[5] > 0) || viewport[2] <= 0 || viewport[3] <= 0) return kPi;
    return std::max(2.0 / (double(p[0]) * viewport[2]), 2.0 / (double(p[5]) * viewport[3]));
}

// The camera's right and up axes in world space, from the rotation in the modelview matrix.
inline void cameraAxes(float* right, float* up) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    right[0] = m[0], right[1] = m[4], right[2] = m[8];
    up[0] = m[1], up[1] = m[5], up[2] = m[9];
}

// A square facing the camera: its corners' steps along the camera's right and up axes, counterclockwise.
constexpr float kFacingCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// Corner `at` (of kFacingCorners) of the camera-facing square `size` ft from its centre (x, y, z) to each side.
inline std::array<float, 3> facingCorner(const float* right, const float* up, float x, float y, float z, float size,
                                  const float* at) {
    return {x + (right[0] * at[0] + up[0] * at[1]) * size, y + (right[1] * at[0] + up[1] * at[1]) * size,
            z + (right[2] * at[0] + up[2] * at[1]) * size};
}

constexpr int kDomeRings = 12, kDomeSegments = 32;

// Which of the sky's polygons (the sun's glow, a deck's pieces, a cloud's sprites) can reach the
// part of the viewport that is drawn (within the scissor box, if on): a polygon all of whose
// corners lie outside one side of that window, or behind the near plane, lights no pixel there.
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
    // Bits of the sides a point lies outside: left, right, bottom, top, near.
    int outside(const float* xyz) const {
        std::array<double, 4> c{};  // its clip coordinates
        for (int i = 0; i < 4; ++i)
            c[size_t(i)] = Clip[size_t(i)] * xyz[0] + Clip[size_t(4 + i)] * xyz[1] + Clip[size_t(8 + i)] * xyz[2] +
                           Clip[size_t(12 + i)];
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

// Inside a pushed client state: the vertices and unit 0's picture coordinates from arrays, with
// colours and fog coordinates as asked, and every other array off.
inline void useArrays(bool colours, bool fog) {
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

// The dome's shortcuts, a file each.

// The lowest elevation (radians) from which the dome's rings, behind the ground, are drawn without
// the depth test (infinity: none are); see DomeDepthTest.cpp.
double untestedDomeFrom(bool behindGround, bool plain, const std::function<double()>& groundTop);

// The filter each of the dome's rings is read with: without the mip levels where the picture is
// magnified on every pixel; see MagnifiedRings.cpp. Reads the bound picture's filters and sizes.
class MagnifiedRings {
public:
    explicit MagnifiedRings(bool plain);
    // The filter for the ring between elevations low and high (radians).
    GLint filterFor(double low, double high) const;
    GLint current() const { return Filter; }
    void use(GLint f) {
        if (f != Filter) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, Filter = f);
    }
    void restore() { use(Mip); }

private:
    GLint Mip = 0, Mag = 0, Width = 0, Height = 0;
    GLint Filter = 0;     // the one set now
    bool Active = false;  // a mipmapped, linearly magnified picture of known size
    double Pixel = 0;     // radians: the widest a pixel spans, with a margin
};

}  // namespace pellam::worlddraw::sky
