// The hook through which a ship's deck would carry aircraft. A deck is an object of type 46 or 48;
// no object class of this world reports either, so both operations find no deck.
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

// The deck object under the aircraft, or null.
ZephModel* deckUnder(ZephModel* aircraft, ModelArray* models) {
    if (!aircraft || !models) return nullptr;
    const Aircraft* a = aircraft->getAircraftStruct();
    if (!a || (a->Damage1 & dmg::Down)) return nullptr;
    const auto& p = aircraft->live.attitude.Position;
    for (long i = ModelArray::kBombs; i < models->size(); ++i) {
        ZephModel* o = models->at(i);
        if (!o) continue;
        const int32_t type = o->getObjectType();
        if ((type != 46 && type != 48) || o->areYouDead()) continue;
        const ObjectPointsPolysVer2* pp = o->getModelPointsPolysPtr();
        const OneCompleteObjectVer2* co = o->getCompleteObjectPtr();
        if (!pp || !co || pp->OverallSizeDistance <= 0.0f || (co->TheObject.ObjectFlags & 0x10000)) continue;
        const double dx = p[0] - o->live.attitude.Position[0], dy = p[1] - o->live.attitude.Position[1],
                     dz = p[2] - o->live.attitude.Position[2];
        if (dx * dx + dy * dy + dz * dz >= pp->OverallSizeDistance) continue;
        const double ang = o->getObjectHeading() / -kDeg;
        const double x = std::cos(ang) * dx + std::sin(ang) * dz;
        const double z = -std::sin(ang) * dx + std::cos(ang) * dz;
        const auto& box = pp->SizeSquare[0];  // min X, min Y, min Z, max X, max Y, max Z
        if (x > box[0] && x < box[3] && z > box[2] && z < box[5]) return o;
    }
    return nullptr;
}

}  // namespace

bool quickOverCarrierCheck(ZephModel* aircraft, ModelArray* models, double* deckAlt) {
    deckAlt[0] = 30.0;
    ZephModel* deck = deckUnder(aircraft, models);
    if (!deck) return false;
    deckAlt[0] = deck->getObjectType() == 48 ? 45.0 : 30.0;
    deckAlt[1] = deck->getObjectHeading();
    return true;
}

void checkForOverCarrier(ZephModel* aircraft, ModelArray* models, int32_t gametime, QNion* pos, QNion* prepos,
                         double* XYZVel, int32_t joiner) {
    // A ship object would decide what its deck does to an aircraft; none exists, so there is
    // nothing to look for.
}

}  // namespace pellam
