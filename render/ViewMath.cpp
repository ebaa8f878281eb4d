#include "render/ViewMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Degrees.h"
#include "core/ZephModel.h"

namespace pellam::render {
namespace {

GLMatrix rotation(double degrees, int axis) {
    const double a = degrees / kDeg, c = std::cos(a), s = std::sin(a);
    GLMatrix m = identityMatrix();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;  // the plane the rotation turns
    m[4 * i + i] = c;
    m[4 * j + j] = c;
    m[4 * i + j] = s;   // column i, row j
    m[4 * j + i] = -s;  // column j, row i
    return m;
}

}  // namespace

GLMatrix identityMatrix() {
    GLMatrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

GLMatrix multiply(const GLMatrix& a, const GLMatrix& b) {
    GLMatrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = sum;
        }
    return r;
}

void Make4by4TranslationMatrix(GLMatrix& m, const Eye& eye) {
    m = identityMatrix();
    m[12] = eye[0];
    m[13] = eye[1];
    m[14] = eye[2];
}

void Make4by4RotationMatrix(GLMatrix& m, const Eye& eye) {
    m = multiply(multiply(rotation(eye[4], 2), rotation(eye[3], 0)), rotation(eye[5], 1));
}

void makeCameraQNionTheta(double thetaDegrees, double ax, double by, double cz, QNion& answer) {
    const double h = thetaDegrees / kDeg / 2, s = std::sin(h);
    answer.QAttitude = {std::cos(h), ax * s, by * s, cz * s};
}

void makeModelQNionTheta(double thetaDegrees, double ax, double by, double cz, QNion& answer) {
    makeCameraQNionTheta(-thetaDegrees, ax, by, cz, answer);
}

void cameraAttitudeToVector(double x, double y, double z, QNion& camera) {
    camera.QAttitude = {1, 0, 0, 0};
    QNion turn;
    const double a = std::atan2(x, z);
    turn.QAttitude = {std::cos(a / 2), 0, std::sin(a / 2), 0};
    ZephModel::multQnionsAnswer(&turn, &camera);
    const double p = std::atan2(-y, z);
    turn.QAttitude = {std::cos(p / 2), std::sin(p / 2), 0, 0};
    ZephModel::multQnionsAnswer(&turn, &camera);
}

void facingSquare(const GLMatrix& r, const GLMatrix& eyeT, const double* centre, XYZInput* out) {
    const double d[3] = {centre[0] - eyeT[12], centre[1] - eyeT[13], centre[2] - eyeT[14]};
    const double e[3] = {r[0] * d[0] + r[4] * d[1] + r[8] * d[2], r[1] * d[0] + r[5] * d[1] + r[9] * d[2],
                         r[2] * d[0] + r[6] * d[1] + r[10] * d[2]};
    static constexpr double corner[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        const double c[3] = {e[0] + corner[k][0], e[1] + corner[k][1], e[2]};
        out[k].MyX = r[0] * c[0] + r[1] * c[1] + r[2] * c[2] - d[0];
        out[k].MyY = r[4] * c[0] + r[5] * c[1] + r[6] * c[2] - d[1];
        out[k].MyZ = r[8] * c[0] + r[9] * c[1] + r[10] * c[2] - d[2];
    }
}

void facingSquareHeadingOnly(const GLMatrix& eyeT, const double* centre, XYZInput* out) {
    const double a = std::atan2(centre[0] - eyeT[12], centre[2] - eyeT[14]);
    const double s = std::sin(a), c = std::cos(a);
    const double v[4][3] = {{-c, 1, s}, {c, 1, -s}, {c, -1, -s}, {-c, -1, s}};
    for (int k = 0; k < 4; ++k) {
        out[k].MyX = v[k][0];
        out[k].MyY = v[k][1];
        out[k].MyZ = v[k][2];
    }
}

SunLight sunFromHour(double hour) {
    double h = hour == 0 ? 14 : hour;
    h = std::clamp(h, 4.0, 20.0);
    SunLight sun;
    const double a = h / 3.819718634;  // h pi / 12
    const double x = std::sin(a), y = -std::cos(a), z = 0.0;
    const double b = -0.3490658504;  // tilted 20 deg towards -Z at noon
    sun.direction = {x, std::cos(b) * y - std::sin(b) * z, std::sin(b) * y + std::cos(b) * z};
    if (h >= 7 && h <= 17) {
        sun.diffuse = {1, 1, 1, 1};
        sun.ambient = {0.5f, 0.5f, 0.5f, 1};
    } else {
        const double hh = h > 17 ? 24 - h : h;
        const double t = std::max(0.0, hh - 3.5) / 3.5;
        if (t >= 0.5) {
            const double u = 2 * t - 1;
            sun.diffuse = {1, float(0.5 * u + 0.5), float(0.7 * u + 0.3), 1};
            const float amb = float(0.1 * u + 0.4);
            sun.ambient = {amb, amb, amb, 1};
        } else {
            const double s = 2 * t;
            sun.diffuse = {float(s), float(0.5 * s), float(0.3 * s), 1};
            const float amb = float(0.2 * s + 0.2);
            sun.ambient = {amb, amb, amb, 1};
        }
    }
    // A sun below the horizon lights nothing directly: its light would come up through the ground
    // and show the faces of an aircraft turned to it (struts, woodwork) bright against a dark world.
    // Faded out over its first 0.1 (about 6 degrees) below the horizon; the ambient stays.
    const float above = float(std::clamp(1.0 + sun.direction[1] / 0.1, 0.0, 1.0));
    for (size_t k = 0; k < 3; ++k) sun.diffuse[k] *= above;
    sun.specFactor = std::clamp(sun.direction[1], 0.0, 1.0);
    return sun;
}

void glNumToString(int64_t v, unsigned char* out) {
    char digits[24];
    int n = 0;
    // Work on the magnitude as unsigned: -v of the most negative value does not exist.
    uint64_t m = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    do {
        digits[n++] = char('0' + m % 10);
        m /= 10;
    } while (m != 0 && n < 20);
    int len = 0;
    if (v < 0) out[1 + len++] = '-';
    while (n > 0) out[1 + len++] = static_cast<unsigned char>(digits[--n]);
    out[0] = static_cast<unsigned char>(len);
}

std::string pascalToString(const unsigned char* p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

void stringToPascal(std::string_view s, unsigned char* out) {
    const size_t n = std::min<size_t>(s.size(), 255);
    out[0] = static_cast<unsigned char>(n);
    std::memcpy(out + 1, s.data(), n);
}

GlyphQuad glyphQuad(double across, double down, int n, int code, double size, double textFixerY) {
    const int row = code / 16, column = code - 16 * row;
    const double s0 = column * 0.0625, t0 = 1 - row * 0.125;
    const double x0 = across + n * kGlyphWidth * size, x1 = x0 + kGlyphWidth * size;
    // Snap the top to a whole pixel row so that text stays crisp.
    const double d = textFixerY > 0 ? std::trunc(down / textFixerY + 0.5) * textFixerY : down;
    const double y0 = 1 - d, y1 = 1 - (d + kGlyphHeight * size);
    return {2 * x0 - 1, 2 * y0 - 1, 2 * x1 - 1, 2 * y1 - 1, s0 + 0.001, t0 - 0.002, s0 + 0.0625 - 0.001,
            t0 - 0.125 + 0.002};
}

int64_t framebufferBytes(double width, double height, int bitsPerPixel) {
    return static_cast<int64_t>(width * height * (bitsPerPixel / 8) * 2) + static_cast<int64_t>(width * height * 3);
}

bool vramOkay(int64_t vram, int64_t used) { return vram - used >= 2880000; }

int textureLevel(int64_t vram, int64_t used) {
    const int64_t free = vram - used;
    if (free < 20971520) return 1;
    if (free < 40000000) return 2;
    return 3;
}

WindowRect windowRectFor(double requestedWidth, double requestedHeight, double displayWidth, double displayHeight) {
    WindowRect r;
    if (requestedWidth <= 0) {
        r.width = static_cast<int>(displayWidth);
        r.height = static_cast<int>(displayHeight);
        r.fullScreen = true;
        return r;
    }
    double w = requestedWidth, h = requestedHeight;
    const bool wide = displayWidth > 1024;
    if (wide) {
        w = 0.66 * displayWidth;
        h = 0.66 * displayHeight;
    }
    const double bottom = wide ? 1.65 * (displayHeight - h) / 2 : (displayHeight - h) / 2 + 32;
    r.width = static_cast<int>(w);
    r.height = static_cast<int>(h);
    r.x = static_cast<int>((displayWidth - w) / 2);
    r.y = std::max(0, static_cast<int>(displayHeight - bottom - h));
    return r;
}

int loadingPercent(int32_t feedbackCount) {
    return static_cast<int>(std::min(100.0, feedbackCount / 260.0 * 100.0 + 0.9));
}

double loadingFill(int32_t feedbackCount) { return std::min(1.0, feedbackCount / 260.0); }

}  // namespace pellam::render
