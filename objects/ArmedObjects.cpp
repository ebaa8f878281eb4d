#include "objects/ArmedObjects.h"

#include "objects/ArmedDrawingHooks.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"

namespace pellam::armed {
namespace {

const DrawingHooks* installed = nullptr;

template <typename T>
std::unique_ptr<T> made(ViewServices* view) {
    auto object = std::make_unique<T>();
    object->initWithGLView(view);
    return object;
}

template <typename T>
std::unique_ptr<ZephModel> balloon(ViewServices* view, bool canShoot) {
    auto b = made<T>(view);
    b->setCanShoot(canShoot);
    return b;
}

}  // namespace

void setDrawingHooks(const DrawingHooks* hooks) { installed = hooks; }
const DrawingHooks* drawingHooks() { return installed; }

std::unique_ptr<ZephModel> createArmedBalloon(ViewServices* view) { return balloon<BalloonWWI>(view, true); }
std::unique_ptr<ZephModel> createArmedBalloonA(ViewServices* view) { return balloon<BalloonAWWI>(view, true); }
std::unique_ptr<ZephModel> createFlakGun(ViewServices* view) { return made<AAAGunWWI>(view); }
std::unique_ptr<ZephModel> createUnarmedBalloon(ViewServices* view) { return balloon<BalloonWWI>(view, false); }
std::unique_ptr<ZephModel> createUnarmedBalloonA(ViewServices* view) { return balloon<BalloonAWWI>(view, false); }
std::unique_ptr<ZephModel> createMachineGunPost(ViewServices* view) { return made<AAAMachineGunWWI>(view); }

}  // namespace pellam::armed
