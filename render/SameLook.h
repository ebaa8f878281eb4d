#pragma once
// Whether a polygon is drawn in the state setPolygonState left for another: asked of every
// polygon a run may take, so kept inline where the runs are gathered and held.
#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {

[[gnu::always_inline]] inline bool MyZephGLView::sameLook(const OnePolygonVer2& a, const OnePolygonVer2& b,
                                                         const ObjectPointsPolysVer2& g) {
    // What setPolygonState reads: the hints, the bound picture, the material when lit, the
    // polygon's colour when it is the emission (untextured) or the colour (unlit). Asked of every
    // polygon a batch may take: the same picture and material numbers answer at once.
    const int32_t h = a.DrawHints;
    if (b.DrawHints != h) return false;
    const bool numbersAlike = a.MapNumber == b.MapNumber && a.MaterialLightDataOffset == b.MaterialLightDataOffset;
    if (numbersAlike && !(h & (kUntextured | kUnlit))) return true;
    if (!(h & kUntextured) && pictureSlot(a, g) != pictureSlot(b, g)) return false;
    if (!(h & kUnlit) && materialIndex(a) != materialIndex(b)) return false;
    if ((h & (kUntextured | kUnlit)) && a.PolyColor != b.PolyColor) return false;
    return true;
}

}  // namespace pellam::render
