#pragma once
// The view's table of 300 textures and the picture work done before an upload: the format
// from the name's last letter, the upside-down RGBA8 working picture, mask and colour key, and
// the box filter that halves a picture for smaller sizes and mipmaps. No GL calls here.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::render {

constexpr int kTextureSlots = 300;
constexpr int kTextureWarnSlot = 280;  // a load above this slot warns that the table is nearly full
constexpr size_t kMaxTextureName = 60;

// Failure codes of the loader; callers keep them as their texture number and binding ignores them.
enum TextureError : int32_t {
    kNoSuchImage = -5,
    kNoMemory = -21,
    kGLErrorPending = -22,
    kNotSquarePowerOfTwo = -25,
    kTableFull = -26,
    kViewNotStarted = -40,
    kNameTooLong = -48,
};

// Flags bits beyond the format index.
constexpr int16_t kFlagNoMipmaps = 0x4, kFlagClamp = 0x8, kFlagSpecial = 16, kFlagReplace = 0x20;

struct SingleTextureStructure {
    uint32_t OpenGLMapNumber = 0;  // GL texture name; 1 once released
    int32_t OpenGLFormat = 0;      // GL internal format
    int32_t TotalBytes = 0;        // Width x Height x 4
    int16_t TextureStatus = 1;     // 1 free, 2 loaded
    uint64_t Picture = 0;          // names the picture loaded here: no two loads in the process share one
    int16_t Flags = 0;             // format index 0..15, +16 special; see the kFlag bits
    int16_t CanDelete = 0;         // use count: every load or reuse adds one, every release takes one
    int16_t Width = 0, Height = 0;  // texels, always equal
    int16_t OriginalWidth = 0;     // the file's width before scaling
    std::string TextureMapName;    // the whole name asked for (last path component)
    // The most a colour channel read linearly from one mip level can differ from one read at the
    // same place from the next level down (0..1); 1 where not known.
    float LevelStep = 1;
};
using TextureMaps = std::array<SingleTextureStructure, kTextureSlots>;

struct TextureFormat {
    int index = 0;          // 0..15
    uint32_t internal = 0;  // GL internal format
    bool rgbOnly = true;    // GL_RGB5, GL_RGB8, GL_R3_G3_B2: no alpha stored
    bool masked = false;    // GL_RGBA4, GL_RGBA2: alpha from a mask picture
    bool keyed = false;     // GL_RGB5_A1, GL_RGBA8: alpha from the colour key
};
// From the name's last character; special (paint jobs) is index 12 GL_RGB5; depth 10 asks for 8 bits.
TextureFormat formatForName(const std::string& name, bool special, int depth);

// The last path component.
std::string textureName(const std::string& path);

// A square RGBA8 picture, first row the picture's bottom (as GL takes it).
struct TexturePicture {
    int edge = 0;
    std::vector<uint8_t> rgba;
    uint8_t* at(int x, int y) { return &rgba[(size_t(y) * edge + x) * 4]; }
};
// Turns the rows over and sets alpha 255 (the file's own alpha is not used).
TexturePicture pictureFromImage(const platform::RGBAImage& image);
// Alpha from the mask's red channel. False (nothing changed) when the mask's size differs.
bool applyMask(TexturePicture& picture, const platform::RGBAImage& mask);
// Texels with exactly the top-left texel's colour become (0, 0, 0, 0).
void applyColourKey(TexturePicture& picture);
// Halves by 2 x 2 blocks (colour from the texels that are not transparent, alpha from the
// diagonal) or doubles by repeating texels until the edge is finalEdge (1..1024).
void resizePicture(TexturePicture& picture, int finalEdge);
bool isTextureEdge(int n);  // 32, 64, ..., 1024
// How far a colour channel (red, green, blue), read with linear filtering anywhere from `fine`,
// can lie from the same place read from `coarse`, its next mip level (half the edge), repeating or
// clamped at the edges: 0..255, rounded up. 255 for pictures wider than kLargestStepEdge.
constexpr int kLargestStepEdge = 512;
int levelStep(const TexturePicture& fine, const TexturePicture& coarse, bool clamped);

// The texels of the 'missing texture' slot: magenta and black squares with a yellow frame.
TexturePicture missingPicture();

}  // namespace pellam::render
