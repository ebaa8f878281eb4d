#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

// The texture stage and shade model settings the ground, sky and clouds share.
#include "world/draw/WorldDraw.h"

namespace pellam::worlddraw {

namespace {

uint32_t heldShadeModel = 0;  // 0: none held

}  // namespace

void shadeModel(uint32_t model) { glShadeModel(heldShadeModel ? heldShadeModel : model); }

void holdShadeModel(uint32_t model) {
    heldShadeModel = model;
    if (model) glShadeModel(model);
}

void setCombineStage(uint32_t rgb, uint32_t source0, uint32_t source1, float rgbScale, uint32_t alphaSource) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GLint(rgb));
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GLint(source0));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GLint(source1));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, rgbScale);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GLint(alphaSource));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1.0f);
}

}  // namespace pellam::worlddraw
