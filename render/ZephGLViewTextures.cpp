// The texture loader, release and binding of ZephGLView.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <map>
#include <span>
#include <new>

#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "platform/GLWindow.h"
#include "platform/Log.h"
#include "render/ImageFiles.h"
#include "render/ZephGLView.h"

namespace pellam::render {
namespace {

// The most a shortcut in how a picture is read may move a colour channel (0..1): 16 levels of 255,
// less two for the rasteriser's rounding.
constexpr float kMostMove = (16.0f - 2.0f) / 255.0f;

// A new name for a picture loaded into a slot: what is derived from a slot's picture is kept
// under it and read again when a load has put another there.
uint64_t nextPicture() {
    static std::atomic<uint64_t> loads{0};
    return ++loads;
}

// The bits a channel of `internal` keeps on this GL (red, green, blue, alpha), asked once a format.
std::array<GLint, 4> channelBits(GLenum internal) {
    static std::map<GLenum, std::array<GLint, 4>> known;
    if (auto it = known.find(internal); it != known.end()) return it->second;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    GLuint probe = 0;
    glGenTextures(1, &probe);
    glBindTexture(GL_TEXTURE_2D, probe);
    const uint8_t texel[4] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(internal), 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    std::array<GLint, 4> bits{};
    const GLenum sizes[4] = {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE, GL_TEXTURE_ALPHA_SIZE};
    for (int c = 0; c < 4; ++c) glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, sizes[c], &bits[c]);
    glDeleteTextures(1, &probe);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    if (glGetError() != GL_NO_ERROR || bits[0] <= 0) bits = {8, 8, 8, 8};  // no answer: keep every bit
    return known[internal] = bits;
}

// A channel value rounded to `bits` as GL stores it, then widened back to eight bits by repeating
// its bits, as GL reads it.
uint8_t keepBits(uint8_t v, int bits) {
    if (bits >= 8) return v;
    if (bits <= 0) return 255;
    const unsigned top = (1u << bits) - 1, q = (v * top + 127) / 255;
    unsigned out = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits) out |= shift >= 0 ? q << shift : q >> -shift;
    return uint8_t(out);
}

// A 16-bit (or smaller) format is stored as eight bits a channel holding exactly the colours the
// small format would: the same picture, which a software rasteriser reads several times faster
// than unpacking 5-6-5 or 4-4-4-4 texels.
GLenum storageFor(GLenum internal, TexturePicture& level) {
    const std::array<GLint, 4> bits = channelBits(internal);
    if (bits[0] >= 8 && bits[1] >= 8 && bits[2] >= 8 && (bits[3] >= 8 || bits[3] == 0)) return internal;
    std::array<std::array<uint8_t, 256>, 4> kept{};  // each channel's value as stored, by value
    for (size_t c = 0; c < 4; ++c)
        for (int v = 0; v < 256; ++v) kept[c][size_t(v)] = keepBits(uint8_t(v), bits[c]);
    for (size_t k = 0; k < level.rgba.size(); k += 4)
        for (size_t c = 0; c < 4; ++c) level.rgba[k + c] = kept[c][level.rgba[k + c]];
    return bits[3] > 0 ? GL_RGBA8 : GL_RGB8;
}

// Uploads level 0 and, unless the format says otherwise, the box-filtered levels down to 1 x 1.
// Answers the new GL texture name, 0 on a GL error; `step` receives the largest levelStep between
// neighbouring levels as stored (0..1), 1 without levels or with alpha.
GLuint upload(TexturePicture picture, const TextureFormat& format, float& step) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint wrap = (format.index & kFlagClamp) ? GL_CLAMP : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const bool mipmaps = !(format.index & kFlagNoMipmaps);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    // Each level is filtered from the full colours of the one before and only then narrowed.
    // Only RGB pictures are ever read from one level: the others need no step.
    const bool stepped = mipmaps && format.rgbOnly;
    TexturePicture before;
    int most = stepped ? 0 : 255;
    const auto send = [&](int level) {
        TexturePicture stored = picture;
        const GLenum internal = storageFor(GLenum(format.internal), stored);
        glTexImage2D(GL_TEXTURE_2D, level, GLint(internal), stored.edge, stored.edge, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     stored.rgba.data());
        if (stepped && level > 0) most = std::max(most, levelStep(before, stored, format.index & kFlagClamp));
        if (stepped) before = std::move(stored);
    };
    send(0);
    for (int level = 1; mipmaps && picture.edge > 1; ++level) {
        resizePicture(picture, picture.edge / 2);
        send(level);
    }
    step = float(most) / 255.0f;
    const GLfloat priority = 1.0f;
    glPrioritizeTextures(1, &name, &priority);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

