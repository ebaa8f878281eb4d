#include "world/draw/PictureLevels.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace pellam::worlddraw {

LevelColours levelColoursOf(const uint8_t* rgb, size_t texels) {
    LevelColours out;
    if (texels == 0) return out;
    std::array<uint64_t, 3> sum{};
    out.Least = {255, 255, 255};
    for (size_t k = 0; k < texels; ++k)
        for (size_t c = 0; c < 3; ++c) {
            const uint8_t v = rgb[3 * k + c];
            sum[c] += v;
            out.Least[c] = std::min(out.Least[c], v);
            out.Most[c] = std::max(out.Most[c], v);
        }
    for (size_t c = 0; c < 3; ++c) out.Mean[c] = double(sum[c]) / double(texels);
    return out;
}

int flatFrom(const std::vector<LevelColours>& levels, const std::array<double, 3>& colour,
             const std::array<float, 3>& tint, double bound) {
    int from = int(levels.size());
    while (from > 0) {
        const LevelColours& l = levels[size_t(from - 1)];
        bool flat = true;
        for (size_t c = 0; c < 3 && flat; ++c) {
            const double off = std::max(l.Most[c] - colour[c], colour[c] - l.Least[c]);
            flat = tint[c] >= 0.0f && off * tint[c] <= bound;
        }
        if (!flat) break;
        --from;
    }
    return from;
}

std::vector<std::vector<uint8_t>> readLevels(uint32_t texture, uint32_t format, int last) {
    std::vector<std::vector<uint8_t>> levels;
    const size_t bytes = format == GL_ALPHA ? 1 : format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 0;
    if (texture == 0 || bytes == 0) return levels;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint align = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &align);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0; level <= (last < 0 ? 15 : last); ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w <= 0 || h <= 0) break;
        levels.emplace_back(size_t(w) * size_t(h) * bytes);
        glGetTexImage(GL_TEXTURE_2D, level, GLenum(format), GL_UNSIGNED_BYTE, levels.back().data());
    }
    glPixelStorei(GL_PACK_ALIGNMENT, align);
    return levels;
}

std::vector<LevelColours> readLevelColours(uint32_t texture, int last) {
    if (last < 0) return {};
    const std::vector<std::vector<uint8_t>> texels = readLevels(texture, GL_RGB, last);
    if (texels.size() != size_t(last) + 1) return {};
    std::vector<LevelColours> levels;
    for (const auto& level : texels) levels.push_back(levelColoursOf(level.data(), level.size() / 3));
    return levels;
}

}  // namespace pellam::worlddraw
