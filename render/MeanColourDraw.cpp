// The cockpit's flat pictures drawn untextured in their mean colour: a lit, textured pixel costs the
// software rasteriser several times an untextured one, and the cockpit covers half the view.
// Only where no channel would move by more than 16 levels of 255 under any sun, so the picture
// keeps within the picture rule. Saving: not yet measured.
#include <GL/gl.h>

#include "core/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {

bool MyZephGLView::drawsInMean(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
    // Only the cockpit, whose pieces are near and large; only pictures whose texels, times the
    // brightest any sun can light the piece's material to, lie close enough to their mean. Not the
    // moment's light: a piece would switch between its picture and its mean as a turn carries the
    // sun across it, and a pattern that shows in sunlight is still seen, fainter, in shade.
    if (!meanInCockpit_ || !plainWhereSure_ || !(coverColour_ || drawingCockpit_) || (p.DrawHints & kUntextured))
        return false;
    const int32_t slot = pictureSlot(p, g);
    const bool lit = !(p.DrawHints & kUnlit);
    // Nor a grain that shows, which the mean would flatten: the guns' and struts' went flat at 14.
    const std::array<float, 3> brightest = brightestLit(1.0f, true);
    if (!flatEnough(slot, brightest)) return false;
    for (size_t c = 0; c < 3; ++c)
        if (TheTextureMaps_[slot].StoredSpread[c] * brightest[c] * 255.0f > kUnseenGrain) return false;
    const std::array<float, 3>& mean = TheTextureMaps_[slot].MeanColour;
    // What modulated the picture now gives the mean times it: every term of the lit colour but the
    // specular, which is added after the texture either way; or the unlit colour.
    MeanSent& sent = meanSent_;
    glGetMaterialfv(GL_FRONT, GL_EMISSION, sent.Emission.data());
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, sent.Ambient.data());
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, sent.Diffuse.data());
    glGetFloatv(GL_CURRENT_COLOR, sent.Colour.data());
    std::array<GLfloat, 4> emission = sent.Emission, ambient = sent.Ambient, diffuse = sent.Diffuse, colour = sent.Colour;
    for (size_t c = 0; c < 3; ++c) {
        emission[c] *= mean[c];
        ambient[c] *= mean[c];
        diffuse[c] *= mean[c];
        colour[c] *= mean[c];
    }
    if (lit) {
        glMaterialfv(GL_FRONT, GL_EMISSION, emission.data());
        glMaterialfv(GL_FRONT, GL_AMBIENT, ambient.data());
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
    } else {
        glColor4fv(colour.data());
    }
    setTexturing(false);
    sent.Lit = lit;
    ++drawnInMean_;
    return true;
}

void MyZephGLView::putBackPicture() {
    const MeanSent& sent = meanSent_;
    if (sent.Lit) {
        glMaterialfv(GL_FRONT, GL_EMISSION, sent.Emission.data());
        glMaterialfv(GL_FRONT, GL_AMBIENT, sent.Ambient.data());
        glMaterialfv(GL_FRONT, GL_DIFFUSE, sent.Diffuse.data());
    } else {
        glColor4fv(sent.Colour.data());
    }
    setTexturing(true);
}

}  // namespace pellam::render
