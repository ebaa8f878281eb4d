#include "aircraft/draw/VertexRotation.h"

#include <cmath>

namespace pellam::looks {
namespace {

constexpr double kDegPerRad = 57.29577951;

// One point (or normal, with zero offsets) about one axis.
void turn(int axis, double s, double c, double ox, double oy, double oz, float& x, float& y, float& z) {
    const double px = x + ox, py = y + oy, pz = z + oz;
    switch (axis) {
    case 0:
        y = float(py * c - pz * s - oy);
        z = float(py * s + pz * c - oz);
        break;
    case 1:
        x = float(px * c + pz * s - ox);
        z = float(-px * s + pz * c - oz);
        break;
    case 2:
        x = float(px * c - py * s - ox);
        y = float(px * s + py * c - oy);
        break;
    default:
        break;
    }
}

void turnAll(int axis, double radians, const GLT2FN3FV3FFormat* in, long length, GLT2FN3FV3FFormat* out, double ox,
             double oy, double oz, bool lighting) {
    const double s = std::sin(radians), c = std::cos(radians);
    for (long i = 0; i < length; ++i) {
        float x = in[i].X, y = in[i].Y, z = in[i].Z;
        float nx = in[i].NX, ny = in[i].NY, nz = in[i].NZ;
        turn(axis, s, c, ox, oy, oz, x, y, z);
        out[i].X = x;
        out[i].Y = y;
        out[i].Z = z;
        if (lighting) {
            turn(axis, s, c, 0, 0, 0, nx, ny, nz);
            out[i].NX = nx;
            out[i].NY = ny;
            out[i].NZ = nz;
        }
    }
}

// The x rotation framed by a turn about `frameAxis` and its undoing.
void framed(int frameAxis, double frame, double degrees, const GLT2FN3FV3FFormat* in, long length,
            GLT2FN3FV3FFormat* out, double ox, double oy, double oz, bool lighting) {
    turnAll(frameAxis, frame / kDegPerRad, in, length, out, ox, oy, oz, true);
    turnAll(0, degrees / kDegPerRad, out, length, out, ox, oy, oz, lighting);
    turnAll(frameAxis, frame / -kDegPerRad, out, length, out, ox, oy, oz, true);
}

}  // namespace

void rotateAboutAxis(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                     GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset, bool andLighting) {
    if (axis < 0 || axis > 2 || !start || !saveto || length <= 0) return;
    turnAll(int(axis), degrees / kDegPerRad, start, length, saveto, xOffset, yOffset, zOffset, andLighting);
}

void rotateAboutAxisWBank(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                          GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset, bool andLighting,
                          double bank) {
    if (axis != 0 || !start || !saveto || length <= 0) return;
    framed(2, bank, degrees, start, length, saveto, xOffset, yOffset, zOffset, andLighting);
}

void rotateAboutAxisWHeading(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                             GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset,
                             bool andLighting, double heading) {
    if (axis != 0 || !start || !saveto || length <= 0) return;
    framed(1, heading, degrees, start, length, saveto, xOffset, yOffset, zOffset, andLighting);
}

}  // namespace pellam::looks
