#pragma once
// The effect objects drawn through the view's object drawer: the debris mesh, the explosion
// sprites facing the eye, the bombs and their marks, and the trees round the eye.

namespace pellam::effects {

// Installs the drawing of the effect objects; until then they draw nothing.
void useEffectDrawing();
// Whether an explosion's sprites are drawn only in the cells of the window where they can change a
// pixel, when the view allows shortcuts (on until switched off): a switch to compare pictures by.
void setCutHiddenSprites(bool on);
// Whether a sprite within the reach where the fog moves no colour is drawn without the fog (on
// until switched off).
void setUnfogsFaintSprites(bool on);

}  // namespace pellam::effects
