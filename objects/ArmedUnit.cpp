#include "objects/ArmedUnit.h"

#include "objects/ArmedModels.h"
#include "objects/EffectModel.h"

namespace pellam {

const double* ArmedUnit::getTowerPosition() {
    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    RotateVector(TowerPosition.data(), GlobalTowerPosition.data(), m);
    for (int k = 0; k < 3; ++k) GlobalTowerPosition[k] += live.attitude.Position[k];
    return GlobalTowerPosition.data();
}

void ArmedUnit::setObjectSpeedMPH(double mph) {
    ThisModel.TheObject.Speed = mph;
    ThisModel.TheObject.InitialSpeed = mph;
}

void ArmedUnit::setObjectPoints(int32_t points) {
    if (points != -1) ThisModel.TheObject.PointsAwarded = static_cast<int16_t>(points);
}

bool ArmedUnit::areYouDead() {
    const int32_t d = ThisModel.TheObject.GlobalDeadTime;
    return d != 0 && d <= live.globalTime;
}

bool ArmedUnit::areYouDestroyed() {
    return armed::killedOnRecord(ThisModel.TheObject);
}

void ArmedUnit::unitValues(const std::array<double, 6>& hitSquare, float hitsWhenDead, float blastDistance,
                           int16_t points, int16_t category) {
    ThisModel.TheObject.HitSquare = hitSquare;
    armed::groundObjectValues(ThisModel.TheObject, ModelPointsPolys(), hitsWhenDead, blastDistance, points, category);
}

ZephModel* ArmedUnit::terrain() const {
    ModelArray* models = aController ? aController->getModelArray() : nullptr;
    return models ? models->at(ModelArray::kTerrain) : nullptr;
}

void ArmedUnit::placeMatrix() {
    effects::poseMatrix(live.attitude.QAttitude.data(), live.attitude.Position.data(), ThisModel.ObjectMatrix);
}

}  // namespace pellam
