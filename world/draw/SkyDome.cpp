// The sky dome: its rings from below the horizon to the zenith under the sky's picture, and the sun.
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw {

using namespace sky;

namespace {

// The most the dome below the horizon, the horizon's colour times the picture's row there, may
// stray from one colour (levels of 255) for the colour buffer cleared to it to stand for it: no
// more than the rounding of the drawn colour, so that the clear loses none of the row's detail.
constexpr double kFloorStray = 0.5;

// The sky's picture as last read, its first level, for its row along the horizon.
struct SkyPicture {
    uint32_t Texture = 0;
    int Width = 0, Height = 0;
    bool RepeatS = true, RepeatT = true;  // else clamped to the edge
    std::vector<uint8_t> Texels;          // RGB, row by row from t = 0
    // The least and most the picture reads along the horizon (t = 0), 0..1 per channel: below it
    // the dome shows the horizon's colour times that row.
    std::array<double, 3> FloorLow{}, FloorHigh{};

    // The picture at (s, t) as the GL's linear filter reads its first level, 0..1 per channel.
    std::array<double, 3> at(double s, double t) const {
        const double x = s * Width - 0.5, y = t * Height - 0.5;
        const double fx = x - std::floor(x), fy = y - std::floor(y);
        const auto wrap = [](long i, int n, bool repeat) {
            return repeat ? int(((i % n) + n) % n) : int(std::clamp(i, 0L, long(n - 1)));
        };
        const int x0 = wrap(long(std::floor(x)), Width, RepeatS), x1 = wrap(long(std::floor(x)) + 1, Width, RepeatS);
        const int y0 = wrap(long(std::floor(y)), Height, RepeatT), y1 = wrap(long(std::floor(y)) + 1, Height, RepeatT);
        std::array<double, 3> out{};
        for (size_t c = 0; c < 3; ++c) {
            const auto texel = [&](int i, int j) {
                return double(Texels[(size_t(j) * size_t(Width) + size_t(i)) * 3 + c]);
            };
            out[c] = ((texel(x0, y0) * (1 - fx) + texel(x1, y0) * fx) * (1 - fy) +
                      (texel(x0, y1) * (1 - fx) + texel(x1, y1) * fx) * fy) / 255.0;
        }
        return out;
    }
};

// The dome's corner k (0..kDomeSegments) at elevation e: its picture coordinates.
std::array<double, 2> domeCoordinates(int k, double e) {
    return {double(k) / kDomeSegments * 4.0, std::max(e, 0.0) / (kPi / 2)};
}

// Elevation of the boundary below ring r (r = kDomeRings: the zenith).
double ringEdge(int r) { return -kPi / 9 + (kPi / 2 + kPi / 9) * r / kDomeRings; }

// The picture bound on the active unit, read once per GL name and size: the sky is drawn on the
// GL's thread only.
const SkyPicture& skyPicture(uint32_t texture) {
    static SkyPicture picture;
    GLint width = 0, height = 0, wrapS = 0, wrapT = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    const bool repeatS = wrapS == GL_REPEAT, repeatT = wrapT == GL_REPEAT;
    if (picture.Texture == texture && picture.Width == width && picture.Height == height &&
        picture.RepeatS == repeatS && picture.RepeatT == repeatT)
        return picture;
    picture = SkyPicture{};
    picture.Texture = texture, picture.Width = width, picture.Height = height;
    picture.RepeatS = repeatS, picture.RepeatT = repeatT;
    const bool known = (repeatS || wrapS == GL_CLAMP_TO_EDGE) && (repeatT || wrapT == GL_CLAMP_TO_EDGE);
    if (texture == 0 || width <= 0 || height <= 0 || !known) return picture;
    auto levels = readLevels(texture, GL_RGB, 0);
    if (levels.size() != 1 || levels[0].size() != size_t(width) * size_t(height) * 3) return picture;
    picture.Texels = std::move(levels[0]);
    // Along the row at t = 0, at and between the texels the filter reads (it repeats, or holds its
    // edge, past s = 1): its values lie between the texels' at either end of each step.
    picture.FloorLow = {1, 1, 1}, picture.FloorHigh = {0, 0, 0};
    for (int i = 0; i <= width; ++i) {
        const auto v = picture.at((i + 0.5) / width, 0.0);
        for (size_t c = 0; c < 3; ++c)
            picture.FloorLow[c] = std::min(picture.FloorLow[c], v[c]), picture.FloorHigh[c] = std::max(picture.FloorHigh[c], v[c]);
    }
    return picture;
}

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

std::optional<std::array<float, 3>> domeFloorColour(const TexturedSkyDome& sky, const GLNameOfSlot& glName) {
    const SkyColours c = sky.getSkyColours();
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, glName(sky.SkyTextureSlot));
    const SkyPicture& p = skyPicture(glName(sky.SkyTextureSlot));
    glPopAttrib();
    if (p.Texels.empty()) return std::nullopt;
    std::array<float, 3> mid{};
    for (size_t k = 0; k < 3; ++k) {
        if (255.0 * c.Horizon[k] * (p.FloorHigh[k] - p.FloorLow[k]) / 2 > kFloorStray) return std::nullopt;
        mid[k] = float(c.Horizon[k] * (p.FloorLow[k] + p.FloorHigh[k]) / 2);
    }
    return mid;
}

int drawSkyDome(const TexturedSkyDome& sky, const GLNameOfSlot& glName, bool behindGround, double lowestElevation,
                bool plain, const std::function<double()>& groundTop, std::span<const std::array<int, 4>> boxes,
                bool floorCleared) {
    const SkyColours c = sky.getSkyColours();
    // Outside a cockpit's slice of the depths the depth buffer holds the ground alone: rings wholly
    // above the ground's top, and above the horizon, where a facet bulges no lower than its lower
    // edge, are drawn without the depth test, which could turn none of their fragments away.
    constexpr double kTopMargin = 0.01;  // radians, some pixels
    double untestedFrom = std::numeric_limits<double>::infinity();
    if (behindGround && !plain && groundTop) {
        GLfloat range[2] = {0, 1};
        glGetFloatv(GL_DEPTH_RANGE, range);
        if (range[0] == 0.0f) untestedFrom = std::max(groundTop(), 0.0) + kTopMargin;
    }
    int untestedRings = 0;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT |
                 GL_VIEWPORT_BIT);
    // Not in the plain drawing: a ring no longer clipped at the window's edge may read a level apart.
    WidenedView wide;
    if (!plain) wide.widen();
    if (behindGround) {
        // Every fragment at depth 1 passes only where the depth is still the cleared 1.
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
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const uint32_t texture = glName(sky.SkyTextureSlot);
    bindSoftPicture(texture);
    // The dome's colours carry no alpha and an RGB picture's reads one: an alpha test that passes
    // one turns no fragment away, and left on it makes the rasteriser shade every fragment before
    // testing its depth.
    if (!plain && glIsEnabled(GL_ALPHA_TEST)) {
        GLint func = GL_ALWAYS, alphaBits = 1;
        GLfloat ref = 0;
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        const bool passesOne = func == GL_ALWAYS || (func == GL_GREATER && ref < 1.0f) || (func == GL_GEQUAL && ref <= 1.0f);
        if (alphaBits == 0 && passesOne) glDisable(GL_ALPHA_TEST);
    }
    // Where every texel of the picture's first level spans more than a pixel, the GL magnifies that
    // level whatever the mip levels: there the picture is read without them, and the rasteriser
    // skips working out a level for each pixel. Low in the sky its texels are wide; towards the
    // zenith their columns close up.
    GLint mipFilter = 0, magFilter = 0, width = 0, height = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &mipFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    const bool mipmapped = !plain && mipFilter != GL_LINEAR && mipFilter != GL_NEAREST;
    const double pixel = widestPixel() * kPixelMargin;
    GLint filter = mipFilter;
    const auto useFilter = [&filter](GLint f) {
        if (f != filter) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter = f);
    };

    // Rings from 20 deg below the horizon to the zenith; below the horizon the horizon colour holds.
    // The vertices hold while the colours and the lowest elevation do: made once, then sent as
    // arrays, one draw per run of rings read with one filter.
    DomeVertices& dome = domeVertices(c, lowestElevation);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glClientActiveTexture(GL_TEXTURE0);
    glInterleavedArrays(GL_T2F_C3F_V3F, 0, dome.Vertices.data());
    // Each ring's quads that can reach the drawn window, as runs of its strip; a run starts at an
    // even vertex, so its triangles keep the order of their corners.
    std::array<GLint, kDomeRings * kDomeSegments / 2 + kDomeRings> firsts{};
    std::array<GLsizei, kDomeRings * kDomeSegments / 2 + kDomeRings> counts{};
    int runs = 0;
    const auto drawRun = [&] {
        if (runs > 0) glMultiDrawArrays(GL_TRIANGLE_STRIP, firsts.data(), counts.data(), runs);
        runs = 0;
    };
    std::array<int, kDomeSegments + 1> sides{};  // per pair of corners of a ring: the sides both lie outside
    std::array<bool, kDomeSegments> left{};      // per quad of a ring: not sent
    const Vector3& s = sky.getSunVector();
    const bool sun = s[1] > -0.05 && (c.Sun[0] + c.Sun[1] + c.Sun[2]) > 0.01f;
    // Rings in runs read alike (depth test, filter), each run under every box in turn: the facets
    // meet edge to edge and write no depth, so the order they are drawn in leaves every pixel as it is.
    // Every corner's clip coordinates, the same under every box.
    std::vector<std::array<double, 4>>& clips = dome.Clips;
    {
        const DrawnWindow window;
        clips.resize(dome.Vertices.size() / 8);
        for (size_t v = 0; v < clips.size(); ++v) clips[v] = window.clip(&dome.Vertices[v * 8 + 5]);
    }
    const auto sendRings = [&](int r0, int r1) {
        forEachScissorBox(boxes, [&](size_t) {
            const DrawnWindow window;
            for (int r = r0; r < r1; ++r) {
                if (dome.Counts[r] == 0 || (floorCleared && dome.High[r] <= 0)) continue;
                const std::array<double, 4>* corners = &clips[size_t(dome.Firsts[r])];
                int all = ~0;
                for (int k = 0; k <= kDomeSegments; ++k) {
                    sides[size_t(k)] = window.outside(corners[2 * k]) & window.outside(corners[2 * k + 1]);
                    all &= sides[size_t(k)];
                }
                if (all) continue;  // the whole ring lies outside one side
                for (int k = 0; k < kDomeSegments; ++k) left[size_t(k)] = (sides[size_t(k)] & sides[size_t(k + 1)]) != 0;
                for (int k = 0; k < kDomeSegments;) {
                    if (left[size_t(k)]) {
                        ++k;
                        continue;
                    }
                    int end = k + 1;
                    while (end < kDomeSegments && !left[size_t(end)]) ++end;
                    firsts[size_t(runs)] = dome.Firsts[r] + 2 * k, counts[size_t(runs)] = 2 * (end - k + 1);
                    ++runs;
                    k = end;
                }
            }
            drawRun();
        });
    };
    int from = 0;
    for (int r = 0; r < kDomeRings; ++r) {
        if (dome.Counts[r] == 0) {
            from += from == r;
            continue;
        }
        if (behindGround && dome.Low[r] >= untestedFrom && glIsEnabled(GL_DEPTH_TEST)) {
            sendRings(from, r), from = r;
            glDisable(GL_DEPTH_TEST);
        }
        untestedRings += !glIsEnabled(GL_DEPTH_TEST) && behindGround;
        if (mipmapped && magFilter == GL_LINEAR && width > 0 && height > 0) {
            // The picture wraps four times round (s) and spans horizon to zenith once (t).
            const double across = 2 * kPi / (4.0 * width) * std::min(std::cos(dome.Low[r]), std::cos(dome.High[r]));
            const double up = (kPi / 2) / height;
            const GLint f = pixel <= std::min(across, up) ? GL_LINEAR : mipFilter;
            if (f != filter) sendRings(from, r), from = r;
            useFilter(f);
        }
    }
    sendRings(from, kDomeRings);
    if (!dome.Vertices.empty()) {
        // What the last vertex leaves current, as when the rings were sent point by point.
        const float* last = &dome.Vertices[dome.Vertices.size() - 8];
        glTexCoord2f(last[0], last[1]);
        glColor3f(last[2], last[3], last[4]);
    }
    useFilter(mipFilter);
    if (behindGround) glEnable(GL_DEPTH_TEST);  // the sun may lie low, over the ground
    // The sun: a glow added onto the sky.
    if (sun) {
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
            // Sent only where it can reach the box: all its corners outside one side, it lights nothing there.
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
    glPopClientAttrib();
    wide.restore();
    glPopAttrib();
    return untestedRings;
}

}  // namespace pellam::worlddraw
