#include "render/TextureTable.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace pellam::render {

TextureFormat formatForName(const std::string& name, bool special, int depth) {
    TextureFormat f;
    const unsigned char c = name.empty() ? 0 : static_cast<unsigned char>(name.back());
    bool r3g3b2 = false;
    if (special) {
        f.index = 12;
    } else if (c >= 0x40 && c <= 0x4F) {
        f.index = c & 15;
    } else if (c >= 'P' && c <= 'S') {
        r3g3b2 = true;
        f.index = 12 - 4 * (c - 'P');  // P 12, Q 8, R 4, S 0
    }
    if (r3g3b2) {
        f.internal = GL_R3_G3_B2;
    } else {
        switch (f.index & 3) {
            case 0: f.internal = depth == 10 ? GL_RGB8 : GL_RGB5; break;
            case 1: f.internal = depth == 10 ? GL_RGBA8 : GL_RGB5_A1; break;
            case 2: f.internal = GL_RGBA4; break;
            default: f.internal = GL_RGBA2; break;
        }
    }
    f.rgbOnly = f.internal == GL_RGB5 || f.internal == GL_RGB8 || f.internal == GL_R3_G3_B2;
    f.masked = f.internal == GL_RGBA4 || f.internal == GL_RGBA2;
    f.keyed = f.internal == GL_RGB5_A1 || f.internal == GL_RGBA8;
    return f;
}

std::string textureName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TexturePicture pictureFromImage(const platform::RGBAImage& image) {
    TexturePicture p;
    p.edge = image.width;
    p.rgba.resize(size_t(p.edge) * p.edge * 4);
    for (int y = 0; y < p.edge; ++y) {
        const uint8_t* src = &image.pixels[size_t(p.edge - 1 - y) * p.edge * 4];
        uint8_t* dst = p.at(0, y);
        for (int x = 0; x < p.edge; ++x) {
            dst[4 * x + 0] = src[4 * x + 0];
            dst[4 * x + 1] = src[4 * x + 1];
            dst[4 * x + 2] = src[4 * x + 2];
            dst[4 * x + 3] = 255;
        }
    }
    return p;
}

bool applyMask(TexturePicture& picture, const platform::RGBAImage& mask) {
    if (mask.width != picture.edge || mask.height != picture.edge) return false;
    for (int y = 0; y < picture.edge; ++y) {
        const uint8_t* src = &mask.pixels[size_t(picture.edge - 1 - y) * picture.edge * 4];
        for (int x = 0; x < picture.edge; ++x) picture.at(x, y)[3] = src[4 * x];
    }
    return true;
}

void applyColourKey(TexturePicture& picture) {
    if (picture.edge <= 0) return;
    // The picture's top-left texel is the last row of the upside-down buffer.
    const uint8_t* key = picture.at(0, picture.edge - 1);
    const uint8_t r = key[0], g = key[1], b = key[2];
    for (size_t i = 0; i < picture.rgba.size(); i += 4) {
        uint8_t* p = &picture.rgba[i];
        if (p[0] == r && p[1] == g && p[2] == b) p[0] = p[1] = p[2] = p[3] = 0;
    }
}

void resizePicture(TexturePicture& picture, int finalEdge) {
    finalEdge = std::clamp(finalEdge, 1, 1024);
    while (finalEdge < picture.edge) {
        const int n = picture.edge / 2;
        TexturePicture half;
        half.edge = n;
        half.rgba.resize(size_t(n) * n * 4);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const uint8_t* p00 = picture.at(2 * x, 2 * y);
                const uint8_t* p01 = picture.at(2 * x + 1, 2 * y);
                const uint8_t* p10 = picture.at(2 * x, 2 * y + 1);
                const uint8_t* p11 = picture.at(2 * x + 1, 2 * y + 1);
                // Transparent texels lend their place to the block's first texel, so colour keyed
                // black does not bleed into the edges of what remains.
                const uint8_t* q01 = p01[3] ? p01 : p00;
                const uint8_t* q10 = p10[3] ? p10 : p00;
                const uint8_t* q11 = p11[3] ? p11 : p00;
                uint8_t* d = half.at(x, y);
                for (int c = 0; c < 3; ++c) d[c] = uint8_t((p00[c] + q01[c] + q10[c] + q11[c]) >> 2);
                d[3] = uint8_t((p00[3] + p11[3]) >> 1);
            }
        picture = std::move(half);
    }
    while (picture.edge < finalEdge) {
        const int n = picture.edge * 2;
        TexturePicture twice;
        twice.edge = n;
        twice.rgba.resize(size_t(n) * n * 4);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) std::copy_n(picture.at(x / 2, y / 2), 4, twice.at(x, y));
        picture = std::move(twice);
    }
}

