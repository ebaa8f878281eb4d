// The bombing run: while the current way point names a living ground target, the bomber leaves
// its way-point steering, turns toward the target, flies level at cruise speed, and releases its
// bombs one at a time into the bombs pool where a bomb let go now would fall on the target.
#include <algorithm>
#include <cmath>

#include "core/Constants.h"
#include "flight/AIRecords.h"
#include "flight/AiPilot.h"
#include "objects/Bomber.h"

namespace pellam {
namespace {

constexpr double kHalfGravity = kGravity / 2;  // ft/tick^2
constexpr double kLead = 100.0;                // ft released ahead of the fall-time estimate
constexpr double kHeightAllowance = 0.05;      // ft earlier per ft of height above the target
constexpr double kHeadingStep = 0.2;           // deg/tick

}  // namespace

long AircoDH4::doBombing() {
    int16_t& bombs = Gunner.own.fire.NumberOfBombs;
    const aiFlyToPoint* point = wayPoint(own.drivePath);
    if (bombs < 1 || !point || own.speed == 0.0) return 0;
    ModelArray* models = aController ? aController->getModelArray() : nullptr;
    if (!models) return 0;

    // Only mission objects can be targets; an index past the array names nothing.
    const long n = models->size();
    auto usable = [&](int32_t word) -> ZephModel* {
        if (word < kFirstTarget || word >= n) return nullptr;
        ZephModel* object = models->at(word);
        return object && !object->areYouDead() ? object : nullptr;
    };
    const auto [hi, lo] = targetWords(point->PSTargets);
    ZephModel* target = usable(hi);
    if (!target) target = usable(lo);
    if (!target) return 0;

    QNion pose;
    target->getModelPositionQNion(&pose);
    const auto& p = live.attitude.Position;
    const double dx = pose.Position[0] - p[0], dz = pose.Position[2] - p[2];
    const double d = std::sqrt(dx * dx + dz * dz), dy = pose.Position[1] - p[1];

    const double a = std::atan2(dx, dz);
    const double e = std::clamp(wrap(a - own.heading), -0.8, 0.8);
    MoveA(&own.heading, a, kHeadingStep);
    own.bank = std::clamp(own.bank + wrap(-e - own.bank) * 0.01, -kBankLimit, kBankLimit);
    if (own.speed < kCruise) own.speed += kSpeedStep;
    own.pitch += wrap(std::atan2(0.0, own.speed) - own.pitch) * 0.01;

    // Below the ground altitude of its start the bomber has no fall time: it steers on but never
    // releases.
    const double height = p[1] - ObjectGroundAltitude;
    if (height >= 0.0 && std::isfinite(height)) {
        const double fall = std::sqrt(height / kHalfGravity);  // ticks, from rest
        if ((d - dy * kHeightAllowance) - kLead < fall * own.speed && live.globalTime > own.bombDrop + kReleaseSpacing) {
            BombVelocity = {std::sin(own.heading) * kCruise, 0.0, std::cos(own.heading) * kCruise};
            double at[3] = {p[0], p[1], p[2]};
            if (ZephModel* pool = models->at(ModelArray::kBombs)) {
                pool->startADroppedBomb(BombVelocity.data(), at, aController->getGlobalMissionTime(), kDropper);
            }
            own.bombDrop = live.globalTime;
            bombs -= 1;
        }
    }
    moveThisGuyWithClimbDive(0.0);
    return 1;
}

}  // namespace pellam
