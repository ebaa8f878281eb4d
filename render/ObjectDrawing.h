#pragma once
// What an object that draws part of itself (smoke, tracers, gun smoke, moving parts) asks of the
// view, without including GL: the object's modelview, camera-facing squares, texture binding,
// one immediate-mode textured quad and the full drawer. The vertex operations at the end are
// plain arithmetic on point tables, inline so that simulation code can use them without linking
// the renderer.
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/Degrees.h"
#include "core/GeometryRecords.h"

namespace pellam::render {

class ObjectDrawingView {
public:
    virtual ~ObjectDrawingView() = default;

    // Loads the modelview for drawing in an object's own frame: scale (1, 1, -1), the camera
    // rotation, minus the eye, the sun as GL_LIGHT0, then `matrix` (16 doubles, column order,
    // 12..14 the world position in ft). The eye is subtracted in double precision.
    virtual void setupDrawingMatrixForModel(const double* matrix) = 0;
    // Offsets of a 2 x 2 square facing the eye (or only turned about the vertical) round `centre`
    // (world ft), written to MyX, MyY, MyZ of four points.
    virtual void glMakeFacingSquare(const double* centre, XYZInput* four) const = 0;
    virtual void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const = 0;
    // The eye of the pass being drawn: three doubles, world ft; null when not known.
    virtual const double* eyePosition() const { return nullptr; }
    // Drawing by the plain rules, without shortcuts that may change a pixel a little.
    virtual bool exactDrawing() const { return true; }
    // The frustum objects are drawn through: its sides as tangents (x / z and y / z in the eye's
    // axes, z ahead), its near and far planes (ft) and the viewport (px); false when not known.
    struct EyeWindow {
        double Left = 0, Right = 0, Bottom = 0, Top = 0, Near = 0, Far = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
    };
    virtual bool eyeWindow(EyeWindow&) const { return false; }
    // The alpha of texture slot 0..299's largest level as the GL samples it, rows from t = 0;
    // false when the slot holds no picture with an alpha of its own.
    virtual bool textureAlpha(int32_t, std::vector<uint8_t>&, int&, int&) { return false; }
    // A number naming the picture texture slot 0..299 holds, changed by every load that puts one
    // there and shared by no other load in the process; 0 when the slot holds none or the view
    // cannot say (then nothing derived from the picture may be kept).
    virtual uint64_t texturePicture(int32_t) const { return 0; }
    // Whether the fog moves no colour by more than half a level within `reach` ft of the eye.
    virtual bool fogFaintWithin(double) const { return false; }
    // Whether the smoke pass under way draws a piece whose middle stands `height` ft up: the
    // smoke is drawn in bands about the cloud decks, each piece in one, so a drawer asks before
    // placing a piece.
    virtual bool drawsSmokeAt(double) const { return true; }
    // Transparent polygons the pass's queue still has room for.
    virtual int transparentRoom() const { return 0; }
    // Binds texture slot 0..299; anything else binds nothing. Flag 12 for objects.
    virtual void glSetCurrentTexture(int32_t slot, int32_t flag) = 0;
    // Draws one smoke polygon at once under the modelview and texture the caller set: the points
    // named by `uvs` from poly->PointListStart to the entry numbered -1 (at most 64), a triangle
    // strip when DefaultDrawType is 6, else a polygon. Colour from `light`'s ambient red, green
    // and blue, alpha from each point's Mya; DrawHints as for object polygons (kFlatNormal: one flat normal).
    virtual void glDrawTransparentTexture(const OnePolygon* poly, const XYZInput* points, const PointUV* uvs,
                                          const MaterialLightData* light) = 0;
    // Draws a drawable record now (level of detail, moving parts, transparent polygons queued for
    // the end of the pass). Writes only the record's EyeRelativeX, Y, Z. Null draws nothing.
    virtual void glNewDrawOneObject(OneCompleteObjectVer2* object) = 0;
    // The eye of the frame being drawn, 16 doubles each: getEyeTM holds the eye's world position
    // (ft) in 12..14; getEyeRM turns world axes into the eye's (RotateVector), z ahead.
    virtual const double* getEyeTM() const { return kIdentity; }
    virtual const double* getEyeRM() const { return kIdentity; }

