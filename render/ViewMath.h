#pragma once
// The view's arithmetic without GL: eye matrices, camera quaternions, facing squares, the sun
// from the hour, text geometry, number text, display sizes and video-memory levels. The view
// calls these and hands the results to GL, so they can be tested headless.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/GeometryRecords.h"
#include "core/QNion.h"

namespace pellam::render {

// 16 doubles in OpenGL column order: element 4 c + r is row r, column c; 12..14 the translation.
using GLMatrix = std::array<double, 16>;
// Eye: x, y, z (ft), then pitch, bank, heading (deg).
using Eye = std::array<double, 6>;

GLMatrix identityMatrix();
// Identity with the eye position in 12..14.
void Make4by4TranslationMatrix(GLMatrix& m, const Eye& eye);
// Rz(bank) x Rx(pitch) x Ry(heading), as glRotated applied in that order builds it.
void Make4by4RotationMatrix(GLMatrix& m, const Eye& eye);
// a x b, both column order.
GLMatrix multiply(const GLMatrix& a, const GLMatrix& b);

// Attitude (cos h, ax sin h, by sin h, cz sin h), h = theta / 2 in radians; the axis is not
// normalised and the position is left alone.
void makeCameraQNionTheta(double thetaDegrees, double ax, double by, double cz, QNion& answer);
void makeModelQNionTheta(double thetaDegrees, double ax, double by, double cz, QNion& answer);
// The camera attitude that looks along (x, y, z): heading about Y, then pitch about X on the left.
void cameraAttitudeToVector(double x, double y, double z, QNion& camera);

// Offsets from a sprite's centre of a 2 x 2 square facing the eye (rotation r, eye position in
// eyeT 12..14); written to MyX, MyY, MyZ of four records.
void facingSquare(const GLMatrix& r, const GLMatrix& eyeT, const double* centre, XYZInput* out);
// The same square kept upright, turned about the vertical only.
void facingSquareHeadingOnly(const GLMatrix& eyeT, const double* centre, XYZInput* out);

// The sun for an hour of the day (0 means 14; clamped to 4..20).
struct SunLight {
    std::array<double, 3> direction{};  // unit vector towards the sun, world axes, Y up
    std::array<float, 4> diffuse{};
    std::array<float, 4> ambient{};
    double specFactor = 0.0;  // sun height 0..1
};
SunLight sunFromHour(double hour);

// Decimal text of v as a length-prefixed string: "-45" is {3, '-', '4', '5'}. `out` holds 12 bytes.
void glNumToString(int64_t v, unsigned char* out);
std::string pascalToString(const unsigned char* p);
// Length-prefixed copy of s, cut at 255 characters, into out (256 bytes).
void stringToPascal(std::string_view s, unsigned char* out);

// Message text size: TypeSize, TypeLeading, TypeDownAmount for a requested size (clamped 0.5..1.1).
struct TypeMetrics {
    double size = 0.8;
    double leading = 0.8 * 0.027;
    double downAmount = 0.97 - 5 * 0.8 * 0.027;
};
inline TypeMetrics typeMetricsFor(double requested) {
    TypeMetrics m;
    m.size = std::clamp(requested, 0.5, 1.1);
    m.leading = m.size * 0.0273;
    m.downAmount = m.leading * -5 + 0.97;
    return m;
}

// Where a network line is drawn, at the stored text size made half as large again so that it
// reads at a glance, in a column kept off the view's left and bottom edges: at the foot the
// players' kills of line 5, above them line 5's team kills and rules, above those the messages,
// lines 4 up to 0.
struct MessageLinePlace {
    double across, down, size;  // screen units (0..1 from the top left) and glyph size
};
inline constexpr double kGlyphWidth = 0.00745;    // of the view's width, per unit of size
inline constexpr double kGlyphHeight = 0.027565;  // of the view's height, per unit of size
inline constexpr double kMessageScale = 1.5;
inline constexpr double kMessageMargin = 0.012;  // of the view's width and height
inline constexpr int kKillsLine = 5;             // line 5's players' kills
inline constexpr int kRulesLine = 6;             // line 5's team kills and rules
inline MessageLinePlace messageLinePlace(int line, const TypeMetrics& type) {
    const double size = type.size * kMessageScale, leading = type.leading * kMessageScale;
    const double foot = 1.0 - kMessageMargin - kGlyphHeight * size;
    const int row = line == kKillsLine ? 0 : line == kRulesLine ? 1 : 6 - std::clamp(line, 0, 4);
    return {kMessageMargin, foot - row * leading, size};
}

// One character cell in GL units under identity matrices, with its texture corners.
struct GlyphQuad {
    double x0, y0, x1, y1;  // left, top, right, bottom
    double s0, t0, s1, t1;  // texture left, top, right, bottom
};
// Character n of a string placed at (across, down) in screen units; textFixerY = 1 / view height.
GlyphQuad glyphQuad(double across, double down, int n, int code, double size, double textFixerY);

// Screen units (0, 0) top-left to (1, 1) bottom-right, to GL units under identity matrices.
inline double screenToGLX(double x) { return 2 * x - 1; }
inline double screenToGLY(double y) { return 2 * (1 - y) - 1; }

// Frame-buffer bytes counted against video memory: two colour buffers plus a 3-byte depth.
int64_t framebufferBytes(double width, double height, int bitsPerPixel);
bool vramOkay(int64_t vram, int64_t used);
int textureLevel(int64_t vram, int64_t used);

// The view's window from the requested rectangle (zero width: the whole display). y is the
// top edge measured down from the display's top.
struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool fullScreen = false;
};
WindowRect windowRectFor(double requestedWidth, double requestedHeight, double displayWidth, double displayHeight);

// Loading-screen progress: the percentage drawn at feedback call n, and the bar fill 0..1.
int loadingPercent(int32_t feedbackCount);
double loadingFill(int32_t feedbackCount);

}  // namespace pellam::render
