#include "game/app/GameAdapters.h"

#include <SDL.h>
#include <algorithm>

#include <GL/gl.h>

#include "builder/draw/BuilderScene.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "world/TexturedSkyDome.h"

namespace pellam {

void FrameLink::debugchance(render::MyZephGLView& view) {
    controller_.debugchance(overlay_);
    for (int k = 0; k < overlay_.count; ++k) {
        const OverlayText& t = overlay_.texts[k];
        view.glOpenGLText(t.across, t.down, t.text, 0, t.size, 1.0);
    }
    if (!overlay_.veil || overlay_.alpha <= 0.0f) return;
    view.glSet2DDrawing();
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDepthFunc(GL_ALWAYS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(overlay_.red, overlay_.green, overlay_.blue, std::min(overlay_.alpha, 1.0f));
    glBegin(GL_QUADS);
    glVertex2d(-1, -1);
    glVertex2d(-1, 1);
    glVertex2d(1, 1);
    glVertex2d(1, -1);
    glEnd();
    glPopAttrib();
}

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

void ViewAdapter::drawBuilder(builder::MissionBuilder& builder) { builderdraw::drawBuilderScene(view_, builder); }

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