    // ---- Point transforms and vertex rotation.
    // Output i's MyX, MyY, MyZ = `m` (16 doubles, column order) applied to input i as a point, for
    // start <= i <= end; nothing else is written. Input and output may be the same array.
    static void RotatePoints(int start, int end, const XYZInput* input, const double* m, XYZInput* output) {
        for (int i = start; i <= end; ++i) {
            const double x = input[i].MyX, y = input[i].MyY, z = input[i].MyZ;
            output[i].MyX = x * m[0] + y * m[4] + z * m[8] + m[12];
            output[i].MyY = x * m[1] + y * m[5] + z * m[9] + m[13];
            output[i].MyZ = x * m[2] + y * m[6] + z * m[10] + m[14];
        }
    }

    // Rotates `length` points by `degrees` about axis 0 (x), 1 (y) or 2 (z) through the centre
    // (-xOffset, -yOffset, -zOffset), writing positions (and normals when andLighting) to `saveto`,
    // which may be `start`. U and V are never written; any other axis writes nothing.
    static void rotateAboutAxis(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                                GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset,
                                bool andLighting) {
        if (axis < 0 || axis > 2 || !start || !saveto) return;
        const double a = degrees / kDeg, s = std::sin(a), c = std::cos(a);
        for (long i = 0; i < length; ++i) {
            Point p{start[i].X, start[i].Y, start[i].Z, start[i].NX, start[i].NY, start[i].NZ};
            turn(p, int(axis), s, c, xOffset, yOffset, zOffset);
            store(p, saveto[i], andLighting);
        }
    }
    // About an x axis tilted by `bank` degrees about z: turn by +bank about z, by `degrees` about
    // x, then back by -bank about z, each step with the same offsets. Axis 0 only.
    static void rotateAboutAxisWBank(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                                     GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset,
                                     bool andLighting, double bank) {
        rotateAboutTiltedX(axis, degrees, start, length, saveto, xOffset, yOffset, zOffset, andLighting, bank, 2);
    }
    // The same with the x axis turned by `heading` degrees about y.
    static void rotateAboutAxisWHeading(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                                        GLT2FN3FV3FFormat* saveto, double xOffset, double yOffset, double zOffset,
                                        bool andLighting, double heading) {
        rotateAboutTiltedX(axis, degrees, start, length, saveto, xOffset, yOffset, zOffset, andLighting, heading, 1);
    }

private:
    static constexpr double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    struct Point {
        double X, Y, Z, NX, NY, NZ;
    };
    // One rotation of position (with offsets) and normal (without) about `axis`.
    static void turn(Point& p, int axis, double s, double c, double xo, double yo, double zo) {
        const double px = p.X + xo, py = p.Y + yo, pz = p.Z + zo;
        const double nx = p.NX, ny = p.NY, nz = p.NZ;
        switch (axis) {
        case 0:
            p.Y = py * c - pz * s - yo;
            p.Z = py * s + pz * c - zo;
            p.NY = ny * c - nz * s;
            p.NZ = ny * s + nz * c;
            break;
        case 1:
            p.X = px * c + pz * s - xo;
            p.Z = -px * s + pz * c - zo;
            p.NX = nx * c + nz * s;
            p.NZ = -nx * s + nz * c;
            break;
        default:
            p.X = px * c - py * s - xo;
            p.Y = px * s + py * c - yo;
            p.NX = nx * c - ny * s;
            p.NY = nx * s + ny * c;
            break;
        }
    }
    static void store(const Point& p, GLT2FN3FV3FFormat& out, bool andLighting) {
        out.X = float(p.X);
        out.Y = float(p.Y);
        out.Z = float(p.Z);
        if (andLighting) {
            out.NX = float(p.NX);
            out.NY = float(p.NY);
            out.NZ = float(p.NZ);
        }
    }
    static void rotateAboutTiltedX(long axis, double degrees, const GLT2FN3FV3FFormat* start, long length,
                                   GLT2FN3FV3FFormat* saveto, double xo, double yo, double zo, bool andLighting,
                                   double tilt, int tiltAxis) {
        if (axis != 0 || !start || !saveto) return;
        const double a = degrees / kDeg, t = tilt / kDeg, u = tilt / -kDeg;
        const double s = std::sin(a), c = std::cos(a), st = std::sin(t), ct = std::cos(t), su = std::sin(u),
                     cu = std::cos(u);
        for (long i = 0; i < length; ++i) {
            Point p{start[i].X, start[i].Y, start[i].Z, start[i].NX, start[i].NY, start[i].NZ};
            turn(p, tiltAxis, st, ct, xo, yo, zo);
            turn(p, 0, s, c, xo, yo, zo);
            turn(p, tiltAxis, su, cu, xo, yo, zo);
            store(p, saveto[i], andLighting);
        }
    }
};

}  // namespace pellam::render
