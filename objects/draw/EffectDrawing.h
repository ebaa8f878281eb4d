#pragma once
// The effect objects drawn through the view's object drawer: the debris mesh, the explosion
// sprites facing the eye, the bombs and their marks, and the trees round the eye.

namespace pellam::effects {

// Installs the drawing of the effect objects; until then they draw nothing.
void useEffectDrawing();

}  // namespace pellam::effects
