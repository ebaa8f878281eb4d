// The sky dome: its rings from below the horizon to the zenith under the sky's picture, and the
// sun's glow added onto it. drawSkyDome names the steps; the shortcuts they take are RingRuns below
// (quads no window shows are not sent) and a file each beside this one (DomeDepthTest,
// MagnifiedRings).
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw {

using namespace sky;

namespace {

// The dome's corner k (0..kDomeSegments) at elevation e: its picture coordinates.
std::array<double, 2> domeCoordinates(int k, double e) {
    return {double(k) / kDomeSegments * 4.0, std::max(e, 0.0) / (kPi / 2)};
}

// Elevation of the boundary below ring r (r = kDomeRings: the zenith).
double ringEdge(int r) { return -kPi / 9 + (kPi / 2 + kPi / 9) * r / kDomeRings; }

// The dome's rings as triangle strips, interleaved texture coordinates, colour and position
// (GL_T2F_C3F_V3F), made for one set of sky colours and one lowest elevation.
struct DomeVertices {
    std::array<float, 3> Horizon{}, Zenith{};
    double Lowest = std::numeric_limits<double>::quiet_NaN();  // matches no elevation
    std::vector<float> Vertices;
    std::array<GLint, kDomeRings> Firsts{};
    std::array<GLsizei, kDomeRings> Counts{};  // 0: the ring is wholly below what shows
    std::array<double, kDomeRings> Low{}, High{};  // radians
    std::vector<std::array<double, 4>> Clips;       // scratch: each vertex's clip coordinates at a draw
};

// Kept from draw to draw: the sky is drawn on the GL's thread only.
DomeVertices& domeVertices(const SkyColours& c, double lowestElevation) {
    static DomeVertices dome;
    if (dome.Horizon == c.Horizon && dome.Zenith == c.Zenith && dome.Lowest == lowestElevation) return dome;
    dome.Horizon = c.Horizon, dome.Zenith = c.Zenith, dome.Lowest = lowestElevation;
    dome.Vertices.clear();
    const auto colourAt = [&](double elevation, float* out) {
        const double t = std::pow(std::clamp(elevation / (kPi / 2), 0.0, 1.0), 0.55);
        for (int k = 0; k < 3; ++k) out[k] = float(c.Horizon[k] + (c.Zenith[k] - c.Horizon[k]) * t);
    };
    for (int r = 0; r < kDomeRings; ++r) {
        const double e1 = ringEdge(r + 1);
        // Below the horizon the ring has one colour and picture row, so cutting it changes no pixel.
        const double e0 = std::max(ringEdge(r), std::min(lowestElevation, 0.0));
        dome.Low[r] = e0, dome.High[r] = e1;
        dome.Firsts[r] = GLint(dome.Vertices.size() / 8);
        dome.Counts[r] = e1 <= e0 ? 0 : 2 * (kDomeSegments + 1);
        if (dome.Counts[r] == 0) continue;
        for (int s = 0; s <= kDomeSegments; ++s) {
            const double a = 2 * kPi * s / kDomeSegments;
            for (double e : {e1, e0}) {
                float v[8];
                const auto st = domeCoordinates(s, e);
                v[0] = float(st[0]), v[1] = float(st[1]);
                colourAt(e, v + 2);
                v[5] = float(std::cos(e) * std::sin(a)) * kDomeRadius, v[6] = float(std::sin(e)) * kDomeRadius;
                v[7] = float(std::cos(e) * std::cos(a)) * kDomeRadius;
                dome.Vertices.insert(dome.Vertices.end(), v, v + 8);
            }
        }
    }
    return dome;
}

}  // namespace

namespace {

// The dome's rings sent as arrays, in runs read alike (depth test, filter), each run under every
// scissor box in turn. Of each ring only the runs of its quads that can reach the window drawn under
// the box are sent: a quad all of whose corners lie outside one side of it, or behind the near
// plane, lights no pixel there. The facets meet edge to edge and write no depth, so the order they
// are drawn in leaves every pixel as it is.
class RingRuns {
public:
    RingRuns(DomeVertices& dome, std::span<const std::array<int, 4>> boxes) : Dome(dome), Boxes(boxes) {
        // Every corner's clip coordinates, the same under every box.
        const DrawnWindow window;
        dome.Clips.resize(dome.Vertices.size() / 8);
        for (size_t v = 0; v < dome.Clips.size(); ++v) dome.Clips[v] = window.clip(&dome.Vertices[v * 8 + 5]);
    }

    // Rings r0..r1 (exclusive), under every box.
    void send(int r0, int r1) {
        forEachScissorBox(Boxes, [&](size_t) {
            const DrawnWindow window;
            for (int r = r0; r < r1; ++r)
                if (Dome.Counts[r] != 0) addRing(window, r);
            if (Runs > 0) glMultiDrawArrays(GL_TRIANGLE_STRIP, Firsts.data(), Counts.data(), Runs);
            Runs = 0;
        });
    }

private:
    // Ring r's quads that can reach the window, as runs of its strip; a run starts at an even
    // vertex, so its triangles keep the order of their corners.
    void addRing(const DrawnWindow& window, int r) {
        const std::array<double, 4>* corners = &Dome.Clips[size_t(Dome.Firsts[r])];
        int all = ~0;
        for (int k = 0; k <= kDomeSegments; ++k) {
            Sides[size_t(k)] = window.outside(corners[2 * k]) & window.outside(corners[2 * k + 1]);
            all &= Sides[size_t(k)];
        }
        if (all) return;  // the whole ring lies outside one side
        for (int k = 0; k < kDomeSegments; ++k) Left[size_t(k)] = (Sides[size_t(k)] & Sides[size_t(k + 1)]) != 0;
        for (int k = 0; k < kDomeSegments;) {
            if (Left[size_t(k)]) {
                ++k;
                continue;
            }
            int end = k + 1;
            while (end < kDomeSegments && !Left[size_t(end)]) ++end;
            Firsts[size_t(Runs)] = Dome.Firsts[r] + 2 * k, Counts[size_t(Runs)] = 2 * (end - k + 1);
            ++Runs;
            k = end;
        }
    }

    DomeVertices& Dome;
    std::span<const std::array<int, 4>> Boxes;
    std::array<GLint, kDomeRings * kDomeSegments / 2 + kDomeRings> Firsts{};
    std::array<GLsizei, kDomeRings * kDomeSegments / 2 + kDomeRings> Counts{};
    int Runs = 0;
    std::array<int, kDomeSegments + 1> Sides{};  // per pair of corners of a ring: the sides both lie outside
    std::array<bool, kDomeSegments> Left{};      // per quad of a ring: not sent
};

// The state the rings are drawn in, whatever the pass before left set (the objects' alpha test keeps
// only alpha above 0.9): no fog, lighting, culling, blending, alpha test or depth writes, the sky's
// picture times the vertices' colour, shaded smoothly from ring to ring; behind the ground, only
// where the depth is still the cleared 1.
void setDomeState(const TexturedSkyDome& sky, const GLNameOfSlot& glName, bool behindGround) {
    if (behindGround) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthRange(1.0, 1.0);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(GL_FALSE);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    shadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    bindSoftPicture(glName(sky.SkyTextureSlot));
}

// Rings from 20 deg below the horizon to the zenith, the depth test switched off from the first
// ring at or above `untestedFrom` and the filter changed where the picture is magnified, each change
// ending a run; how many rings were drawn without the depth test behind the ground.
int sendRings(const DomeVertices& dome, RingRuns& runs, MagnifiedRings& filters, bool behindGround,
              double untestedFrom) {
    int untestedRings = 0, from = 0;
    for (int r = 0; r < kDomeRings; ++r) {
        if (dome.Counts[r] == 0) {
            from += from == r;
            continue;
        }
        if (behindGround && dome.Low[r] >= untestedFrom && glIsEnabled(GL_DEPTH_TEST)) {
            runs.send(from, r), from = r;
            glDisable(GL_DEPTH_TEST);
        }
        untestedRings += !glIsEnabled(GL_DEPTH_TEST) && behindGround;
        const GLint f = filters.filterFor(dome.Low[r], dome.High[r]);
        if (f != filters.current()) runs.send(from, r), from = r;
        filters.use(f);
    }
    runs.send(from, kDomeRings);
    if (!dome.Vertices.empty()) {
        // What the last vertex leaves current, as when the rings were sent point by point.
        const float* last = &dome.Vertices[dome.Vertices.size() - 8];
        glTexCoord2f(last[0], last[1]);
        glColor3f(last[2], last[3], last[4]);
    }
    return untestedRings;
}

// The sun: a glow added onto the sky, sent under a box only where it can reach the box's window.
void drawSun(const TexturedSkyDome& sky, const GLNameOfSlot& glName, const SkyColours& c,
             std::span<const std::array<int, 4>> boxes) {
    const Vector3& s = sky.getSunVector();
    if (!(s[1] > -0.05 && (c.Sun[0] + c.Sun[1] + c.Sun[2]) > 0.01f)) return;
    float right[3], up[3];
    cameraAxes(right, up);
    const float size = 90.0f, d = kDomeRadius * 0.9f;
    const float cx = float(s[0]) * d, cy = float(s[1]) * d, cz = float(s[2]) * d;
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glName(sky.SunTextureSlot));
    glColor3f(c.Sun[0], c.Sun[1], c.Sun[2]);
    std::array<std::array<float, 3>, 4> corners{};
    for (size_t k = 0; k < corners.size(); ++k) corners[k] = facingCorner(right, up, cx, cy, cz, size, kFacingCorners[k]);
    forEachScissorBox(boxes, [&](size_t) {
        if (!boxes.empty()) {
            const DrawnWindow window;
            int outside = ~0;
            for (const auto& p : corners) outside &= window.outside(p.data());
            if (outside) return;
        }
        glBegin(GL_QUADS);
        for (size_t k = 0; k < corners.size(); ++k) {
            glTexCoord2f((kFacingCorners[k][0] + 1) / 2, (kFacingCorners[k][1] + 1) / 2);
            glVertex3fv(corners[k].data());
        }
        glEnd();
    });
    glTexCoord2f((kFacingCorners[3][0] + 1) / 2, (kFacingCorners[3][1] + 1) / 2);  // as when sent under every box
}

}  // namespace

