#pragma once
// The flyable aircraft's drawing library: call once before aircraft are made for a view.

namespace pellam::looks {

// Hands the flyable aircraft their drawing: records from the shared shapes, the moving parts,
// the hit flash, smoke and sounds.
void useAircraftDrawing();

}  // namespace pellam::looks
