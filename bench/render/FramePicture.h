#pragma once
// What the frame benchmarks share: timing the view's frames, and writing the next frame the view
// draws to a PNG file, rows top to bottom.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/PngImage.h"
#include "render/MyZephGLView.h"

namespace pellam {

inline void writeNextFrame(render::MyZephGLView& view, const std::string& png) {
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
    });
    view.drawRect({1, 0, 0, 1});
    view.setFrameObserver(nullptr);
    platform::writePng(png, image);
}

// Times one frame per iteration after a first frame that makes the textures resident and warms
// the caches; then writes a last frame to the file named by `pngVariable` when it is set.
inline void timeFrames(benchmark::State& state, render::MyZephGLView& view, const char* pngVariable) {
    view.drawRect({1, 0, 0, 1});
    for (auto _ : state) view.drawRect({1, 0, 0, 1});
    // The time column is milliseconds per frame; this is its inverse.
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    if (const char* png = std::getenv(pngVariable)) writeNextFrame(view, png);
}

}  // namespace pellam
