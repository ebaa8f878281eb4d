#include "game/app/GameAdapters.h"

#include <GL/gl.h>

#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
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
    const double hour = controller_ ? controller_->TimeOfDay : 12.0;
    view_.setSunVectorFromTime(hour);
    view_.setGameTime(gameTime);
    if (!cameraPlaced_) {
        const QNion camera = pilotCamera();
        view_.setGlobalCameraPosition(&camera);
    }
    cameraPlaced_ = false;

    auto* sky = models_ ? dynamic_cast<TexturedSkyDome*>(models_->at(ModelArray::kSkyDome)) : nullptr;
    auto* terrain = models_ ? dynamic_cast<RIDUdidav*>(models_->at(ModelArray::kTerrain)) : nullptr;
    const SkyColours colours = sky ? sky->getSkyColours() : SkyColours{{0.4f, 0.55f, 0.8f}, {0.75f, 0.8f, 0.85f}, {}, {1, 1, 1}};
    view_.setEraseColorRed(colours.Horizon[0], colours.Horizon[1], colours.Horizon[2]);

    view_.saveCurrentFogParameters();
    view_.glRenderStart();
    view_.glSet3DDrawingWQuaternion(view_.getCameraPosition());
    // The world is drawn eye-relative: the modelview holds the camera's rotation alone.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScaled(1, 1, -1);
    glMultMatrixd(view_.getEyeRM());
    const render::Eye& eye = view_.getMyEye();
    const worlddraw::Eye at{eye[0], eye[1], eye[2]};
    const auto glName = [this](int32_t slot) { return view_.getglTextNum(slot); };
    const float fog[4] = {colours.Horizon[0], colours.Horizon[1], colours.Horizon[2], 1.0f};
    glFogfv(GL_FOG_COLOR, fog);
    if (sky) {
        sky->setTimeOfDay(hour);
        worlddraw::drawSkyDome(*sky, glName);
    }
    if (terrain) {
        terrain->setEyePosition(at.X, at.Y, at.Z);
        terrain->setViewingPositionFromEyeTM(view_.getEyeTM());
        terrainDrawer_.draw(*terrain, at, glName, colours.Light);
        terrainDrawer_.drawCloudLayers(*terrain, at, glName, colours.Light);
    }
    view_.drawMessageLines();
    view_.restoreFogParameters();
    view_.glRenderEnd();
}

void DesktopAdapter::setCursor(int32_t type) { desktop_.setCursor(type, platform::resourcesFolder() + "mposfeedback.png"); }

}  // namespace pellam
