// Bullets in flight and what they hit: one tick of motion for a gun's pool, the hit test against
// an aircraft's hit volumes with its random damage, the hit test against ground objects, and a
// bomb's blast. A bullet is consumed by the first aircraft or object it hits, though it counts at
// each mid-plane of an object's box it crosses inside the box. A bullet that struck the ground is
// tested in the tick it struck (its last stretch, laid flat on the ground), and not while it lies there.
#include <cmath>

#include "core/Constants.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/BulletRecords.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

constexpr int32_t kLastLiveTick = 70;     // a bullet flies ticks 0..70
constexpr int32_t kStoppedByObject = 75;
constexpr int32_t kStoppedByAircraft = 5000;
constexpr double kParkedBlastRadius = 50.0;  // ft
constexpr int32_t kNoPilotsKill = 23;         // WhoKilledMe of a blast no aircraft dropped

bool inFlight(const ProjectileType& b) {
    return b.TimeAlive <= kLastLiveTick && (b.GraphicsType != 2 || b.TimeHitGround == b.TimeAlive);
}

// Strictly inside the box of half sizes s about the origin.
bool inside(const double* p, const double* s) {
    return p[0] > -s[0] && p[0] < s[0] && p[1] > -s[1] && p[1] < s[1] && p[2] > -s[2] && p[2] < s[2];
}

// Where segment a..b crosses the mid-plane of `axis`, when its ends lie strictly on either side.
bool crossing(const double* a, const double* b, int axis, double* p) {
    if (!((a[axis] < 0.0 && b[axis] > 0.0) || (a[axis] > 0.0 && b[axis] < 0.0))) return false;
    const double t = -a[axis] / (b[axis] - a[axis]);
    for (int j = 0; j < 3; ++j) p[j] = a[j] + (b[j] - a[j]) * t;
    p[axis] = 0.0;
    return true;
}

int32_t draw16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

// An aircraft number as a kill may be credited: 0..7, else -1 (no aircraft).
int32_t creditable(long number) {
    return number >= 0 && number < ModelArray::kAircraftSlots ? static_cast<int32_t>(number) : -1;
}

}  // namespace

void MoveBullets(BulletsList* bullets, ZephModel* terrain, const double* wind) {
    if (!bullets || bullets->ActiveBullets == 0) return;
    const double w[3] = {wind ? wind[0] : 0.0, wind ? wind[1] : 0.0, wind ? wind[2] : 0.0};
    bool any = false;
    for (ProjectileType& b : bullets->TheBullets) {
        if (b.TimeAlive > kLastLiveTick) continue;
        any = true;
        ++b.TimeAlive;
        if (b.GraphicsType != 2) {  // a ground strike stays where it struck
            b.YMove -= kGravity;
            const double step[3] = {b.XMove + w[0], b.YMove + w[1], b.ZMove + w[2]};
            b.PX += step[0], b.PY += step[1], b.PZ += step[2];
            b.P2X += step[0], b.P2Y += step[1], b.P2Z += step[2];
            if (terrain) {
                const double ground = terrain->getAltitudeAtX(b.P2X, b.P2Z);
                if (b.P2Y < ground) {
                    b.GraphicsType = 2;
                    b.TimeHitGround = b.TimeAlive;
                    b.PY = b.P2Y = ground;
                }
            }
        }
        if (b.TimeAlive > kLastLiveTick && b.GraphicsType != 2) b.GraphicsType = -1;
    }
    bullets->ActiveBullets = any ? 1 : 0;
}

