#include "game/app/GameAdapters.h"

#include <SDL.h>

#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "world/TexturedSkyDome.h"

namespace pellam {

void ViewAdapter::setSunVectorFromTime(double hours) {
    view_.setSunVectorFromTime(hours);
    if (auto* sky = models_ ? dynamic_cast<TexturedSkyDome*>(models_->at(ModelArray::kSkyDome)) : nullptr) {
        sky->setTimeOfDay(hours);
        const SkyColours colours = sky->getSkyColours();
        view_.setEraseColorRed(colours.Horizon[0], colours.Horizon[1], colours.Horizon[2]);
    }
}

// The controller has placed the camera and set the sun and the game time for this frame.
void ViewAdapter::drawRect(int32_t) {
    view_.drawRect(render::NSRect{1.0, 0.0, 0.0, 0.0});  // x 1: the game's own frame, not a window redraw
}

void ViewAdapter::getMonitorResolution(float& width, float& height) {
    int w = 0, h = 0;
    SDL_GetWindowSize(view_.getGLWindow()->sdlWindow(), &w, &h);
    width = static_cast<float>(w);
    height = static_cast<float>(h);
}

bool DesktopAdapter::hasDisplay() {
    std::string why;
    return platform::hasDisplay(why);
}

void DesktopAdapter::setCursor(int32_t type) { desktop_.setCursor(type, platform::resourcesFolder() + "mposfeedback.png"); }

}  // namespace pellam
