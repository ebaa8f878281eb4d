#pragma once
// The Fokker Dr.I triplane: 1122 lb empty, 130 mph at the top, a rotary engine that runs only at
// full or idle, and a light structure (+3.5 / -2.5 g). Its middle wing is a third pair of lifting
// panels that goes with the side's other wings.
//
// Also what the two Fokkers share: the replay ring's length.
#include <cstdint>

#include "aircraft/FlyableAircraft.h"

namespace pellam {

namespace fokker {

// The Fokkers keep 179 replay records, 3,580 ticks of flight.
void useReplayRing(FlyableAircraft& plane);

}  // namespace fokker

class FokkerDr1 : public FlyableAircraft {
public:
    FokkerDr1();
    const Traits& traits() const override;
    void writeDefinition() override;
    void fillAirfoils() override;
    bool initWithGLView(ViewServices* view) override;  // the shared build, with this ring

    // Middle-wing panels; the control surfaces use the shared numbers (elevator 4, rudder 5,
    // ailerons 6..13).
    int32_t FokkerDr1LeftMiddleWing = 26;
    int32_t FokkerDr1RightMiddleWing = 27;

protected:
    void cutExtraWingSurfaces() override;
    void cutSideExtraWing(int32_t side) override;

private:
    AirSurface& middleWing(int32_t side);
};

}  // namespace pellam
