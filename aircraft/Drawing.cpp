// The flyable aircraft's drawing operations as the simulation sees them: each is handed to the
// drawing library when one is installed, so the simulation builds and runs without it.
#include "aircraft/FlyableAircraft.h"

namespace pellam {
namespace {
const FlyableAircraft::DrawingHooks* drawing = nullptr;
}  // namespace

void FlyableAircraft::setDrawingHooks(const DrawingHooks* hooks) { drawing = hooks; }

bool FlyableAircraft::initWithGLView(ViewServices* view) {
    ReplayBufferAddress.assign(kReplayRingBytes, 0);
    ReplayBufferSize = kReplayLastStart;
    if (drawing) (this->*drawing->build)(view);
    afterLightTexture3dPointChangesFor(&Drawing.pointsPolys);
    resetModel();
    if (drawing) (this->*drawing->animate)();
    return true;
}

OneCompleteObjectVer2* FlyableAircraft::getDrawingData(int32_t gameTime) {
    return drawing ? (this->*drawing->record)(gameTime) : nullptr;
}

void FlyableAircraft::updateMovingThings(int32_t ticks, bool cameraOn, double cameraDistance, double nearestGunDistance) {
    if (drawing) (this->*drawing->moving)(ticks, cameraOn, cameraDistance, nearestGunDistance);
}

void FlyableAircraft::drawMySmokeItems() {
    if (drawing) (this->*drawing->smoke)();
}

void FlyableAircraft::displayAHit() {
    if (drawing) (this->*drawing->hit)();
}

}  // namespace pellam
