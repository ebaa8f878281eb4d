// The cells of the screen the cockpit's transparent parts (the propeller's disc) can reach: the
// rectangles the queue is drawn under are cut only where it may show, so their few cuts go round
// the cockpit's parts in front of the disc, not round open sky it never reaches. A cell counts as
// reached where the window bounds of any queued polygon meet it, or everywhere once one reaches
// behind the eye; every pixel the GL fills of a polygon lies within its points' bounds, so the
// rectangles still hold every pixel drawn and the picture stays the same. Saves, in the real game's
// opening fight (bench/game/raster_sites.sh), SAVING_MS ms of rasteriser time a frame; in
// instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front,
// wreck_smoke): SAVING_M M.
#include <algorithm>
#include <cmath>

#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"
#include "world/draw/ScreenCover.h"

namespace pellam::render {
using namespace objectdraw;

void MyZephGLView::findQueueReach(const std::array<double, 16>& projection, const std::array<int, 4>& viewport) {
    constexpr int cell = worlddraw::ScreenCover::kCell;
    const int across = std::max((viewport[2] + cell - 1) / cell, 0), down = std::max((viewport[3] + cell - 1) / cell, 0);
    queueReach_.Viewport = viewport;
    queueReach_.Across = across;
    queueReach_.Cells.assign(size_t(across) * size_t(down), 0);
    const auto everywhere = [&] { std::fill(queueReach_.Cells.begin(), queueReach_.Cells.end(), uint8_t(1)); };
    if (!queueReaches_ || exactDrawing_) return everywhere();
    constexpr double kMargin = 1.0;  // px round a polygon's bounds, for the rasteriser's snapping
    const std::array<double, 16>& p = projection;
    for (int i = 0; i < Transparent_.count(); ++i) {
        const TransparentPolyVer2& e = Transparent_[i];
        if (!(e.ZDepth > TransparentQueue::kNever)) continue;  // never drawn
        const ObjectPointsPolysVer2& g = *e.Geometry;
        const uint16_t* run = g.RunItems + e.ThisPolygon->FirstItem;
        const int stride = (e.ObjectFlags & kColouredPoints) ? kColouredStride : kPlainStride;
        const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(stride);
        const std::array<float, 16>& m = e.TheFinalDrawMatrix;
        double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
        for (int k = 1; k <= run[0]; ++k) {
            const float* v = reinterpret_cast<const float*>(bytes + size_t(run[k]) * size_t(stride));
            std::array<double, 4> eye{};
            for (size_t r = 0; r < 4; ++r) eye[r] = m[r] * double(v[0]) + m[4 + r] * double(v[1]) + m[8 + r] * double(v[2]) + m[12 + r];
            std::array<double, 3> clip{};
            for (size_t r = 0; r < 2; ++r)
                clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
            const double w = p[3] * eye[0] + p[7] * eye[1] + p[11] * eye[2] + p[15] * eye[3];
            if (!(w > 1e-6)) return everywhere();  // at or behind the eye's plane: no bound on the window
            const double x = viewport[0] + (clip[0] / w + 1) * 0.5 * viewport[2];
            const double y = viewport[1] + (clip[1] / w + 1) * 0.5 * viewport[3];
            if (!std::isfinite(x) || !std::isfinite(y)) return everywhere();
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        if (!(x0 <= x1)) continue;  // no points
        const auto first = [&](double at, int origin, int count) {
            return int(std::clamp(std::floor((at - kMargin - origin) / cell), 0.0, double(count)));
        };
        const auto last = [&](double at, int origin, int count) {
            return int(std::clamp(std::floor((at + kMargin - origin) / cell), -1.0, double(count - 1)));
        };
        for (int j = first(y0, viewport[1], down), jEnd = last(y1, viewport[1], down); j <= jEnd; ++j)
            for (int c = first(x0, viewport[0], across), cEnd = last(x1, viewport[0], across); c <= cEnd; ++c)
                queueReach_.Cells[size_t(j) * size_t(across) + size_t(c)] = 1;
    }
}

}  // namespace pellam::render
