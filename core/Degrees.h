#pragma once

namespace pellam {

// Degrees per radian, to the places every angle in the simulation and the views is converted with.
inline constexpr double kDeg = 57.29577951;

}  // namespace pellam
