#pragma once
// The flight model and the weapons: operations that move one Aircraft record in 1/60-s ticks,
// and bullets, hits, bomb blast, collisions and the ground gunners.
#include <cstdint>

#include "core/QNion.h"
#include "core/Services.h"

namespace pellam {

class ZephModel;
struct Aircraft;
struct AirSurface;
struct AirFoilDef;
struct BulletsList;
struct ObjectFireData;

// ---- Flight model.
// Units: ft, ft/tick, ft/tick^2, deg, slugs; body axes X right, Y up, Z forward.
// Airfoil curves: lift, drag (ar divides the induced term) and pitching-moment coefficients.
double GetCLift(int32_t airfoil, double aoa, const AirFoilDef* airfoilDefs);
double GetCDrag(int32_t airfoil, double aoa, double lift, double ar, const AirFoilDef* airfoilDefs);
double GetCMo(int32_t airfoil, double aoa, const AirFoilDef* airfoilDefs, double plusstall);
// Force and moment of every surface, in body axes, from the motion between the two poses.
void figureAeroForce(double density, Aircraft* aircraft, const QNion* pos, const QNion* oldpos,
                     const AirFoilDef* airfoilDefs);
void NonAirfoil(int32_t surface, double speed, AirSurface* surfaces, const double* windnormal,
                const double* relativewind, double pressureAlt);
// Fuel, engine speed, constant-speed propeller: EngineThrust and ShaftResistance.
void FigureEnginePowerDrag(Aircraft* aircraft, const QNion* pos, const QNion* oldpos,
                           const AirFoilDef* airfoilDefs);
// Trapezoid integration of one sub-step.
void doAccelerationToVelocity(double* accel, double* previousaccels, double* velocity, double* previousV,
                              double mass, double gravity, Aircraft* aircraft);
void doVelocityToPosition(const double* velocity, const double* previousV, double* position);
void doAccelerationToRotation(const double* accel, double* PBHAccel, double* previousaccels,
                              const double* tensor, const QNion* pos, const Aircraft* aircraft);
void doVelocityToAngle(const double* previous, const double* pbhaccel, QNion* pos, double* slerp);
// Wheels, skid, tips, nose and belly against a level ground at `ground` ft.
void CheckForGroundInteraction(double ground, Aircraft* aircraft, QNion* pos, const double* tensor,
                               double* xzyv, double* pbhv, QNion* prepos, ControllerServices* cont);
void AddColisionForceRotation(const double* point, const double* fvec, const double* matrix,
                              const double* tensor, double* accel, double* vvs, double mass);
void AddColisionForceRotationOnly(const double* point, const double* fvec, const double* matrix,
                                  const double* tensor, double* accel, double* vvs, double mass);
// Ship decks: no object of this world is a deck, so these find none.
bool quickOverCarrierCheck(ZephModel* aircraft, ModelArray* models, double* deckAlt);
void checkForOverCarrier(ZephModel* aircraft, ModelArray* models, int32_t gametime, QNion* pos,
                         QNion* prepos, double* XYZVel, int32_t joiner);

// ---- Weapons and hits.
// Bullets in their 72-slot pools, hit tests against aircraft hit volumes and ground objects,
// bomb blast, aircraft-to-object collisions, and the ground gunners' aim and flak. Model-array
// layout: aircraft k at index k + 2; ground objects are scanned from index 19.
// One tick of every live bullet: gravity, wind, and the ground when a terrain is given.
void MoveBullets(BulletsList* bullets, ZephModel* terrain, const double* wind);
// Bullets of one gun against one aircraft; shooter 0..7 or -1. Answers the bullets that hit.
int32_t buCheckForBulletsOnAircraftHit(BulletsList* bullets, ZephModel* target, int32_t shooter,
                                       bool inReplay, double modifier);
// One segment (six doubles: from, to; body ft) against the target's hit volumes: 1 hit, 0 miss.
int32_t buPossibleHit(const double* segment, double punch, double factor, ZephModel* target,
                      bool inReplay, double modifier);
void CheckForObjectHit(int32_t shooter, BulletsList* bullets, ModelArray* objects, int32_t gtime,
                       bool inReplay, ControllerServices* caller);
// A bomb dropped by the aircraft at model index `dropper` burst at `bomb` (world ft).
void CheckForBombHitObject(long dropper, ModelArray* objects, int32_t gtime, bool inReplay,
                           ControllerServices* caller, const double* bomb);
void checkForAircraftToModelCollision(ZephModel* aircraft, ModelArray* models, int32_t gametime);
void checkThisAircraftForThisModelCollision(ZephModel* aircraft, ZephModel* model, int32_t gametime,
                                            long objectNumber, int32_t aircraftNumber);
bool TrackAircraftForBullets(ObjectFireData* fire, ModelArray* models, const double* selfPos,
                             int32_t team, int32_t gtime, bool replay);
// True with the burst's world point in `answer` (three doubles) when a burst is to be shown.
bool shootObjectAAA(ObjectFireData* fire, ModelArray* models, const double* selfPos, int32_t team,
                    int32_t gtime, bool replay, SoundServices* sounds, const double* cameraPos,
                    double* answer);

}  // namespace pellam
