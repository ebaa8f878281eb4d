#include "game/app/GameAdapters.h"

#include <SDL.h>
#include <algorithm>

#include <GL/gl.h>

#include "builder/draw/BuilderScene.h"
#include "platform/FlatDrawing.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/Print.h"
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
    // Flat over whatever the passes left set: with no cockpit pass last the alpha test is still on
    // at 0.9, and it dropped any veil fainter than that. The colour is given back too.
    const platform::FlatDrawing flat;
    glPushAttrib(GL_CURRENT_BIT);
    glColor4f(overlay_.red, overlay_.green, overlay_.blue, std::min(overlay_.alpha, 1.0f));
    glBegin(GL_QUADS);
    glVertex2d(-1, -1);
    glVertex2d(-1, 1);
    glVertex2d(1, 1);
    glVertex2d(1, -1);
    glEnd();
    glPopAttrib();
}

uint64_t FrameLink::flatPrint() {
    // The overlay is filled again when it is drawn; filling it twice in a frame changes nothing.
    controller_.debugchance(overlay_);
    uint64_t h = toolkitPrint_ ? toolkitPrint_() : platform::kPrintStart;
    const auto fold = [&h](const void* data, size_t n) { h = platform::foldPrint(h, data, n); };
    for (int k = 0; k < overlay_.count; ++k) {
        const OverlayText& t = overlay_.texts[k];
        if (t.text) fold(t.text, size_t(t.text[0]) + 1);
        fold(&t.across, sizeof t.across);
        fold(&t.down, sizeof t.down);
        fold(&t.size, sizeof t.size);
    }
    const float veil[] = {overlay_.veil ? 1.0f : 0.0f, overlay_.red, overlay_.green, overlay_.blue, overlay_.alpha};
    fold(veil, sizeof veil);
    const bool shot = controller_.screenShotPending();
    fold(&shot, sizeof shot);
    return h;
}

void ViewAdapter::setSunVectorFromTime(double hours) {
    view_.setSunVectorFromTime(hours);
    if (auto* sky = models_ ? dynamic_cast<TexturedSkyDome*>(models_->at(ModelArray::kSkyDome)) : nullptr) {
        sky->setTimeOfDay(hours);
        sky->positionSun(view_.getSunUnitVector());
        const SkyColours colours = sky->getSkyColours();
        view_.setEraseColorRed(colours.Horizon[0], colours.Horizon[1], colours.Horizon[2]);
    }
}

// The controller has placed the camera and set the sun and the game time for this frame.
void ViewAdapter::finishDrawing() {
    if (platform::GLWindow* window = view_.getGLWindow()) window->makeCurrent();
    glFinish();
}

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
