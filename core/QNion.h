#pragma once
#include <array>

namespace pellam {

// An object's pose. Plain data, copied by value.
struct QNion {
    std::array<double, 3> Position{};                  // ft; X and Z horizontal, Y up
    std::array<double, 4> QAttitude{1.0, 0.0, 0.0, 0.0};  // unit quaternion w, x, y, z
};

using Vector3 = std::array<double, 3>;
using Quaternion = std::array<double, 4>;  // w, x, y, z
using Matrix4 = std::array<double, 16>;    // row-major: element [4 i + j] is row i, column j

}  // namespace pellam
