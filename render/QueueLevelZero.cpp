// The cockpit's transparent parts (the propeller's disc before the seat) read their picture's level
// 0 alone where no pixel of a run shrinks it: the level-0 sampler reads the same texels with the
// same weights as the mipmapped filter does where it magnifies, so the pixels are the same, and the
// rasteriser no longer works out a level of detail, and blends two levels' reads, for every pixel
// quad of a disc that spans half the view. The objects' queue keeps its filter: its runs are a few
// pixels across, and asking would cost more than it saves. In the real game's opening fight
// (bench/game/raster_sites.sh) the disc's fragments cost 5.7 ns each, not 8.3: about 0.9 ms of
// rasteriser time a frame of its 300-400 K. In instructions a frame of the game frame benchmark
// (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 5.2, 2.1, 0, 5.7, 0 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "core/DrawHints.h"
#include "render/CockpitHidden.h"
#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {

bool MyZephGLView::readQueueLevelZero(const TransparentPolyVer2& e) {
    const OnePolygonVer2& p = *e.ThisPolygon;
    const int type = p.DefaultDrawType;
    if (!cockpitQueue_ || !queueLevelZero_ || exactDrawing_ || (p.DrawHints & kUntextured) ||
        (e.ObjectFlags & objectdraw::kColouredPoints) || (type != GL_QUADS && type != GL_TRIANGLES))
        return false;
    // The triangles the rasteriser fills, a quad cut along the diagonal it cuts.
    queueTriangles_.clear();
    eachTriangle(type, transparentRun_.data(), int(transparentRun_.size()),
                 [&](uint16_t a, uint16_t b, uint16_t c) { queueTriangles_.insert(queueTriangles_.end(), {a, b, c}); });
    if (queueTriangles_.empty() || !magnifiedThroughout(*e.Geometry, e.TheMap, queueTriangles_)) return false;
    const bool read = readNearestLevel(e.TheMap, false, true);
    queueRunsAtLevelZero_ += read;
    return read;
}

}  // namespace pellam::render
