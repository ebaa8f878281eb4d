// The dome's colours carry no alpha and an RGB picture's reads one: an alpha test left on that
// passes one turns no fragment away, so it is turned off for the dome, and the rasteriser no longer
// shades every fragment before testing its depth. Saves, in instructions a frame of the game frame
// benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 0.2, 1.1, 1.4, 0.3, 2.6 M.
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw::sky {

void dropPassingAlphaTest() {
    if (!glIsEnabled(GL_ALPHA_TEST)) return;
    GLint func = GL_ALWAYS, alphaBits = 1;
    GLfloat ref = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
    const bool passesOne = func == GL_ALWAYS || (func == GL_GREATER && ref < 1.0f) || (func == GL_GEQUAL && ref <= 1.0f);
    if (alphaBits == 0 && passesOne) glDisable(GL_ALPHA_TEST);
}

}  // namespace pellam::worlddraw::sky
