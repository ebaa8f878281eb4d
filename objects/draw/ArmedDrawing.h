#pragma once
// The armed ground units drawn through the view: their records with turret and barrel matrices,
// and their gunners' tracer puffs and wreck fire one quad at a time.

namespace pellam::armed {

// Installs the drawing of the armed units; until then they draw nothing.
void useArmedDrawing();

}  // namespace pellam::armed
