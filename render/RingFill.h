#pragma once
// A flat ring of quads (the propeller's blur seen from the seat) drawn as the convex polygon its
// outer edge bounds: where whatever lies in the ring's hole is hidden by nearer parts, the hole's
// fragments fail the depth test either way, and the GL walks a score of fat triangles with few edges
// across the view instead of twice as many thin wedges, each edge of them lined with part-covered
// blocks shaded whole.
// The picture stays the same where the hole is hidden (the drawer checks that first).
// Saving: not yet measured.
#include <cstdint>
#include <vector>

#include "core/GeometryRecords.h"

namespace pellam::render {

struct RingOutline {
    std::vector<uint16_t> Outer;  // point numbers round the outer edge, in order
    std::vector<uint16_t> Inner;  // round the hole, in the same order
};

// Whether the quads in `items` (four point numbers each, as GL_QUADS takes them) tile a flat ring
// round one centre: each quad spans a wedge between two rays from the centre, a point of its hole
// edge and of its outer edge on each ray, and the wedges go once round, side by side, the outer edge
// convex. Then `ring` holds both edges. Points meeting within a hundred-thousandth of the ring's
// size count as one.
bool findRing(const GLT2FN3FV3FFormat* points, const std::vector<uint16_t>& items, RingOutline& ring);

// Triangles (three point numbers each, wound as `loop` runs) that fill the convex `loop`: ears cut
// off round the edge first, then ears of what is left, so that only a few long edges cross the
// middle of the polygon.
void fillConvex(const std::vector<uint16_t>& loop, std::vector<uint16_t>& triangles);

}  // namespace pellam::render