constexpr int kLargestTexture = 1024;  // texels on a side

int32_t firstFreeSlot(const TextureMaps& maps) {
    for (int32_t i = 0; i < kTextureSlots; ++i)
        if (maps[i].TextureStatus != 2) return i;
    return -1;
}

// Reads the picture for a masked texture from `path` + "_" (under the picture extensions too);
// each file refused on the way is added to `refused` with its reason.
bool readMask(const std::string& path, platform::RGBAImage& mask, std::vector<std::string>& refused) {
    for (const std::string& candidate : imageCandidates(path + "_")) {
        std::string why;
        if (readPicture(candidate, mask, kLargestTexture, why) == PictureRead::kRead) return true;
        refused.push_back("The mask file " + candidate + " is refused: " + why + ".");
    }
    return false;
}

}  // namespace

int32_t ZephGLView::fmGetTextureFromDiskNSString(const std::string& path, int32_t flag, int32_t size,
                                                 int32_t depth, int32_t specialFormatFlag) {
    if (window_) window_->makeCurrent();
    const std::string name = textureName(path);
    if (name.size() > kMaxTextureName) return kNameTooLong;
    if (IsInited_ == 0 || !window_) return kViewNotStarted;
    noteErrorsBeforeLoad(name);
    glDisable(GL_TEXTURE_2D);
    if (flag == 1)
        if (const int32_t shared = shareLoadedTexture(name, size); shared >= 0) return shared;

    const bool special = specialFormatFlag != 0;
    const TextureFormat format = formatForName(name, special, depth);
    TexturePicture picture;
    int originalWidth = 0;
    try {
        if (const int32_t refused = readTexturePicture(path, name, format, picture); refused != 0) return refused;
        originalWidth = picture.edge;
        fitTextureSize(picture, size);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    // The slot first, so a full table costs no GL texture.
    const int32_t slotNumber = freeTextureSlot(name);
    if (slotNumber < 0) return slotNumber;
    return storeTexture(slotNumber, name, picture, originalWidth, format, special);
}

void ZephGLView::noteErrorsBeforeLoad(const std::string& name) {
    // An error left by earlier drawing is not this load's fault: note it and go on.
    for (GLenum e = glGetError(), n = 0; e != GL_NO_ERROR && n < 16; e = glGetError(), ++n) {
        GLError_ = int32_t(e);
        platform::logMessage("GL error " + std::to_string(e) + " pending before loading " + name);
    }
}

int32_t ZephGLView::shareLoadedTexture(const std::string& name, int32_t size) {
    for (int32_t i = 0; i < kTextureSlots; ++i) {
        SingleTextureStructure& slot = TheTextureMaps_[i];
        if (slot.TextureStatus != 2 || slot.TextureMapName != name) continue;
        if (size == 6 || slot.Width == size || (slot.OriginalWidth < size && slot.OriginalWidth == slot.Width)) {
            ++slot.CanDelete;  // every user releases once, so every user counts
            return i;
        }
    }
    return -1;
}

int32_t ZephGLView::readTexturePicture(const std::string& path, const std::string& name, const TextureFormat& format,
                                       TexturePicture& picture) {
    platform::RGBAImage image;
    if (const int32_t refused = readTextureImage(path, image); refused != 0) return refused;
    if (image.width != image.height || !isTextureEdge(image.width)) {
        notice("The texture " + name + " is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
               " texels; textures are square, 32 to 1,024 on a side and a power of two.");
        return kNotSquarePowerOfTwo;
    }
    picture = pictureFromImage(image);
    doLoadingFeedback();
    maskTexture(path, name, format, picture);
    return 0;
}

int32_t ZephGLView::readTextureImage(const std::string& path, platform::RGBAImage& image) {
    bool found = false;
    for (const std::string& candidate : imageCandidates(path)) {
        found = true;
        std::string why;
        const PictureRead read = readPicture(candidate, image, kLargestTexture, why);
        if (read == PictureRead::kRead) return 0;
        notice("The texture file " + candidate + " is refused: " + why + ".");
        if (read == PictureRead::kTooLarge) return kNotSquarePowerOfTwo;
    }
    if (found) platform::SystemBeep();
    return kNoSuchImage;
}

void ZephGLView::maskTexture(const std::string& path, const std::string& name, const TextureFormat& format,
                             TexturePicture& picture) {
    bool keyed = format.keyed;
    if (format.masked) {
        platform::RGBAImage mask;
        std::vector<std::string> refused;
        if (!readMask(path, mask, refused)) {
            keyed = true;
        } else if (!applyMask(picture, mask)) {
            refused.push_back("The mask of " + name + " is " + std::to_string(mask.width) + " x " +
                              std::to_string(mask.height) + ", not the texture's size: its colour key is used.");
            keyed = true;
        }
        for (const std::string& text : refused) notice(text);
    }
    if (keyed) applyColourKey(picture);
}

void ZephGLView::fitTextureSize(TexturePicture& picture, int32_t size) {
    if (picture.edge < 64) resizePicture(picture, 64);
    if (picture.edge > 512 && MaxGLTextureSize_ <= 512) {
        platform::SystemBeep();
        resizePicture(picture, 512);
    }
    if (size != 6 && size < picture.edge && size >= 1) resizePicture(picture, size);
}

int32_t ZephGLView::freeTextureSlot(const std::string& name) {
    const int32_t slotNumber = firstFreeSlot(TheTextureMaps_);
    if (slotNumber < 0) {
        platform::SystemBeep();
        notice("The texture " + name + " is not loaded: all " + std::to_string(kTextureSlots) +
               " texture places are taken.");
        return kTableFull;
    }
    if (slotNumber > kTextureWarnSlot) {
        platform::SystemBeep();
        platform::logMessage("beep 1");
    }
    return slotNumber;
}

int32_t ZephGLView::storeTexture(int32_t slotNumber, const std::string& name, const TexturePicture& picture,
                                 int originalWidth, const TextureFormat& format, bool special) {
    float step = 1;
    const GLuint glName = upload(picture, format, step);
    if (glName == 0) {
        GLError_ = GL_INVALID_OPERATION;
        platform::SystemBeep();
        notice("OpenGL refused the texture " + name + ".");
        return kGLErrorPending;
    }
    CurrentBoundTextureNumber_ = -1;  // the upload bound its own name

    SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    slot.OpenGLMapNumber = glName;
    slot.OpenGLFormat = int32_t(format.internal);
    slot.Width = slot.Height = int16_t(picture.edge);
    slot.OriginalWidth = int16_t(originalWidth);
    slot.TextureStatus = 2;
    slot.Picture = nextPicture();
    slot.Flags = int16_t(format.index + (special ? kFlagSpecial : 0));
    slot.TotalBytes = picture.edge * picture.edge * 4;
    slot.TextureMapName = name;
    slot.CanDelete = 1;
    slot.LevelStep = step;
    return slotNumber;
}

int32_t ZephGLView::missingTextureSlot() {
    if (missingSlot_ >= 0 && TheTextureMaps_[missingSlot_].TextureStatus == 2) return missingSlot_;
    if (!window_ || IsInited_ == 0) return kViewNotStarted;
    window_->makeCurrent();
    const int32_t slotNumber = firstFreeSlot(TheTextureMaps_);
    if (slotNumber < 0) return kTableFull;
    TextureFormat format = formatForName("missingD", false, 9);  // RGB, repeat, no mipmaps: stays sharp
    float step = 1;
    const GLuint glName = upload(missingPicture(), format, step);
    if (glName == 0) return kGLErrorPending;
    CurrentBoundTextureNumber_ = -1;
    SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    slot.OpenGLMapNumber = glName;
    slot.OpenGLFormat = int32_t(format.internal);
    slot.Width = slot.Height = slot.OriginalWidth = 64;
    slot.TextureStatus = 2;
    slot.Picture = nextPicture();
    slot.Flags = int16_t(format.index);
    slot.TotalBytes = 64 * 64 * 4;
    slot.TextureMapName = "(missing texture)";  // no file name holds parentheses and spaces this way
    slot.CanDelete = 1;
    slot.LevelStep = step;
    missingSlot_ = slotNumber;
    return slotNumber;
}

int32_t ZephGLView::tryForCustomPaintJobBig(const std::string& name) {
    const int32_t size = getTextureLevel() == 1 ? 512 : 1024;
    return fmGetTextureFromDiskNSString(ZephModel::getPathToFolder() + "/Necessary Data/Custom Paint Jobs/" + name, 1,
                                        size, 9, 1);
}

int32_t ZephGLView::tryForCustomPaintJobSmall(const std::string& name) {
    const int32_t size = getTextureLevel() == 1 ? 128 : 256;
    return fmGetTextureFromDiskNSString(ZephModel::getPathToFolder() + "/Necessary Data/Custom Paint Jobs/" + name, 1,
                                        size, 9, 1);
}

void ZephGLView::glDeleteONETexture(int32_t slotNumber) {
    if (slotNumber < 0 || slotNumber >= kTextureSlots) return;
    SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    if (slot.CanDelete > 0) --slot.CanDelete;
    if (slot.TextureStatus == 2 && slot.CanDelete < 1) {
        if (window_) {
            window_->makeCurrent();
            glDeleteTextures(1, &slot.OpenGLMapNumber);
        }
        if (CurrentBoundTextureNumber_ == int32_t(slot.OpenGLMapNumber)) CurrentBoundTextureNumber_ = -1;
        if (missingSlot_ == slotNumber) missingSlot_ = -1;
        slot.OpenGLMapNumber = 1;
        slot.TextureStatus = 1;
        slot.CanDelete = 0;
    }
}

void ZephGLView::setStartUpTextureNumber(int32_t slot) {
    if (slot != StartUpScreenTextureNumber_) glDeleteONETexture(StartUpScreenTextureNumber_);
    StartUpScreenTextureNumber_ = slot;
}

void ZephGLView::glSetCurrentTexture(int32_t slotNumber, int32_t flag) {
    if (slotNumber < 0 || slotNumber >= kTextureSlots) return;
    const SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    if (slot.TextureStatus != 2) return;
    if (int32_t(slot.OpenGLMapNumber) == CurrentBoundTextureNumber_ && flag != 11) return;
    CurrentBoundTextureNumber_ = int32_t(slot.OpenGLMapNumber);
    glBindTexture(GL_TEXTURE_2D, slot.OpenGLMapNumber);
    const GLint wrap = (slot.Flags & kFlagClamp) ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    (slot.Flags & kFlagNoMipmaps) ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (slot.Flags & kFlagReplace) ? GL_REPLACE : GL_MODULATE);
}

