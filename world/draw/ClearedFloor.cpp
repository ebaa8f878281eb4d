// The dome below the horizon, where every ring shows the horizon's colour times the picture's row
// along it, is left to the colour buffer's clear: when that row strays from one colour by no more
// than the rounding of the drawn colour, the frame clears to that colour and the rings below the
// horizon are not sent (see RingRuns in SkyDome.cpp). Every pixel there takes the colour the rings
// would have drawn, to the level. Saving in instructions a frame: not yet measured.
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

}  // namespace pellam::worlddraw