int drawSkyDome(const TexturedSkyDome& sky, const GLNameOfSlot& glName, bool behindGround, double lowestElevation,
                bool plain, const std::function<double()>& groundTop, std::span<const std::array<int, 4>> boxes,
                const DomeShortcuts& shortcuts) {
    const SkyColours c = sky.getSkyColours();
    const double untestedFrom = untestedDomeFrom(behindGround, plain || !shortcuts.UntestedRings, groundTop);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT |
                 GL_VIEWPORT_BIT);
    // Not in the plain drawing: a ring no longer clipped at the window's edge may read a level apart.
    WidenedView wide;
    if (!plain) wide.widen();
    setDomeState(sky, glName, behindGround);
    MagnifiedRings filters(plain || !shortcuts.RingsMagnified);
    // The vertices hold while the colours and the lowest elevation do: made once, then sent as arrays.
    DomeVertices& dome = domeVertices(c, lowestElevation);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glClientActiveTexture(GL_TEXTURE0);
    glInterleavedArrays(GL_T2F_C3F_V3F, 0, dome.Vertices.data());
    RingRuns runs(dome, boxes);
    const int untestedRings = sendRings(dome, runs, filters, behindGround, untestedFrom);
    filters.restore();
    if (behindGround) glEnable(GL_DEPTH_TEST);  // the sun may lie low, over the ground
    drawSun(sky, glName, c, boxes);
    glPopClientAttrib();
    wide.restore();
    glPopAttrib();
    return untestedRings;
}

}  // namespace pellam::worlddraw