namespace {
struct SamplerCalls {
    PFNGLGENSAMPLERSPROC Gen = nullptr;
    PFNGLBINDSAMPLERPROC Bind = nullptr;
    PFNGLSAMPLERPARAMETERIPROC Parameter = nullptr;
    PFNGLDELETESAMPLERSPROC Delete = nullptr;
};
// Asked once: the GL library's entry points are the same for every context.
const SamplerCalls& samplerCalls() {
    static const SamplerCalls calls = [] {
        SamplerCalls c;
        if (!platform::GLWindow::extensionSupported("GL_ARB_sampler_objects")) return c;
        c.Gen = reinterpret_cast<PFNGLGENSAMPLERSPROC>(platform::GLWindow::getProcAddress("glGenSamplers"));
        c.Bind = reinterpret_cast<PFNGLBINDSAMPLERPROC>(platform::GLWindow::getProcAddress("glBindSampler"));
        c.Parameter =
            reinterpret_cast<PFNGLSAMPLERPARAMETERIPROC>(platform::GLWindow::getProcAddress("glSamplerParameteri"));
        c.Delete = reinterpret_cast<PFNGLDELETESAMPLERSPROC>(platform::GLWindow::getProcAddress("glDeleteSamplers"));
        if (!c.Gen || !c.Bind || !c.Parameter || !c.Delete) c = SamplerCalls{};
        return c;
    }();
    return calls;
}
}  // namespace

