// Outside a cockpit's slice of the depths the depth buffer holds the ground alone: the dome's rings
// wholly above the ground's top, and above the horizon, where a facet bulges no lower than its lower
// edge, are drawn without the depth test, which could turn none of their fragments away; the
// rasteriser then skips reading the depth of each. Saves, in instructions a frame of the game frame
// benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 0, 0, 1.1, 0, 2.8 M.
#include "world/draw/SkyParts.h"

namespace pellam::worlddraw::sky {

double untestedDomeFrom(bool behindGround, bool plain, const std::function<double()>& groundTop) {
    constexpr double kTopMargin = 0.01;  // radians, some pixels
    double untestedFrom = std::numeric_limits<double>::infinity();
    if (behindGround && !plain && groundTop) {
        GLfloat range[2] = {0, 1};
        glGetFloatv(GL_DEPTH_RANGE, range);
        if (range[0] == 0.0f) untestedFrom = std::max(groundTop(), 0.0) + kTopMargin;
    }
    return untestedFrom;
}

}  // namespace pellam::worlddraw::sky
