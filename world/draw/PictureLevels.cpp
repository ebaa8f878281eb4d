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

std::vector<LevelColours> readLevelColours(uint32_t texture, int last) {
    std::vector<LevelColours> levels;
    if (texture == 0 || last < 0) return levels;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint align = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &align);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> texels;
    for (int level = 0; level <= last; ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w <= 0 || h <= 0) {
            levels.clear();
            break;
        }
        texels.assign(size_t(w) * size_t(h) * 3, 0);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        levels.push_back(levelColoursOf(texels.data(), size_t(w) * size_t(h)));
    }
    glPixelStorei(GL_PACK_ALIGNMENT, align);
    return levels;
}

}  // namespace pellam::worlddraw
