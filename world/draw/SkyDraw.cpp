// What the sky's drawers and the frame share: drawing under each scissor box, where the dome can
// reach the window, the ground's top, and the pictures' reads.
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
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

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

}  // namespace pellam::worlddraw
