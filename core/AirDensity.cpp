// Air density by height, slugs per cubic foot: a table every object carries.
#include <algorithm>
#include <cmath>

#include "core/ZephModel.h"

namespace pellam {
namespace {

// Entries 0..62: -1,000 ft to 30,000 ft in 500-ft steps.
constexpr double kDensityTo30000[63] = {
    0.002447, 0.002412, 0.002377, 0.002342, 0.002308, 0.002274, 0.002241, 0.002208, 0.002175, 0.002143,
    0.002111, 0.002079, 0.002048, 0.002017, 0.001987, 0.001957, 0.001927, 0.001898, 0.001868, 0.00184,
    0.001811, 0.001783, 0.001756, 0.001728, 0.001701, 0.001674, 0.001648, 0.001622, 0.001596, 0.001571,
    0.001546, 0.001521, 0.001496, 0.001472, 0.001448, 0.001424, 0.001401, 0.001378, 0.001355, 0.001333,
    0.001311, 0.001289, 0.001267, 0.001246, 0.001225, 0.001204, 0.001184, 0.001163, 0.001143, 0.001124,
    0.001104, 0.001085, 0.001066, 0.001048, 0.001029, 0.001011, 0.000993, 0.000975, 0.000958, 0.000941,
    0.000924, 0.000907, 0.000891};

}  // namespace

void ZephModel::InitAirDensitySlugs() {
    std::copy(std::begin(kDensityTo30000), std::end(kDensityTo30000), SlugFeet.begin());
    // Above 30,000 ft only anchors every 5,000 ft; straight lines between them.
    SlugFeet[72] = 0.000736;
    SlugFeet[82] = 0.000582;
    SlugFeet[92] = 0.000459;
    SlugFeet[102] = 0.000361;
    SlugFeet[103] = 0.000211;
    for (int a = 62; a <= 92; a += 10) {
        const double step = (SlugFeet[a] - SlugFeet[a + 10]) / 10.0;
        for (int i = 0; i < 10; ++i) SlugFeet[a + i] = SlugFeet[a] - i * step;
    }
}

double ZephModel::FigureAirDensity(double heightFeet) const {
    if (std::isnan(heightFeet)) return SlugFeet[2];  // a broken height reads as sea level, never past the table
    const double h = std::clamp(heightFeet, -1000.0, 50000.0);
    const int k = static_cast<int>(h / 500.0 + 2.0);
    if (h == 50000.0) return SlugFeet[k];
    const double t = (h - (k - 2) * 500.0) / 500.0;
    return SlugFeet[k] - t * (SlugFeet[k] - SlugFeet[k + 1]);
}

}  // namespace pellam
