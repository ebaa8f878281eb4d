#pragma once
// The bits of a polygon's DrawHints (core/GeometryRecords.h): set by the models that build the
// polygons and by objects that hide or show them, read by the object drawer and the transparent pass.
#include <cstdint>

namespace pellam {

enum DrawHint : int32_t {
    kTransparent = 0x1,  // queued for the transparent pass
    kSkip = 0x2,         // not drawn
    kNoCull = 0x4,
    kNoFog = 0x8,
    kUnlit = 0x10,
    kFlatNormal = 0x20,  // smoke quads: one normal for the whole quad
    kLEqual = 0x100,
    kAlways = 0x200,     // depth test always passes
    kOffset = 0x1000,    // polygon offset
    kUntextured = 0x2000,
};

}  // namespace pellam
