// The sky dome: its rings from below the horizon to the zenith under the sky's picture, the cap
// over the zenith, and the sun's glow added onto it. drawSkyDome names the steps; the shortcuts
// they take are a file each beside this one (DomeDepthTest, MagnifiedRings).
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw {

using namespace sky;

namespace {

// The dome's corner k (0..kDomeSegments) at elevation e: its picture coordinates. The picture
// wraps four times round and spans the horizon to the zenith once, so towards the zenith its
// columns close up into a point.
std::array<double, 2> domeCoordinates(int k, double e) {
    return {double(k) / kDomeSegments * 4.0, std::max(e, 0.0) / (kPi / 2)};
}

// Elevation of the boundary below ring r (r = kDomeRings: the zenith).
double ringEdge(int r) { return -kPi / 9 + (kPi / 2 + kPi / 9) * r / kDomeRings; }

// Where the rings' columns close up, the picture's soft shapes would meet at the zenith in a star
// of spokes. The rings from kCapFrom up (53 deg) are drawn again over themselves as the cap: the
// picture laid flat round the zenith, one picture's side to 90 deg as up the rings, coming in
// over the rings' own to the last ring's foot (81 deg) and alone above it.
constexpr int kCapFrom = 8;
constexpr int kCapRings = kDomeRings - kCapFrom;
constexpr int kStrips = kDomeRings + kCapRings;  // the rings, then the cap's

// The cap's corner k at elevation e: its picture coordinates, and its share over the rings.
std::array<double, 2> capCoordinates(int k, double e) {
    const double a = 2 * kPi * k / kDomeSegments, out = (kPi / 2 - e) / (kPi / 2);
    return {0.5 + out * std::sin(a), 0.5 + out * std::cos(a)};
}
double capShare(double e) {
    const double x = std::clamp((e - ringEdge(kCapFrom)) / (ringEdge(kDomeRings - 1) - ringEdge(kCapFrom)), 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// A vertex: picture coordinates, colour with alpha, position.
constexpr int kStride = 9;  // floats
constexpr int kColourAt = 2, kPositionAt = 6;

// The dome's rings, then the cap's, as triangle strips, made for one set of sky colours and one
// lowest elevation.
struct DomeVertices {
    std::array<float, 3> Horizon{}, Zenith{};
    double Lowest = std::numeric_limits<double>::quiet_NaN();  // matches no elevation
    std::vector<float> Vertices;
    std::array<GLint, kStrips> Firsts{};
    std::array<GLsizei, kStrips> Counts{};  // 0: the ring is wholly below what shows
    std::array<double, kStrips> Low{}, High{};  // radians
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
    for (int strip = 0; strip < kStrips; ++strip) {
        const bool cap = strip >= kDomeRings;
        const int r = cap ? strip - kCapRings : strip;
        const double e1 = ringEdge(r + 1);
        // Below the horizon the ring has one colour and picture row, so cutting it changes no pixel.
        const double e0 = std::max(ringEdge(r), std::min(lowestElevation, 0.0));
        dome.Low[strip] = e0, dome.High[strip] = e1;
        dome.Firsts[strip] = GLint(dome.Vertices.size() / kStride);
        dome.Counts[strip] = e1 <= e0 ? 0 : 2 * (kDomeSegments + 1);
        if (dome.Counts[strip] == 0) continue;
        for (int s = 0; s <= kDomeSegments; ++s) {
            const double a = 2 * kPi * s / kDomeSegments;
            for (double e : {e1, e0}) {
                float v[kStride];
                const auto st = cap ? capCoordinates(s, e) : domeCoordinates(s, e);
                v[0] = float(st[0]), v[1] = float(st[1]);
                colourAt(e, v + kColourAt);
                v[kColourAt + 3] = cap ? float(capShare(e)) : 1.0f;
                float* at = v + kPositionAt;
                at[0] = float(std::cos(e) * std::sin(a)) * kDomeRadius, at[1] = float(std::sin(e)) * kDomeRadius;
                at[2] = float(std::cos(e) * std::cos(a)) * kDomeRadius;
                dome.Vertices.insert(dome.Vertices.end(), v, v + kStride);
            }
        }
    }
    return dome;
}

}  // namespace

namespace {

// The dome's strips r0..r1 (exclusive) sent as arrays, under every scissor box in turn (as the
// scissor stands where there are none).
void sendStrips(const DomeVertices& dome, std::span<const std::array<int, 4>> boxes, int r0, int r1) {
    forEachScissorBox(boxes, [&](size_t) {
        for (int r = r0; r < r1;) {
            if (dome.Counts[r] == 0) {
                ++r;
                continue;
            }
            int end = r + 1;
            while (end < r1 && dome.Counts[end] != 0) ++end;
            glMultiDrawArrays(GL_TRIANGLE_STRIP, &dome.Firsts[r], &dome.Counts[r], end - r);
            r = end;
        }
    });
}

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
// ending a run; then the cap blended over them, read with the mip levels; how many rings were drawn
// without the depth test behind the ground.
int sendRings(const DomeVertices& dome, std::span<const std::array<int, 4>> boxes, MagnifiedRings& filters,
              bool behindGround, double untestedFrom) {
    int untestedRings = 0, from = 0;
    for (int r = 0; r < kDomeRings; ++r) {
        if (dome.Counts[r] == 0) {
            from += from == r;
            continue;
        }
        if (behindGround && dome.Low[r] >= untestedFrom && glIsEnabled(GL_DEPTH_TEST)) {
            sendStrips(dome, boxes, from, r), from = r;
            glDisable(GL_DEPTH_TEST);
        }
        untestedRings += !glIsEnabled(GL_DEPTH_TEST) && behindGround;
        const GLint f = filters.filterFor(dome.Low[r], dome.High[r]);
        if (f != filters.current()) sendStrips(dome, boxes, from, r), from = r;
        filters.use(f);
    }
    sendStrips(dome, boxes, from, kDomeRings);
    filters.restore();
    if (behindGround) dome.Low[kDomeRings] < untestedFrom ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    sendStrips(dome, boxes, kDomeRings, kStrips);
    glDisable(GL_BLEND);
    if (!dome.Vertices.empty()) {
        // What the last vertex leaves current, as when the rings were sent point by point.
        const float* last = &dome.Vertices[dome.Vertices.size() - kStride];
        glTexCoord2f(last[0], last[1]);
        glColor4fv(last + kColourAt);
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
    // The viewport's bit keeps the depth range, which behind the ground the dome sets to its far end.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT |
                 GL_VIEWPORT_BIT);
    setDomeState(sky, glName, behindGround);
    MagnifiedRings filters(plain || !shortcuts.RingsMagnified);
    // The vertices hold while the colours and the lowest elevation do: made once, then sent as arrays.
    DomeVertices& dome = domeVertices(c, lowestElevation);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    useArrays(true, false);
    const GLsizei stride = kStride * sizeof(float);
    glTexCoordPointer(2, GL_FLOAT, stride, dome.Vertices.data());
    glColorPointer(4, GL_FLOAT, stride, dome.Vertices.data() + kColourAt);
    glVertexPointer(3, GL_FLOAT, stride, dome.Vertices.data() + kPositionAt);
    const int untestedRings = sendRings(dome, boxes, filters, behindGround, untestedFrom);
    if (behindGround) glEnable(GL_DEPTH_TEST);  // the sun may lie low, over the ground
    drawSun(sky, glName, c, boxes);
    glPopClientAttrib();
    glPopAttrib();
    return untestedRings;
}

}  // namespace pellam::worlddraw
