#include "objects/ArmedObjects.h"

#include "objects/ArmedDrawingHooks.h"
#include "objects/Balloon.h"
#include "objects/GunPit.h"

namespace pellam::armed {
namespace {

const DrawingHooks* installed = nullptr;

// Whether the gunner fires is set before the balloon is built: building never changes it.
template <typename T>
std::unique_ptr<ZephModel> balloon(bool canShoot) {
    auto b = std::make_unique<T>();
    b->setCanShoot(canShoot);
    return b;
}

}  // namespace

void setDrawingHooks(const DrawingHooks* hooks) { installed = hooks; }
const DrawingHooks* drawingHooks() { return installed; }

std::unique_ptr<ZephModel> createArmedBalloon() { return balloon<BalloonWWI>(true); }
std::unique_ptr<ZephModel> createArmedBalloonA() { return balloon<BalloonAWWI>(true); }
std::unique_ptr<ZephModel> createFlakGun() { return std::make_unique<AAAGunWWI>(); }
std::unique_ptr<ZephModel> createUnarmedBalloon() { return balloon<BalloonWWI>(false); }
std::unique_ptr<ZephModel> createUnarmedBalloonA() { return balloon<BalloonAWWI>(false); }
std::unique_ptr<ZephModel> createMachineGunPost() { return std::make_unique<AAAMachineGunWWI>(); }

}  // namespace pellam::armed
