#pragma once
// The Fokker D.VII: an inline-engined biplane, 1845 lb empty, 116 mph at the top, with a throttle
// that sets any power and a strong structure (+9.5 / -6.5 g). Defined by the Dr.I's steps with
// its own values, surfaces and hit boxes.
#include <cstdint>

#include "aircraft/FokkerDr1.h"

namespace pellam {

class FokkerDVII : public FlyableAircraft {
public:
    FokkerDVII();
    const Traits& traits() const override;
    void writeDefinition() override;
    void fillAirfoils() override;
    bool initWithGLView(ViewServices* view) override;  // the shared build, with this ring

    // The fixed tailplane; the control surfaces use the shared numbers (elevator 4, rudder 5,
    // ailerons 6..13).
    int32_t FokkerDVIIHStab = 14;
};

}  // namespace pellam
