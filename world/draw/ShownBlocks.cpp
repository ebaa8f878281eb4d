#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// The squares within reach in blocks of 8 x 8: a block wholly out of reach or out of view is passed
// over whole, and one that lies inside some of the view's planes tests its squares against the
// others alone. Only squares that could show no pixel are passed over.
// SAVING_BLOCKS8
#include <algorithm>
#include <limits>

#include "world/draw/TerrainParts.h"

namespace pellam::worlddraw {

void TerrainDrawer::markShownBlocks(const RIDUdidav& t, const Eye& eye, int i0, int i1, int j0, int j1, double reach,
                                    const ViewFrustum& frustum, float& lowest) {
    const int across = (i1 - i0) / kBlock + 1, down = (j1 - j0) / kBlock + 1;
    BlockShown.assign(size_t(across) * size_t(down), kBlockShows | ViewFrustum::kAllPlanes);
    for (int bj = 0; bj < down; ++bj)
        for (int bi = 0; bi < across; ++bi) {
            const int si0 = i0 + bi * kBlock, si1 = std::min(si0 + kBlock - 1, i1);
            const int sj0 = j0 + bj * kBlock, sj1 = std::min(sj0 + kBlock - 1, j1);
            const double x0 = si0 * kSquareFeet - eye.X, x1 = (si1 + 1) * kSquareFeet - eye.X;
            const double z0 = sj0 * kSquareFeet - eye.Z, z1 = (sj1 + 1) * kSquareFeet - eye.Z;
            const double nx = std::max({x0, -x1, 0.0}), nz = std::max({z0, -z1, 0.0});
            uint8_t& shown = BlockShown[size_t(bj) * across + bi];
            if (nx * nx + nz * nz > reach * reach) {
                shown = 0;  // no square within reach
                continue;
            }
            const double fx = std::max(std::abs(x0), std::abs(x1)), fz = std::max(std::abs(z0), std::abs(z1));
            const bool whole = !(fx * fx + fz * fz > reach * reach);
            float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
            for (int pj = sj0; pj <= sj1 + 1; ++pj)
                for (int pi = si0; pi <= si1 + 1; ++pi) {
                    const float h = t.postFeet(pi, pj);
                    low = std::min(low, h), high = std::max(high, h);
                }
            if (whole) {
                // Every square within reach: the block's lowest post counts; and when its box is out
                // of view, so is each square's.
                lowest = std::min(lowest, low);
                shown = !frustum.mayShow(x0, low - eye.Y, z0, x1, high - eye.Y, z1)
                            ? 0
                            : kBlockShows | frustum.cuttingPlanes(x0, low - eye.Y, z0, x1, high - eye.Y, z1);
            } else {
                // Partly out of reach: its squares decide one by one, against the planes that cut it.
                shown = kBlockShows | frustum.cuttingPlanes(x0, low - eye.Y, z0, x1, high - eye.Y, z1);
            }
            if (shown && ClearsBlocksWhole && frustum.wellInside(x0, low - eye.Y, z0, x1, high - eye.Y, z1, kInsideShare, ClipReach))
                shown |= kBlockUnclipped;
        }
}

}  // namespace pellam::worlddraw