int32_t buCheckForBulletsOnAircraftHit(BulletsList* bullets, ZephModel* target, int32_t shooter,
                                                   bool inReplay, double modifier) {
    if (!bullets || !target || bullets->ActiveBullets == -1) return 0;
    Aircraft* a = target->getAircraftStruct();
    if (!a) return 0;
    shooter = creditable(shooter);
    QNion pose;
    target->getModelPositionQNion(&pose);
    // Test against where the aircraft is drawn.
    const double at[3] = {pose.Position[0] + a->SliderX, pose.Position[1] + a->SliderY,
                          pose.Position[2] + a->SliderZ};
    double m[16] = {};
    bool haveMatrix = false;
    int32_t hits = 0;
    for (ProjectileType& b : bullets->TheBullets) {
        if (!inFlight(b)) continue;
        const double wa[3] = {b.PX - at[0], b.PY - at[1], b.PZ - at[2]};
        const double reach = b.Velocity * 4.0 + 10.0;
        if (std::fabs(wa[0]) > reach || std::fabs(wa[1]) > reach || std::fabs(wa[2]) > reach) continue;
        const double wb[3] = {b.P2X - at[0], b.P2Y - at[1], b.P2Z - at[2]};
        if (!haveMatrix) {
            ZephModel::quaternionToMatrix(pose.QAttitude.data(), m);
            haveMatrix = true;
        }
        double segment[6];
        ZephModel::InverseRotateVector(wa, segment, m);
        ZephModel::InverseRotateVector(wb, segment + 3, m);
        const double h0 = a->TotalHits;
        if (!buPossibleHit(segment, b.Punch, 1.0, target, inReplay, modifier)) continue;
        b.TimeAlive = kStoppedByAircraft;
        ++hits;
        if (inReplay) continue;
        if (a->WhoShotMe != -2 && h0 < a->TotalHitsBeforeDead && shooter != -1) a->WhoShotMe = shooter;
        const uint32_t wreck = dmg::BlownUp | dmg::Down;
        if (a->TotalHits >= a->TotalHitsBeforeDead && a->OnGround && (a->Damage1 & wreck) != wreck) {
            a->Damage1 |= wreck;  // shot to its limit on the ground: destroyed where it stands
        }
    }
    return hits;
}

int32_t buPossibleHit(const double* segment, double punch, double, ZephModel* target, bool inReplay,
                                 double modifier) {
    Aircraft* a = target ? target->getAircraftStruct() : nullptr;
    if (!a || !segment) return 0;
    const int32_t volumes = a->NumberOfHitVolumes < 0                        ? 0
                            : a->NumberOfHitVolumes > Aircraft::kHitVolumes ? Aircraft::kHitVolumes
                                                                             : a->NumberOfHitVolumes;
    int32_t hitVolume = -1;
    for (int32_t v = 0; v < volumes && hitVolume < 0; ++v) {
        const double c[3] = {a->HitVolumeXCenter[v], a->HitVolumeYCenter[v], a->HitVolumeZCenter[v]};
        const double s[3] = {a->HitVolumeXSize[v], a->HitVolumeYSize[v], a->HitVolumeZSize[v]};
        const double pa[3] = {segment[0] - c[0], segment[1] - c[1], segment[2] - c[2]};
        const double pb[3] = {segment[3] - c[0], segment[4] - c[1], segment[5] - c[2]};
        double hit[3];
        bool found = false;
        if (inside(pa, s)) {
            for (int j = 0; j < 3; ++j) hit[j] = pa[j];
            found = true;
        } else if (inside(pb, s)) {
            for (int j = 0; j < 3; ++j) hit[j] = pb[j];
            found = true;
        } else {
            for (int axis = 0; axis < 3 && !found; ++axis) {
                double p[3];
                if (crossing(pa, pb, axis, p) && inside(p, s)) {
                    for (int j = 0; j < 3; ++j) hit[j] = p[j];
                    found = true;
                }
            }
        }
        if (!found) continue;
        hitVolume = v;
        a->HitX = c[0] + hit[0];
        a->HitY = c[1] + hit[1];
        a->HitZ = c[2] + hit[2];
    }
    if (hitVolume < 0) return 0;

    const DamageTendencies& list = a->DamageProbabilities[hitVolume];
    for (int j = 0; j < 8 && list.DamageType[j] != -1; ++j) {
        double chance = list.Probability[j] * modifier * 0.5;  // of 65536
        if (punch < 0.2) chance *= 0.33;
        const int32_t k = draw16() + 32768;
        if (k < chance && !inReplay && !a->OnGround && a->RemoteLocal != 1) {
            target->orDamage1(static_cast<uint32_t>(list.DamageType[j]));
        }
    }
    if (!inReplay) a->TotalHits += punch;
    if (a->PlayThisSound == -1) a->PlayThisSound = 6;
    return 1;
}

