// An aircraft flying into a ground object: five points of the aircraft (nose, both wing tips and
// both half spans) against the object's collision boxes, in the object's own frame.
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {
namespace {

constexpr double kMph = 40.9;

struct Contact {
    ZephModel* craft;
    Aircraft* a;
    double points[5][3];  // offsets from the aircraft's centre, world axes
};

bool prepare(ZephModel* craft, Contact* c) {
    Aircraft* a = craft ? craft->getAircraftStruct() : nullptr;
    if (!a || (a->Damage1 & dmg::Down)) return false;
    c->craft = craft;
    c->a = a;
    const auto& tip = a->WingTip;
    const double body[5][3] = {{a->NosePosition[0], a->NosePosition[1], a->NosePosition[2]},
                               {tip[0], tip[1], tip[2]},
                               {-tip[0], tip[1], tip[2]},
                               {tip[0] / 2.0, tip[1], tip[2]},
                               {tip[0] / -2.0, tip[1], tip[2]}};
    double m[16] = {};
    ZephModel::quaternionToMatrix(craft->live.attitude.QAttitude.data(), m);
    for (int k = 0; k < 5; ++k) ZephModel::RotateVector(body[k], c->points[k], m);
    return true;
}

// Answers whether any of the five points lies inside any box of `model`, which is a candidate.
bool touches(const Contact& c, ZephModel* model, const OneCompleteObjectVer2& complete,
             const ObjectPointsPolysVer2& shape) {
    const double* o = &complete.ObjectMatrix[12];
    const auto& p = c.craft->live.attitude.Position;
    const double d[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
    if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] >= shape.OverallSizeDistance) return false;
    // World to object frame, about the vertical by the object's heading; the points turn with
    // the offset, or every heading but 0 would test them on the wrong side of the box.
    const double t = model->getObjectHeading() / -kDeg;
    const double cs = std::cos(t), sn = std::sin(t);
    auto toObject = [cs, sn](const double* v, double* out) {
        out[0] = cs * v[0] + sn * v[2];
        out[1] = v[1];
        out[2] = -sn * v[0] + cs * v[2];
    };
    double dl[3];
    toObject(d, dl);
    const int boxes = shape.NumberOfSizeSquares < 0               ? 0
                      : shape.NumberOfSizeSquares > kMaxSizeSquares ? kMaxSizeSquares
                                                                     : shape.NumberOfSizeSquares;
    for (int k = 0; k < 5; ++k) {
        double pl[3];
        toObject(c.points[k], pl);
        const double q[3] = {dl[0] + pl[0], dl[1] + pl[1], dl[2] + pl[2]};
        for (int b = 0; b < boxes; ++b) {
            const auto& s = shape.SizeSquare[b];
            if (q[0] > s[0] && q[0] < s[3] && q[1] > s[1] && q[1] < s[4] && q[2] > s[2] && q[2] < s[5]) return true;
        }
    }
    return false;
}

// The collision's outcome for the object and the aircraft.
void collide(const Contact& c, ZephModel* model, OneCompleteObjectVer2& complete, long objectNumber,
             int32_t aircraftNumber, int32_t gametime, bool stopOnHardObjects) {
    Object3DData& d = complete.TheObject;
    bool allSet = true;
    for (double v : d.HitSquare) allSet = allSet && v != 0.0;
    if ((c.a->CurrentVelocity * kMph > 50.0 || allSet) && d.GlobalDeadTime == 0) {
        d.GlobalDeadTime = gametime;
        d.WhoKilledMe = aircraftNumber;
        if (ControllerServices* controller = c.craft->getaController()) {
            controller->thisObjectDead(objectNumber, aircraftNumber);
        }
    }
    if (c.a->OnGround) {
        c.craft->doSplodes();
        return;
    }
    c.a->TotalHits = c.a->TotalHitsBeforeDead + 5.0;  // counts as shot down
    if (stopOnHardObjects && (d.ObjectFlags & 0x40000)) c.craft->StopForwardProgress();
}

bool candidate(ZephModel* model, OneCompleteObjectVer2** complete, ObjectPointsPolysVer2** shape) {
    if (!model) return false;
    *shape = model->getModelPointsPolysPtr();
    *complete = model->getCompleteObjectPtr();
    if (!*shape || !*complete || model->areYouDead()) return false;
    const int32_t type = model->getObjectType();
    if (type == 46 || type == 48) return false;  // ship decks have their own rules
    return (*shape)->OverallSizeDistance > 0.0f && !((*complete)->TheObject.ObjectFlags & 0x10000);
}

}  // namespace

void checkForAircraftToModelCollision(ZephModel* aircraft, ModelArray* models, int32_t gametime) {
    Contact c;
    if (!models || !prepare(aircraft, &c)) return;
    for (long i = ModelArray::kBombs; i < models->size(); ++i) {
        ZephModel* model = models->at(i);
        OneCompleteObjectVer2* complete = nullptr;
        ObjectPointsPolysVer2* shape = nullptr;
        if (!candidate(model, &complete, &shape) || !touches(c, model, *complete, *shape)) continue;
        collide(c, model, *complete, i, 0, gametime, true);  // and on: one pass may wreck several
    }
}

void checkThisAircraftForThisModelCollision(ZephModel* aircraft, ZephModel* model, int32_t gametime,
                                                       long objectNumber, int32_t aircraftNumber) {
    Contact c;
    OneCompleteObjectVer2* complete = nullptr;
    ObjectPointsPolysVer2* shape = nullptr;
    if (!prepare(aircraft, &c) || !candidate(model, &complete, &shape) || !touches(c, model, *complete, *shape)) {
        return;
    }
    const int32_t killer = aircraftNumber >= 0 && aircraftNumber < ModelArray::kAircraftSlots ? aircraftNumber : -1;
    collide(c, model, *complete, objectNumber, killer, gametime, false);
}

}  // namespace pellam