bool ZephGLView::readNearestLevel(int32_t slotNumber, bool on, bool magnified) {
    // The blend of two levels takes the farther one by at most half: the nearest level alone moves
    // a colour channel by at most half the step between them, times the colour that modulates it,
    // and by the rasteriser's rounding of its filter weights, a level or two. Pictures with alpha
    // keep the blend, whose alpha test it could tip.
    bool usable = on && slotNumber >= 0 && slotNumber < kTextureSlots;
    if (usable) {
        const SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
        const GLenum format = GLenum(slot.OpenGLFormat);
        usable = slot.TextureStatus == 2 && !(slot.Flags & kFlagNoMipmaps) &&
                 (format == GL_RGB5 || format == GL_RGB8 || format == GL_R3_G3_B2);
        if (usable && slot.LevelStep * 0.5f > kMostMove)
            usable = !(slot.Flags & kFlagReplace) && slot.LevelStep * 0.5f * brightestModulation() <= kMostMove;
    }
    // Level 0 alone is read exactly as the mipmapped filters read it where no pixel shrinks it, in
    // any format.
    magnified = magnified && slotNumber >= 0 && slotNumber < kTextureSlots &&
                TheTextureMaps_[slotNumber].TextureStatus == 2 && !(TheTextureMaps_[slotNumber].Flags & kFlagNoMipmaps);
    usable = usable || magnified;
    if (usable && readings_.Made == 0) {
        const SamplerCalls& gl = samplerCalls();
        readings_.Made = gl.Gen ? 1 : -1;
        if (gl.Gen) {
            gl.Gen(GLsizei(readings_.Names.size()), readings_.Names.data());
            // Wrapping as glSetCurrentTexture sets a texture's: GL_REPEAT, or GL_CLAMP_TO_EDGE for clamped slots.
            for (size_t k = 0; k < readings_.Names.size(); ++k) {
                const GLuint name = readings_.Names[k];
                const GLint wrap = k % 2 ? GL_CLAMP_TO_EDGE : GL_REPEAT;
                gl.Parameter(name, GL_TEXTURE_WRAP_S, wrap);
                gl.Parameter(name, GL_TEXTURE_WRAP_T, wrap);
                gl.Parameter(name, GL_TEXTURE_MIN_FILTER, k < 2 ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
                gl.Parameter(name, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            }
        }
    }
    const size_t which = ((TheTextureMaps_[std::max(slotNumber, 0)].Flags & kFlagClamp) ? 1 : 0) + (magnified ? 2 : 0);
    const uint32_t wanted = usable && readings_.Made > 0 ? readings_.Names[which] : 0;
    if (wanted != readings_.Bound) {
        samplerCalls().Bind(0, wanted);
        readings_.Bound = wanted;
    }
    return wanted != 0;
}

std::array<float, 3> ZephGLView::brightestLit() const {
    // Lit, the primary colour is the emission, the ambient material times the scene's and the
    // light's ambient, and the diffuse material times the light's diffuse (the sun meeting a point
    // square on, at most), clamped to 1 only after (the specular is added after the texture). Only
    // the sun, light 0, lights.
    constexpr std::array<float, 3> kUnknown{2, 2, 2};
    std::array<float, 3> colour{1, 1, 1};
    if (glIsEnabled(GL_LIGHTING)) {
        if (!glIsEnabled(GL_LIGHT0)) return kUnknown;
        for (GLenum light = GL_LIGHT1; light <= GL_LIGHT7; ++light)
            if (glIsEnabled(light)) return kUnknown;
        GLfloat emission[4], ambient[4], diffuse[4], scene[4], lightAmbient[4], lightDiffuse[4];
        glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
        glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glGetFloatv(GL_LIGHT_MODEL_AMBIENT, scene);
        glGetLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
        glGetLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
        for (size_t k = 0; k < 3; ++k)
            colour[k] = emission[k] + ambient[k] * (scene[k] + lightAmbient[k]) + diffuse[k] * std::max(lightDiffuse[k], 0.0f);
    } else {
        GLfloat current[4] = {1, 1, 1, 1};
        glGetFloatv(GL_CURRENT_COLOR, current);
        std::copy_n(current, 3, colour.begin());
    }
    for (float& c : colour)
        if (!std::isfinite(c)) c = kUnknown[0];
    return colour;
}

float ZephGLView::brightestModulation() const {
    float most = 0;
    for (const float c : brightestLit()) most = std::max(most, std::clamp(c, 0.0f, 1.0f));
    return most;
}

bool ZephGLView::magnifiedTriangle(const std::array<ClipCorner, 3>& corners, const std::array<double, 4>& viewport,
                                   const std::array<double, 4>& area, double wide, double high, double* drawn) {
    // Only the part in front of the near plane (z >= -w) is drawn; cut there, the polygon keeps
    // the triangle's plane and its coordinates' linear course in clip space.
    std::array<ClipCorner, 4> kept{};
    size_t n = 0;
    for (size_t i = 0; i < 3; ++i) {
        const ClipCorner& a = corners[i];
        const ClipCorner& b = corners[(i + 1) % 3];
        const double da = a.Z + a.W, db = b.Z + b.W;
        if (da >= 0) kept[n++] = a;
        if ((da >= 0) != (db >= 0)) {
            const double f = da / (da - db);
            const auto at = [f](double u, double v) { return u + (v - u) * f; };
            kept[n++] = {at(a.X, b.X), at(a.Y, b.Y), at(a.Z, b.Z), at(a.W, b.W), at(a.S, b.S), at(a.T, b.T)};
        }
    }
    if (n < 3) return true;  // nothing drawn
    // In the window, 1/w (q) and s/w, t/w in texels (u, v) run linearly; s = u/q. Its slope
    // d(u/q)/dx = (u_x q - u q_x) / q^2, whose numerator n is linear over the window. Along any
    // line n/q, linear over linear with q > 0, runs one way: over a convex region it is largest
    // in size at a corner, as q is least at one; the slope is at most the one over the other.
    struct Window {
        double X, Y, Q, U, V;
    };
    std::array<Window, 4> w{};
    for (size_t i = 0; i < n; ++i) {
        if (!(kept[i].W > 0)) return false;
        const double q = 1 / kept[i].W;
        w[i] = {viewport[0] + (kept[i].X * q + 1) * 0.5 * viewport[2], viewport[1] + (kept[i].Y * q + 1) * 0.5 * viewport[3],
                q, kept[i].S * wide * q, kept[i].T * high * q};
    }
    for (size_t k = 1; k + 1 < n; ++k) {
        const Window& a = w[0];
        const Window& b = w[k];
        const Window& c = w[k + 1];
        const double det = (b.X - a.X) * (c.Y - a.Y) - (c.X - a.X) * (b.Y - a.Y);
        if (det == 0) continue;  // no area, no pixel
        const auto slope = [&](double fa, double fb, double fc) {
            return std::array<double, 2>{((fb - fa) * (c.Y - a.Y) - (fc - fa) * (b.Y - a.Y)) / det,
                                         ((fc - fa) * (b.X - a.X) - (fb - fa) * (c.X - a.X)) / det};
        };
        const auto q = slope(a.Q, b.Q, c.Q), u = slope(a.U, b.U, c.U), v = slope(a.V, b.V, c.V);
        // The pixels drawn lie in the triangle within the area; a quad's helper pixels within a
        // pixel of them in x and y. That region's corners are the cut triangle's corners moved by
        // up to kHelper each way, where linear functions take their extremes.
        constexpr double kHelper = 1.5;  // px
        std::array<std::array<double, 2>, 9> cut{}, next{};
        size_t m = 0;
        for (const Window* e : {&a, &b, &c}) cut[m++] = {e->X, e->Y};
        for (int side = 0; side < 4 && m > 0; ++side) {
            const int axis = side % 2;
            const double edge = area[size_t(side)], sign = side < 2 ? 1 : -1;  // x0, y0 keep above; x1, y1 below
            size_t k2 = 0;
            for (size_t i = 0; i < m; ++i) {
                const auto& from = cut[i];
                const auto& to = cut[(i + 1) % m];
                const double df = (from[size_t(axis)] - edge) * sign, dt = (to[size_t(axis)] - edge) * sign;
                if (df >= 0) next[k2++] = from;
                if ((df >= 0) != (dt >= 0)) {
                    const double f = df / (df - dt);
                    next[k2++] = {from[0] + (to[0] - from[0]) * f, from[1] + (to[1] - from[1]) * f};
                }
            }
            m = k2;
            cut = next;
        }
        if (m == 0) continue;  // wholly outside the area
        if (drawn) {
            double twice = 0;
            for (size_t i = 0; i < m; ++i)
                twice += cut[i][0] * cut[(i + 1) % m][1] - cut[(i + 1) % m][0] * cut[i][1];
            *drawn += std::abs(twice) * 0.5;
        }
        double leastQ = INFINITY;
        std::array<double, 4> most{};  // |u_x q - u q_x| / q, |v_x q - v q_x| / q, the same in y
        for (size_t i = 0; i < m; ++i)
            for (const double dx : {-kHelper, kHelper})
                for (const double dy : {-kHelper, kHelper}) {
                    const double x = cut[i][0] + dx - a.X, y = cut[i][1] + dy - a.Y;
                    const double qa = a.Q + q[0] * x + q[1] * y;
                    const double ua = a.U + u[0] * x + u[1] * y;
                    const double va = a.V + v[0] * x + v[1] * y;
                    leastQ = std::min(leastQ, qa);
                    if (!(leastQ > 0)) return false;
                    const std::array<double, 4> here{std::abs(u[0] * qa - ua * q[0]) / qa, std::abs(v[0] * qa - va * q[0]) / qa,
                                                     std::abs(u[1] * qa - ua * q[1]) / qa, std::abs(v[1] * qa - va * q[1]) / qa};
                    // A point whose own steps are too long fails the bound over the region at once.
                    const double q2 = qa * qa;
                    if (here[0] * here[0] + here[1] * here[1] > q2 || here[2] * here[2] + here[3] * here[3] > q2) return false;
                    for (size_t k2 = 0; k2 < 4; ++k2) most[k2] = std::max(most[k2], here[k2]);
                }
        // The steps' lengths at most 1 texel: a level of detail of at most 0.
        if (!(std::hypot(most[0], most[1]) <= leastQ && std::hypot(most[2], most[3]) <= leastQ)) return false;
    }
    return true;
}

bool ZephGLView::magnifiedThroughout(const ObjectPointsPolysVer2& g, int32_t slot, std::span<const uint16_t> triangles) {
    const std::optional<PictureOnScreen> seen = pictureOnScreen(g, slot);
    if (!seen) return false;
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
        if (!magnifiedTriangle(seen->corners(g, triangles.data() + i), seen->Viewport, seen->Area, seen->Wide, seen->High))
            return false;
    return true;
}

bool ZephGLView::magnifiedEach(const ObjectPointsPolysVer2& g, int32_t slot, std::span<const uint16_t> triangles,
                               const WorthAsking& worth, std::vector<uint8_t>& magnified, double& magnifiedArea) {
    magnified.clear();
    magnifiedArea = 0;
    const std::optional<PictureOnScreen> seen = pictureOnScreen(g, slot);
    if (!seen) return false;
    const size_t count = triangles.size() / 3;
    const double screen = std::max(0.0, seen->Area[2] - seen->Area[0]) * std::max(0.0, seen->Area[3] - seen->Area[1]);
    windowAreas_.clear();
    double large = 0;  // px, at most, of the triangles still to ask after the first that failed
    for (size_t t = 0; t < count; ++t) {
        // Once one has failed, only the triangles that may pay for a draw of their own are asked,
        // while those and the ones answered yes may still pay together.
        const bool failed = !windowAreas_.empty();
        if (failed && !(windowAreas_[t] >= worth.Each && large + magnifiedArea >= worth.Together)) {
            magnified.push_back(0);
            continue;
        }
        double drawn = 0;
        const bool each = magnifiedTriangle(seen->corners(g, triangles.data() + 3 * t), seen->Viewport, seen->Area,
                                            seen->Wide, seen->High, &drawn);
        magnified.push_back(each);
        if (each) magnifiedArea += drawn;
        if (failed) {
            large -= windowAreas_[t];
        } else if (!each) {
            windowAreas_.assign(count, 0);
            for (size_t k = t + 1; k < count; ++k) {
                windowAreas_[k] = std::min(screen, seen->windowArea(seen->corners(g, triangles.data() + 3 * k)));
                if (windowAreas_[k] >= worth.Each) large += windowAreas_[k];
            }
        }
    }
    return true;
}

double ZephGLView::PictureOnScreen::windowArea(const std::array<ClipCorner, 3>& c) const {
    // Behind the eye's plane the window has no bound on it.
    if (!(c[0].W > 0 && c[1].W > 0 && c[2].W > 0)) return INFINITY;
    std::array<double, 6> xy{};
    for (size_t k = 0; k < 3; ++k) xy[2 * k] = c[k].X / c[k].W * Viewport[2], xy[2 * k + 1] = c[k].Y / c[k].W * Viewport[3];
    return std::abs((xy[2] - xy[0]) * (xy[5] - xy[1]) - (xy[4] - xy[0]) * (xy[3] - xy[1])) * 0.125;
}

std::array<ZephGLView::ClipCorner, 3> ZephGLView::PictureOnScreen::corners(const ObjectPointsPolysVer2& g,
                                                                          const uint16_t* triangle) const {
    std::array<ClipCorner, 3> c{};
    for (size_t k = 0; k < 3; ++k) {
        const GLT2FN3FV3FFormat& pt = g.ThePoints[triangle[k]];
        std::array<double, 4> clip{};
        for (size_t r = 0; r < 4; ++r) clip[r] = Mvp[r] * pt.X + Mvp[4 + r] * pt.Y + Mvp[8 + r] * pt.Z + Mvp[12 + r];
        c[k] = {clip[0], clip[1], clip[2], clip[3], pt.U, pt.V};
    }
    return c;
}

std::optional<ZephGLView::PictureOnScreen> ZephGLView::pictureOnScreen(const ObjectPointsPolysVer2& g, int32_t slot) {
    if (!g.ThePoints || slot < 0 || slot >= kTextureSlots || TheTextureMaps_[slot].TextureStatus != 2) return std::nullopt;
    // The arrays GL reads must be g's points, plainly laid out, read as they are.
    GLvoid* texels = nullptr;
    GLvoid* places = nullptr;
    GLint texelStride = 0, placeStride = 0;
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &texels);
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &places);
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_STRIDE, &texelStride);
    glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &placeStride);
    constexpr GLint kStride = sizeof(GLT2FN3FV3FFormat);
    if (texels != static_cast<void*>(&g.ThePoints[0].U) || places != static_cast<void*>(&g.ThePoints[0].X) ||
        texelStride != kStride || placeStride != kStride || glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T))
        return std::nullopt;
    GLMatrix texture{}, model{}, projection{};
    GLdouble viewport[4];
    glGetDoublev(GL_TEXTURE_MATRIX, texture.data());
    if (texture != identityMatrix()) return std::nullopt;
    glGetDoublev(GL_MODELVIEW_MATRIX, model.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetDoublev(GL_VIEWPORT, viewport);
    // Pixels are drawn only within the viewport, the window and the scissor box.
    std::array<double, 4> area{viewport[0], viewport[1], viewport[0] + viewport[2], viewport[1] + viewport[3]};
    if (window_) {
        int width = 0, height = 0;
        window_->drawableSize(width, height);
        area = {std::max(area[0], 0.0), std::max(area[1], 0.0), std::min(area[2], double(width)), std::min(area[3], double(height))};
    }
    if (glIsEnabled(GL_SCISSOR_TEST)) {
        GLint box[4];
        glGetIntegerv(GL_SCISSOR_BOX, box);
        area = {std::max(area[0], double(box[0])), std::max(area[1], double(box[1])),
                std::min(area[2], double(box[0] + box[2])), std::min(area[3], double(box[1] + box[3]))};
    }
    return PictureOnScreen{multiply(projection, model), {viewport[0], viewport[1], viewport[2], viewport[3]}, area,
                           double(TheTextureMaps_[slot].Width), double(TheTextureMaps_[slot].Height)};
}

void ZephGLView::releaseSamplers() {
    if (readings_.Made > 0) {
        if (readings_.Bound) samplerCalls().Bind(0, 0);
        samplerCalls().Delete(GLsizei(readings_.Names.size()), readings_.Names.data());
    }
    readings_ = Readings{};
}

uint32_t ZephGLView::getglTextNum(int32_t slotNumber) const {
    if (slotNumber < 0 || slotNumber >= kTextureSlots) return 0;
    return TheTextureMaps_[slotNumber].OpenGLMapNumber;
}

}  // namespace pellam::render
