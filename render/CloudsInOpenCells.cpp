// The sprite clouds are drawn only within rectangles round the cells the cockpit's cover leaves
// open in front of the nearest of them: the upper wing spans the sky a cloud floats in, and a
// cloud behind it was shaded sprite over sprite, every fragment then thrown away by the depth
// test against the cover's depths, laid first. The scissor spares the rasteriser those blocks;
// what it leaves out the cover hides, so the pixels are the same. Each cloud's few quads are sent
// once under each rectangle. In the real game's opening fight a cloud lies behind the wing for
// about half the flight, and the fragments shaded there behind the cover fall from 300-570 K a
// frame to 50-160 K: the game's CPU a frame on 2 cores, nine pairs of runs alternated, 16.2 ms
// against 16.8.
// In instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): -0.1, -0.3, 0, 2.5, 0 M.
#include "render/MyZephGLView.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {

namespace {
constexpr int kMostRects = 8;
constexpr long kLeastCells = 20;  // for each rectangle added: about 5,000 px of sprites several deep
}  // namespace

const OpenRectangles* MyZephGLView::findCloudRectangles(const worlddraw::Eye& eye) {
    if (!behindCover_ || !cloudsInOpenCells_ || clouds_.empty()) return nullptr;
    const double nearest = worlddraw::nearestCloudDepth(clouds_.data(), clouds_.size(), eye);
    return findOpenBeyond(cloudRects_, nearest, kMostRects, kLeastCells);
}

}  // namespace pellam::render
