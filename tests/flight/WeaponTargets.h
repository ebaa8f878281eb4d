#pragma once
// Stand-ins for what bullets, bombs and aircraft meet before the ground objects exist: a box
// object with one collision box and a hit square, a debris pool that remembers its pieces, a
// bombs pool that remembers its bombs, and a bare aircraft record that notes its damage calls.
#include <algorithm>
#include <array>
#include <vector>

#include "flight/Aircraft.h"
#include "core/ZephModel.h"

namespace pellam::testing {

// A box of half sizes (hx, hy, hz) in its own frame, turned by `heading` degrees. Its hit square
// for bullets is the same box in world axes.
class BoxObject : public ZephModel {
public:
    BoxObject(double x, double y, double z, double hx, double hy, double hz, double heading = 0.0)
        : heading_(heading) {
        live.attitude.Position = {x, y, z};
        complete.ObjectMatrix[12] = x, complete.ObjectMatrix[13] = y, complete.ObjectMatrix[14] = z;
        Object3DData& d = complete.TheObject;
        d.ObjectFlags = 0x20;
        d.HitSquare = {-hx, hx, -hy, hy, -hz, hz};
        d.ObjectHitsWhenDead = 3.0f;
        d.BlastDistance = 40.0f;
        shape.NumberOfSizeSquares = 1;
        shape.SizeSquare[0] = {float(-hx), float(-hy), float(-hz), float(hx), float(hy), float(hz)};
        const double largest = std::max({hx, hy, hz});
        shape.OverallSizeDistance = float(3.0 * (largest + 5.0) * (largest + 5.0));
        complete.ThePointsPolysData = &shape;
        complete.NumberOfPointsPolys = 1;
    }
    OneCompleteObjectVer2* getCompleteObjectPtr() override { return &complete; }
    ObjectPointsPolysVer2* getModelPointsPolysPtr() override { return &shape; }
    bool areYouDead() override { return complete.TheObject.GlobalDeadTime != 0; }
    double getObjectHeading() override { return heading_; }
    int32_t getObjectType() override { return type; }

    Object3DData& data() { return complete.TheObject; }

    OneCompleteObjectVer2 complete{};
    ObjectPointsPolysVer2 shape{};
    int32_t type = 0;

private:
    double heading_;
};

class DebrisPool : public ZephModel {
public:
    void startOneDebrisXYZAndMove(const double* p, int32_t) override {
        pieces.push_back({p[0], p[1], p[2], p[3], p[4], p[5]});
    }
    std::vector<std::array<double, 6>> pieces;
};

class BombsPool : public ZephModel {
public:
    void startADroppedBomb(const double* v, const double* p, int32_t time, int32_t aircraft) override {
        if (!p) return;
        bombs.push_back({p[0], p[1], p[2]});
        times.push_back(time);
        droppers.push_back(aircraft);
    }
    std::vector<std::array<double, 3>> bombs;
    std::vector<int32_t> times, droppers;
};

// An aircraft reduced to its record: orDamage1 ORs and counts, doSplodes and StopForwardProgress count.
class RecordAircraft : public ZephModel {
public:
    RecordAircraft() {
        a.TotalHitsBeforeDead = 10.0;
        a.WhoShotMe = -1;
        a.PlayThisSound = -1;
        a.NosePosition = {0.0, -1.57, 2.61};
        a.WingTip = {-13.5, -0.84, -1.5};
    }
    Aircraft* getAircraftStruct() override { return &a; }
    void orDamage1(uint32_t bits) override {
        a.Damage1 |= bits;
        ++damageCalls;
    }
    void doSplodes() override { ++splodes; }
    void StopForwardProgress() override { ++stops; }
    // One hit volume: centre c, half sizes s; its damage list one entry of `bits` at `probability`.
    void oneVolume(std::array<double, 3> c, std::array<double, 3> s, int32_t bits = -1, double probability = 0.0) {
        a.NumberOfHitVolumes = 1;
        a.HitVolumeXCenter[0] = c[0], a.HitVolumeYCenter[0] = c[1], a.HitVolumeZCenter[0] = c[2];
        a.HitVolumeXSize[0] = s[0], a.HitVolumeYSize[0] = s[1], a.HitVolumeZSize[0] = s[2];
        a.DamageProbabilities[0].DamageType = {bits, -1};
        a.DamageProbabilities[0].Probability = {probability};
    }

    Aircraft a{};
    int damageCalls = 0, splodes = 0, stops = 0;
};

// One bullet slot set to fly from `from` to `to` (world ft) in this tick.
inline void aimBullet(BulletsList& list, int slot, std::array<double, 3> from, std::array<double, 3> to,
                      double punch = 0.2, double velocity = 40.66) {
    ProjectileType& b = list.TheBullets[slot];
    b = ProjectileType{};
    b.TimeAlive = 3;
    b.GraphicsType = -1;
    b.PX = from[0], b.PY = from[1], b.PZ = from[2];
    b.P2X = to[0], b.P2Y = to[1], b.P2Z = to[2];
    b.XMove = to[0] - from[0], b.YMove = to[1] - from[1], b.ZMove = to[2] - from[2];
    b.Velocity = velocity;
    b.Punch = punch;
    list.ActiveBullets = 1;
}

// A pool with every slot spent, so only the bullets a test aims take part.
inline BulletsList spentPool() {
    BulletsList list;
    for (ProjectileType& b : list.TheBullets) b.TimeAlive = 71;
    return list;
}

}  // namespace pellam::testing
