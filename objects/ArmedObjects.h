#pragma once
// The armed ground units as the object factory makes them from a mission's codes: each creator
// answers a new object of its code's class, with what its code asks already set (the balloon
// gunner armed or not); the factory then builds it for its view (initWithGLView), appends and
// places it like any other row.
#include <memory>

#include "core/ZephModel.h"

namespace pellam::armed {

std::unique_ptr<ZephModel> createArmedBalloon();     // 61: BalloonWWI, its gunner fires
std::unique_ptr<ZephModel> createArmedBalloonA();    // 62: BalloonAWWI, its gunner fires
std::unique_ptr<ZephModel> createFlakGun();          // 65: AAAGunWWI
std::unique_ptr<ZephModel> createUnarmedBalloon();   // 66: BalloonWWI, no gunner
std::unique_ptr<ZephModel> createUnarmedBalloonA();  // 67: BalloonAWWI, no gunner
std::unique_ptr<ZephModel> createMachineGunPost();   // 74: AAAMachineGunWWI

}  // namespace pellam::armed
