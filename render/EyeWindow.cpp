// What a drawer of sprites facing the eye asks of the view to know where they land on the screen
// and where their pictures are wholly clear or wholly opaque.
#include <GL/gl.h>

#include "render/MyZephGLView.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {

bool MyZephGLView::eyeWindow(EyeWindow& window) const {
    if (!window_ || !(ViewFrustumNear_ > 0)) return false;
    std::array<double, 16> projection{};
    std::array<int, 4> viewport{};
    worlddraw::WidenedView::loaded(projection, viewport);
    window.Left = ViewFrustumLeft_ / ViewFrustumNear_;
    window.Right = ViewFrustumRight_ / ViewFrustumNear_;
    window.Bottom = ViewFrustumBottom_ / ViewFrustumNear_;
    window.Top = ViewFrustumTop_ / ViewFrustumNear_;
    window.Near = ViewFrustumNear_;
    window.Far = ViewFrustumFar_;
    window.X = viewport[0];
    window.Y = viewport[1];
    window.Width = viewport[2];
    window.Height = viewport[3];
    return window.Right > window.Left && window.Top > window.Bottom && window.Width > 0 && window.Height > 0;
}

uint64_t MyZephGLView::texturePicture(int32_t slot) const {
    if (slot < 0 || slot >= kTextureSlots) return 0;
    const SingleTextureStructure& s = TheTextureMaps_[slot];
    return s.TextureStatus == 2 ? s.Picture : 0;
}

bool MyZephGLView::textureAlpha(int32_t slot, std::vector<uint8_t>& alpha, int& width, int& height) {
    if (!window_ || slot < 0 || slot >= kTextureSlots) return false;
    const SingleTextureStructure& s = TheTextureMaps_[slot];
    if (s.TextureStatus != 2) return false;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, s.OpenGLMapNumber);
    GLint w = 0, h = 0, bits = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &bits);
    const bool ok = w > 0 && h > 0 && w <= 4096 && h <= 4096 && bits > 0;
    if (ok) {
        alpha.resize(size_t(w) * size_t(h));
        GLint packing = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packing);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packing);
        width = w;
        height = h;
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    return ok;
}

}  // namespace pellam::render
