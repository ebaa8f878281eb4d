#pragma once
// Every sound other than the engines, each at the rate its file format stores.
#include "Dsp.h"

namespace soundgen {

inline constexpr double kLowRate = 22050.0;   // the 22 kHz formats
inline constexpr double kHighRate = 44100.0;  // the WAV and 44 kHz formats

// Weapons and impacts.
Buffer machineGunLoop(double rate);  // two synchronised guns, Vickers and Spandau alike
Buffer gunJam(double rate);
Buffer clearGunJam(double rate);
Buffer hitFabric(double rate);
Buffer hitWood(double rate);
Buffer hitFabricTear(double rate);
Buffer hitWoodAndMetal(double rate);
Buffer flakNear(double rate);
Buffer flakFar(double rate);
Buffer airExplosion(double rate);
Buffer groundExplosion(double rate);
Buffer bombRelease(double rate);

// The airframe and the pilot.
Buffer gearUp(double rate);
Buffer gearDown(double rate);
Buffer flapsMove(double rate);
Buffer tyreRumble(double rate, bool loud);
Buffer frameBreaks(double rate);
Buffer closeToBreak(double rate);
Buffer tearOff(double rate);
Buffer leaveCockpit(double rate);
Buffer waterSplash(double rate);
Buffer chuteOpens(double rate);
Buffer bodyHitsGround(double rate);
Buffer escapingSteam(double rate);

// Loops and signals.
Buffer stallHornLoop(double rate);
Buffer windLoop(double rate);
Buffer startSignal(double rate);
Buffer requestBell(double rate);
Buffer tapsBugle(double rate);

}  // namespace soundgen