void CheckForObjectHit(int32_t shooter, BulletsList* bullets, ModelArray* objects, int32_t gtime,
                                  bool inReplay, ControllerServices* caller) {
    if (!bullets || !objects || bullets->ActiveBullets == 0 || inReplay) return;
    shooter = creditable(shooter);
    for (long i = ModelArray::kBombs; i < objects->size(); ++i) {
        ZephModel* object = objects->at(i);
        OneCompleteObjectVer2* complete = object ? object->getCompleteObjectPtr() : nullptr;
        if (!complete) continue;
        Object3DData& d = complete->TheObject;
        if (!(d.ObjectFlags & 0x20) || (d.ObjectFlags & 0x10000)) continue;
        const double o[3] = {complete->ObjectMatrix[12], complete->ObjectMatrix[13], complete->ObjectMatrix[14]};
        const auto& box = d.HitSquare;  // min, max per axis, world axes about o
        for (ProjectileType& b : bullets->TheBullets) {
            if (!inFlight(b)) continue;
            const double pa[3] = {b.PX - o[0], b.PY - o[1], b.PZ - o[2]};
            const double reach = 2.0 * b.Velocity + 10.0;
            if (std::fabs(pa[0]) > reach || std::fabs(pa[1]) > reach || std::fabs(pa[2]) > reach) continue;
            const double pb[3] = {b.P2X - o[0], b.P2Y - o[1], b.P2Z - o[2]};
            for (int axis = 0; axis < 3; ++axis) {
                double p[3];
                if (!crossing(pa, pb, axis, p)) continue;
                const int u = (axis + 1) % 3, v = (axis + 2) % 3;
                if (!(p[u] > box[2 * u] && p[u] < box[2 * u + 1] && p[v] > box[2 * v] && p[v] < box[2 * v + 1])) {
                    continue;
                }
                if (d.ObjectHits < d.ObjectHitsWhenDead) {
                    d.ObjectHits += static_cast<float>(b.Punch);
                    d.WhoKilledMe = shooter;
                    b.TimeAlive = kStoppedByObject;
                    const int32_t r1 = draw16(), r2 = draw16(), r3 = draw16();
                    const double piece[6] = {o[0] + p[0], o[1] + p[1], o[2] + p[2], r1 / 100000.0,
                                             (r3 + 32768) / 100000.0, r2 / 100000.0};
                    if (ZephModel* debris = objects->at(ModelArray::kDebris)) {
                        debris->startOneDebrisXYZAndMove(piece, gtime);
                    }
                }
                if (d.ObjectHits >= d.ObjectHitsWhenDead && d.GlobalDeadTime == 0) {
                    d.GlobalDeadTime = gtime;
                    if (caller) caller->thisObjectDead(i, shooter);
                }
            }
        }
    }
}

void CheckForBombHitObject(long dropper, ModelArray* objects, int32_t gtime, bool inReplay,
                                      ControllerServices* caller, const double* bomb) {
    if (!objects || !bomb || inReplay) return;
    // Only the eight aircraft earn kills: the bomber's own bombs credit nobody, yet what they
    // wreck is destroyed all the same (a victory counts it), marked as no pilot's kill.
    const int32_t killer = creditable(dropper - ModelArray::kFirstAircraft);
    const int32_t mark = killer >= 0 ? killer : kNoPilotsKill;
    auto distance = [bomb](const double* p) {
        const double d[3] = {p[0] - bomb[0], p[1] - bomb[1], p[2] - bomb[2]};
        return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    };
    for (long i = ModelArray::kBombs; i < objects->size(); ++i) {
        ZephModel* object = objects->at(i);
        OneCompleteObjectVer2* complete = object ? object->getCompleteObjectPtr() : nullptr;
        if (!complete) continue;
        Object3DData& d = complete->TheObject;
        if (!(d.ObjectFlags & 0x20) || d.GlobalDeadTime != 0) continue;
        if (distance(&complete->ObjectMatrix[12]) >= d.BlastDistance) continue;
        d.GlobalDeadTime = gtime;
        d.WhoKilledMe = mark;
        if (caller) caller->thisObjectDead(i, killer);
    }
    for (long i = ModelArray::kFirstAircraft; i < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++i) {
        ZephModel* craft = objects->at(i);
        Aircraft* a = craft ? craft->getAircraftStruct() : nullptr;
        if (!a || !a->OnGround || (a->Damage1 & dmg::Down)) continue;
        if (distance(craft->live.attitude.Position.data()) < kParkedBlastRadius) {
            a->Damage1 |= dmg::BlownUp | dmg::Down | dmg::ControlsDead;
        }
    }
}

}  // namespace pellam
