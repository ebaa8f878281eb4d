// Lift, drag and pitching-moment coefficients of an airfoil at an angle of attack (deg).
#include <cmath>

#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {

double GetCLift(int32_t airfoil, double aoa, const AirFoilDef* airfoilDefs) {
    const AirFoilDef& f = airfoilDefs[airfoil];
    if (aoa >= f.MinusLiftCoTop && aoa <= f.PlusLiftCoTop) return f.Slope * aoa + f.ZeroLift;
    // Past the straight line the value is held flat up to the stall, then jumps to a fixed 1.18.
    if (aoa > 0.0) return aoa > f.PlusStall ? 1.18 : f.Slope * f.PlusLiftCoTop + f.ZeroLift;
    return aoa < f.MinusStall ? -1.18 : f.Slope * f.MinusLiftCoTop + f.ZeroLift;
}

double GetCDrag(int32_t airfoil, double aoa, double lift, double ar, const AirFoilDef* airfoilDefs) {
    const AirFoilDef& f = airfoilDefs[airfoil];
    return aoa * aoa / f.Divisor + f.MinDrag + lift * lift / ar;
}

double GetCMo(int32_t airfoil, double aoa, const AirFoilDef* airfoilDefs, double plusstall) {
    double m = airfoilDefs[airfoil].MaxMoment * aoa;
    if (airfoil == 1) {
        // The power law on the magnitude, keeping the sign: pow of a negative base is NaN, and
        // a negative MaxMoment would otherwise poison the whole model.
        const double sign = m < 0.0 ? -1.0 : 1.0;
        m = sign * (std::pow(std::fabs(m), 1.15) + 0.0001);
    }
    if (aoa > plusstall + 5.0) return 0.02;
    return m;
}

}  // namespace pellam
