#pragma once
// The Sopwith Camel: a rotary-engined biplane, 1275 lb empty, 130 mph at the top.
#include "aircraft/FlyableAircraft.h"

namespace pellam {

class ObjectTestFile : public FlyableAircraft {
public:
    ObjectTestFile();
    const Traits& traits() const override;
    void writeDefinition() override;
    void fillAirfoils() override;
};

}  // namespace pellam
