#include "objects/EffectObjects.h"

#include <memory>

#include "objects/AllBombs.h"
#include "objects/Debris.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"

namespace pellam {
namespace {

template <typename T>
ZephModel* place(ModelArray& models, long index, ViewServices* view, ControllerServices* controller) {
    auto object = std::make_unique<T>();
    object->setaController(controller);
    object->setTerrain(models.at(ModelArray::kTerrain));
    object->initWithGLView(view);
    return models.put(index, std::move(object));
}

}  // namespace

void placeEffectObjects(ModelArray& models, ViewServices* view, ControllerServices* controller) {
    place<Debris>(models, ModelArray::kDebris, view, controller)->setDebrisSizeMin(1.0, 3.0);
    for (long k = 0; k < 8; ++k) place<GroundExplosion>(models, ModelArray::kFirstExplosion + k, view, controller);
    place<AllBombs>(models, ModelArray::kBombs, view, controller);
    place<GroundClutter>(models, ModelArray::kGroundClutter, view, controller);
}

}  // namespace pellam

namespace pellam::effects {
namespace {
const DrawingHooks* installed = nullptr;
}  // namespace

void setDrawingHooks(const DrawingHooks* hooks) { installed = hooks; }
const DrawingHooks* drawingHooks() { return installed; }

}  // namespace pellam::effects
