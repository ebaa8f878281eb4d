#define GL_GLEXT_PROTOTYPES
#include "platform/FlatDrawing.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/GLWindow.h"

namespace pellam::platform {
namespace {

constexpr GLenum kOff[] = {GL_ALPHA_TEST,   GL_FOG,          GL_LIGHTING,  GL_CULL_FACE,     GL_DEPTH_TEST,
                           GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_COLOR_SUM, GL_COLOR_LOGIC_OP};
constexpr GLenum kTargets[] = {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP};
constexpr GLenum kGenerated[] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
// Arrays a flat drawer does not send; a stale one left on may still be read by the draw.
constexpr GLenum kArrays[] = {GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_SECONDARY_COLOR_ARRAY, GL_FOG_COORD_ARRAY,
                              GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY};

bool hasSamplers() {
    static const bool has = GLWindow::extensionSupported("GL_ARB_sampler_objects");
    return has;
}

}  // namespace

FlatDrawing::FlatDrawing() {
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture_);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientActiveTexture_);
    glGetIntegerv(GL_SHADE_MODEL, &shadeModel_);
    colourSum_ = glIsEnabled(GL_COLOR_SUM);  // which Mesa's attribute stack does not keep
    // The enables (every unit's targets and generation among them), blending and the colour mask,
    // the matrix mode; the client arrays.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    for (const GLenum cap : kOff) glDisable(cap);
    for (const GLenum array : kArrays) glDisableClientState(array);
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    for (GLint u = units - 1; u >= 0; --u) {  // ending on unit 0
        glActiveTexture(GLenum(GL_TEXTURE0 + u));
        glClientActiveTexture(GLenum(GL_TEXTURE0 + u));
        for (const GLenum target : kTargets) glDisable(target);
        for (const GLenum generated : kGenerated) glDisable(generated);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    if (hasSamplers()) {
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler_);
        glBindSampler(0, 0);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glShadeModel(GL_SMOOTH);
}

FlatDrawing::~FlatDrawing() {
    glActiveTexture(GL_TEXTURE0);
    if (hasSamplers()) glBindSampler(0, GLuint(sampler_));
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    glActiveTexture(GLenum(activeTexture_));
    glClientActiveTexture(GLenum(clientActiveTexture_));
    glShadeModel(GLenum(shadeModel_));
    if (colourSum_) glEnable(GL_COLOR_SUM);
}

}  // namespace pellam::platform
