// The cockpit's transparent parts (the propeller's disc before the seat) read their picture's level
// 0 alone where no pixel of a run shrinks it: the level-0 sampler reads the same texels with the
// same weights as the mipmapped filter does where it magnifies, so the pixels are the same, and the
// rasteriser no longer works out a level of detail, and blends two levels' reads, for every pixel
// quad of a disc that spans half the view. The objects' queue keeps its filter: its runs are a few
// pixels across, and asking would cost more than it saves. In the real game's opening fight
// (bench/game/raster_sites.sh) the disc's fragments cost 5.7 ns each, not 8.3: about 0.9 ms of
// rasteriser time a frame of its 300-400 K. In instructions a frame of the game frame benchmark
// (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 5.6, 2.0, 0, 5.1, 0 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "core/DrawHints.h"
#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {

bool MyZephGLView::readQueueLevelZero(const TransparentPolyVer2& e) {
    const OnePolygonVer2& p = *e.ThisPolygon;
    const int type = p.DefaultDrawType;
    if (!cockpitQueue_ || !queueLevelZero_ || exactDrawing_ || (p.DrawHints & kUntextured) ||
        (e.ObjectFlags & objectdraw::kColouredPoints) || (type != GL_QUADS && type != GL_TRIANGLES))
        return false;
    // A quad is filled as two triangles split along one diagonal or the other: both ways are asked.
    const std::vector<uint16_t>& run = transparentRun_;
    queueTriangles_.clear();
    if (type == GL_TRIANGLES) {
        queueTriangles_.assign(run.begin(), run.end() - long(run.size() % 3));
    } else {
        for (size_t k = 0; k + 3 < run.size(); k += 4) {
            const uint16_t a = run[k], b = run[k + 1], c = run[k + 2], d = run[k + 3];
            queueTriangles_.insert(queueTriangles_.end(), {a, b, c, a, c, d, a, b, d, b, c, d});
        }
    }
    if (queueTriangles_.empty() || !magnifiedThroughout(*e.Geometry, e.TheMap, queueTriangles_)) return false;
    const bool read = readNearestLevel(e.TheMap, false, true);
    queueRunsAtLevelZero_ += read;
    return read;
}

}  // namespace pellam::render
