#pragma once
// The rule a drawing shortcut keeps against the plain drawing of the same moment: at most 1 % of
// the pixels more than 16 levels apart in a colour, and none of those in the middle third of the
// picture, where the pilot aims.
#include <algorithm>
#include <cstdlib>

#include "platform/PngImage.h"

namespace pellam::testing {

struct PixelsApart {
    int count = 0, middle = 0;  // pixels more than 16 levels apart; those in the middle third
};

inline PixelsApart pixelsApart(const platform::RGBAImage& a, const platform::RGBAImage& b) {
    PixelsApart out;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const size_t i = (size_t(y) * a.width + x) * 4;
            int most = 0;
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a.pixels[i + c] - b.pixels[i + c]));
            if (most <= 16) continue;
            ++out.count;
            if (3 * x >= a.width && 3 * x < 2 * a.width && 3 * y >= a.height && 3 * y < 2 * a.height) ++out.middle;
        }
    return out;
}

// The most any colour channel of a pixel differs between two pictures of one size (levels).
inline int farthestApart(const platform::RGBAImage& a, const platform::RGBAImage& b) {
    int most = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        if (i % 4 != 3) most = std::max(most, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return most;
}

}  // namespace pellam::testing
