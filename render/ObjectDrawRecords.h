#pragma once
// What the object drawer's files share of the drawable records' layout: the object flags they
// read, the slots of the material cache, and where a point's position lies in either vertex layout.
#include <cstddef>
#include <cstdint>

#include "core/DrawHints.h"
#include "core/GeometryRecords.h"

namespace pellam::render::objectdraw {

enum Flag : int32_t { kHidden = 0x1, kAlwaysFull = 0x200, kColouredPoints = 0x20000 };
enum Cache { kAmR = 0, kAmG, kAmB, kDifR, kDifG, kDifB, kSpecR, kSpecG, kSpecB, kShinny };

// A vertex with a colour, as GL_T2F_C4F_N3F_V3F lays it out.
constexpr int kColouredStride = 48;
constexpr int kPlainStride = 32;
// Bytes into a point of either layout to its position, which closes both.
constexpr int positionIn(int stride) { return stride - 3 * int(sizeof(float)); }
static_assert(positionIn(kPlainStride) == offsetof(GLT2FN3FV3FFormat, X));

}  // namespace pellam::render::objectdraw
