#pragma once
// The trucks and tanks drawn through the view's object drawer.

namespace pellam::vehicles {

// Installs the drawing of the ground vehicles; until then they draw nothing.
void useVehicleDrawing();

}  // namespace pellam::vehicles
