#pragma once
// The fixed head of the model array after the aircraft: the debris pool (10), the eight ground
// explosions (11..18), the bombs pool (19) and the ground clutter (20), made and put in place.
#include "core/Services.h"

namespace pellam {

// Makes the effect objects for `view` and puts them at their model indexes, each knowing the
// terrain (model index 1) and the controller. The mission start's debris sizes are set.
void placeEffectObjects(ModelArray& models, ViewServices* view, ControllerServices* controller);

}  // namespace pellam
