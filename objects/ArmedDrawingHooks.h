#pragma once
// How the armed ground units reach their view, installed by the drawing library (objects/draw);
// without it they keep their state and draw nothing.
#include <cstdint>

#include "core/TableModel.h"
#include "objects/GroundGunner.h"

namespace pellam::armed {

struct DrawingHooks {
    // The object's record now, with its matrices and polygon edits as they stand.
    void (*object)(TableModel& owner);
    // Both rings of the owner's gunner, each sprite one quad; `wreck` draws the fire ring too.
    void (*gunnerSmokes)(TableModel& owner, GroundGunner& gunner, int32_t t, bool wreck);
    // Corner offsets of a 2 x 2 square facing the eye round `centre` (world ft), as MyX..MyZ.
    bool (*facingSquare)(TableModel& owner, const double* centre, XYZInput* four);
};
void setDrawingHooks(const DrawingHooks* hooks);
const DrawingHooks* drawingHooks();

// The owner's gunner smokes through the installed hooks; nothing without them.
inline void drawGunnerSmokes(TableModel& owner, GroundGunner& gunner, int32_t t, bool wreck) {
    if (const DrawingHooks* hooks = drawingHooks()) hooks->gunnerSmokes(owner, gunner, t, wreck);
}

}  // namespace pellam::armed
