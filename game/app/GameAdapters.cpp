#include "game/app/GameAdapters.h"

#include <SDL.h>

#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "world/TexturedSkyDome.h"

namespace pellam {

QNion ViewAdapter::pilotCamera() const {
    QNion camera;
    camera.Position = {264000.0, 16000.0, 264000.0};
    ZephModel* aircraft = models_ && controller_ ? models_->at(controller_->AircraftWeControl) : nullptr;
    if (!aircraft) return *view_.getCameraPosition();
    const QNion& pose = aircraft->ModelAttitude;
    double m[16] = {};
    ZephModel::quaternionToMatrix(pose.QAttitude.data(), m);
    double head[3];
    ZephModel::RotateVector(aircraft->PilotAttitude.Position.data(), head, m);
    for (int i = 0; i < 3; ++i) camera.Position[i] = pose.Position[i] + head[i];
    // The view's camera turns the world into the eye's axes: the aircraft's attitude undone.
    camera.QAttitude = {pose.QAttitude[0], -pose.QAttitude[1], -pose.QAttitude[2], -pose.QAttitude[3]};
    return camera;
}

void ViewAdapter::drawRect(int32_t gameTime) {
    view_.setSunVectorFromTime(controller_ ? controller_->TimeOfDay : 12.0);
    view_.setGameTime(gameTime);
    if (!cameraPlaced_) {
        const QNion camera = pilotCamera();
        view_.setGlobalCameraPosition(&camera);
    }
    cameraPlaced_ = false;
    if (auto* sky = models_ ? dynamic_cast<TexturedSkyDome*>(models_->at(ModelArray::kSkyDome)) : nullptr) {
        sky->setTimeOfDay(controller_ ? controller_->TimeOfDay : 12.0);
        const SkyColours colours = sky->getSkyColours();
        view_.setEraseColorRed(colours.Horizon[0], colours.Horizon[1], colours.Horizon[2]);
    }
    view_.drawRect(render::NSRect{1.0, 0.0, 0.0, 0.0});  // x 1: the game's own frame, not a window redraw
}

void ViewAdapter::getMonitorResolution(float& width, float& height) {
    int w = 0, h = 0;
    SDL_GetWindowSize(view_.getGLWindow()->sdlWindow(), &w, &h);
    width = static_cast<float>(w);
    height = static_cast<float>(h);
}

void DesktopAdapter::setCursor(int32_t type) { desktop_.setCursor(type, platform::resourcesFolder() + "mposfeedback.png"); }

}  // namespace pellam
