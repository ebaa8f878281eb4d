#pragma once
// The pictures renderart makes, each from fixed seeds so every build writes the same files.
#include "Paint.h"
#include "platform/PngImage.h"

namespace renderart {

struct Fonts {
    Font sansBold{fontPath("DejaVuSans-Bold.ttf")};
    Font serif{fontPath("DejaVuSerif.ttf")};
    Font serifBold{fontPath("DejaVuSerif-Bold.ttf")};
    bool ok() const { return sansBold.ok() && serif.ok() && serifBold.ok(); }
};

// 256 x 256, the 16 x 8 glyph grid.
platform::RGBAImage makeFontImage(const Font& font);
// 1024 x 1024 loading-screen pictures: the picture, two label frames and the marker in their regions.
platform::RGBAImage makeLoadingPicture(const Fonts& fonts);  // the game's own, "pellamlogoM"
platform::RGBAImage makeStartUpLogo(const Fonts& fonts);     // shown until the game's is loaded, "TandorlogoM"
// 16 x 16 ball cursor, hot spot (7, 7).
platform::RGBAImage makeBallCursor();

}  // namespace renderart