int levelStep(const TexturePicture& fine, const TexturePicture& coarse, bool clamped) {
    // Read linearly, each level is bilinear between its texels' centres, so the two reads' difference
    // is bilinear wherever neither crosses a centre line: on the cells of half a fine texel. There it
    // is largest at a corner: the half-texel points are all there is to compare. At them every
    // weight is a whole number of quarters, so the reads are summed in sixteenths, row by row.
    const int n = fine.edge, m = coarse.edge;
    if (n < 2 || m * 2 != n || n > kLargestStepEdge) return 255;
    const int points = 2 * n + 1;  // fine texel coordinates 0, 1/2, ..., n
    struct Tap {
        int I0, I1, W0, W1;  // texels along the axis and their weights in quarters
    };
    const auto index = [clamped](int i, int edge) {
        return clamped ? std::clamp(i, 0, edge - 1) : ((i % edge) + edge) % edge;
    };
    const size_t count = size_t(points);
    std::vector<Tap> fineTaps(count), coarseTaps(count);
    for (int a = 0; a < points; ++a) {
        // Fine: at (a - 1) / 2 texels past the first centre; coarse: at (a - 2) / 4.
        const int i = a % 2 ? (a - 1) / 2 : a / 2 - 1;
        fineTaps[size_t(a)] = a % 2 ? Tap{index(i, n), index(i, n), 4, 0} : Tap{index(i, n), index(i + 1, n), 2, 2};
        const int q = a - 2, j = q >= 0 ? q / 4 : -((3 - q) / 4), r = q - 4 * j;
        coarseTaps[size_t(a)] = Tap{index(j, m), index(j + 1, m), 4 - r, r};
    }
    // Each texel row read across at every point, in quarters.
    const auto across = [points](const TexturePicture& p, const std::vector<Tap>& taps) {
        std::vector<int> out(size_t(p.edge) * size_t(points) * 3);
        for (int y = 0; y < p.edge; ++y)
            for (int a = 0; a < points; ++a) {
                const Tap& t = taps[size_t(a)];
                const uint8_t* row = &p.rgba[size_t(y) * size_t(p.edge) * 4];
                for (size_t c = 0; c < 3; ++c)
                    out[(size_t(y) * size_t(points) + size_t(a)) * 3 + c] =
                        t.W0 * row[size_t(t.I0) * 4 + c] + t.W1 * row[size_t(t.I1) * 4 + c];
            }
        return out;
    };
    const std::vector<int> fineRows = across(fine, fineTaps), coarseRows = across(coarse, coarseTaps);
    int most = 0;
    for (int b = 0; b < points; ++b) {
        const Tap &f = fineTaps[size_t(b)], &g = coarseTaps[size_t(b)];
        const int* f0 = &fineRows[size_t(f.I0) * size_t(points) * 3];
        const int* f1 = &fineRows[size_t(f.I1) * size_t(points) * 3];
        const int* g0 = &coarseRows[size_t(g.I0) * size_t(points) * 3];
        const int* g1 = &coarseRows[size_t(g.I1) * size_t(points) * 3];
        for (size_t k = 0; k < size_t(points) * 3; ++k)
            most = std::max(most, std::abs(f.W0 * f0[k] + f.W1 * f1[k] - g.W0 * g0[k] - g.W1 * g1[k]));
    }
    return (most + 15) / 16;
}

bool isTextureEdge(int n) { return n >= 32 && n <= 1024 && (n & (n - 1)) == 0; }

TexturePicture missingPicture() {
    TexturePicture p;
    p.edge = 64;
    p.rgba.resize(64 * 64 * 4);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* t = p.at(x, y);
            const bool frame = x < 2 || y < 2 || x > 61 || y > 61;
            const bool magenta = ((x / 8) + (y / 8)) % 2 == 0;
            t[0] = frame ? 255 : magenta ? 255 : 0;
            t[1] = frame ? 220 : 0;
            t[2] = frame ? 0 : magenta ? 255 : 0;
            t[3] = 255;
        }
    return p;
}

}  // namespace pellam::render
