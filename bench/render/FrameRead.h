#pragma once
// The next frame a view draws, read back from the GL.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/PngImage.h"
#include "render/MyZephGLView.h"

namespace pellam {

// The frame the view draws within `draw`, rows top to bottom (by default the view's own redraw);
// and, given `sky`, one byte a pixel in the same order: 1 where the depths are left at their far
// end, as the sky leaves them, and nothing else drew.
inline platform::RGBAImage readNextFrame(render::MyZephGLView& view, const std::function<void()>& draw = {},
                                         std::vector<uint8_t>* sky = nullptr) {
    platform::RGBAImage image;
    view.setFrameObserver([&] {
        int w = 0, h = 0;
        view.getGLWindow()->drawableSize(w, h);
        image.width = w;
        image.height = h;
        std::vector<uint8_t> rows(size_t(w) * h * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        image.pixels.resize(rows.size());
        for (int y = 0; y < h; ++y)
            std::copy_n(&rows[size_t(h - 1 - y) * w * 4], size_t(w) * 4, &image.pixels[size_t(y) * w * 4]);
        if (!sky) return;
        std::vector<float> depths(size_t(w) * h);
        glReadPixels(0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
        sky->resize(depths.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) (*sky)[size_t(y) * w + x] = depths[size_t(h - 1 - y) * w + x] >= 1.0f;
    });
    if (draw)
        draw();
    else
        view.drawRect({1, 0, 0, 1});
    view.setFrameObserver(nullptr);
    return image;
}

}  // namespace pellam
