#pragma once
// Constants the simulation, the models and the tools share; one definition each, so that every
// result built on them agrees.
namespace pellam {

// To 15 places, as the models, the sky and the terrain pictures were built: the last places of the
// exact value move some of their points.
inline constexpr double kPi = 3.14159265358979;
// Gravity's pull on every falling thing (aircraft, bullets, bombs, vehicles): 32.16 ft/s^2 at 60 ticks a second.
inline constexpr double kGravity = 0.008933333;  // ft/tick^2

}  // namespace pellam
