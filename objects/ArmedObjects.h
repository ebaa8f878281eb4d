#pragma once
// The armed ground units as the object factory makes them from a mission's codes: each creator
// builds the object for `view` (initWithGLView) and sends what its code asks; the factory then
// appends and places it like any other row.
#include <memory>

#include "core/ZephModel.h"

namespace pellam::armed {

std::unique_ptr<ZephModel> createArmedBalloon(ViewServices* view);     // 61: BalloonWWI, gunner fires
std::unique_ptr<ZephModel> createArmedBalloonA(ViewServices* view);    // 62: BalloonAWWI, gunner fires
std::unique_ptr<ZephModel> createFlakGun(ViewServices* view);          // 65: AAAGunWWI
std::unique_ptr<ZephModel> createUnarmedBalloon(ViewServices* view);   // 66: BalloonWWI, no gunner
std::unique_ptr<ZephModel> createUnarmedBalloonA(ViewServices* view);  // 67: BalloonAWWI, no gunner
std::unique_ptr<ZephModel> createMachineGunPost(ViewServices* view);   // 74: AAAMachineGunWWI

}  // namespace pellam::armed
