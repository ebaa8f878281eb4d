#include "objects/draw/VehicleDrawing.h"

#include "objects/GroundVehicle.h"
#include "render/ObjectDrawing.h"

namespace pellam::vehicles {

void useVehicleDrawing() {
    setVehicleDrawer([](TableModel& vehicle) {
        if (auto* view = dynamic_cast<render::ObjectDrawingView*>(vehicle.MainGLDrawer)) view->glNewDrawOneObject(&vehicle.ThisModel);
    });
}

}  // namespace pellam::vehicles
