// Vertex normals from each polygon's faces, lighting hints, extents and bounding distance.
#include <algorithm>
#include <cmath>

#include "core/ZephModel.h"

namespace pellam {
namespace {

// Points in a list: up to the first whose U is below 0.
long countPoints(const GLT2FN3FV3FFormat* points) {
    long n = 0;
    if (points)
        while (points[n].U >= 0.0f) ++n;
    return n;
}

// Plane normal (A, B, C) through three points: (p1 - p2) x (p3 - p2).
void faceNormal(const GLT2FN3FV3FFormat& p1, const GLT2FN3FV3FFormat& p2, const GLT2FN3FV3FFormat& p3, double* f) {
    const double a[3] = {double(p1.X) - p2.X, double(p1.Y) - p2.Y, double(p1.Z) - p2.Z};
    const double b[3] = {double(p3.X) - p2.X, double(p3.Y) - p2.Y, double(p3.Z) - p2.Z};
    f[0] = a[1] * b[2] - a[2] * b[1];
    f[1] = a[2] * b[0] - a[0] * b[2];
    f[2] = a[0] * b[1] - a[1] * b[0];
}

class FaceSummer {
public:
    FaceSummer(GLT2FN3FV3FFormat* points, const uint16_t* run, int n, int lightingHint, bool strip)
        : points_(points), run_(run), n_(n), hint_(lightingHint), strip_(strip) {}

    GLT2FN3FV3FFormat& p(int i) { return points_[run_[i]]; }

    // Adds f to the points p(first) .. p(last) (run positions), then applies the lighting hint.
    void add(const double* f, std::initializer_list<int> which) {
        for (int i : which) {
            GLT2FN3FV3FFormat& q = p(i);
            q.NX = static_cast<float>(q.NX + f[0]);
            q.NY = static_cast<float>(q.NY + f[1]);
            q.NZ = static_cast<float>(q.NZ + f[2]);
            // A point on the mirror plane keeps no sideways normal.
            if (hint_ == 1 && q.X == 0.0f) q.NX = 0.0f;
        }
        if (hint_ == 3 && strip_) {
            for (int i : {0, 1, n_ - 2, n_ - 1})
                if (i >= 0 && i < n_) p(i).NX = 0.0f;
        }
    }

private:
    GLT2FN3FV3FFormat* points_;
    const uint16_t* run_;
    int n_;
    int hint_;
    bool strip_;
};

}  // namespace

void ZephModel::MakePlaneEquation(const XYZInput* p1, const XYZInput* p2, const XYZInput* p3, double* answer) {
    const double a[3] = {p1->MyX - p2->MyX, p1->MyY - p2->MyY, p1->MyZ - p2->MyZ};
    const double b[3] = {p3->MyX - p2->MyX, p3->MyY - p2->MyY, p3->MyZ - p2->MyZ};
    answer[0] = a[1] * b[2] - a[2] * b[1];
    answer[1] = a[2] * b[0] - a[0] * b[2];
    answer[2] = a[0] * b[1] - a[1] * b[0];
    answer[3] = -(answer[0] * p1->MyX + answer[1] * p1->MyY + answer[2] * p1->MyZ);
}

double ZephModel::GetTriangleDirection(const XYZInput* p1, const XYZInput* p2, const XYZInput* p3) {
    return (p1->MyX - p2->MyX) * (p3->MyZ - p2->MyZ) - (p1->MyZ - p2->MyZ) * (p3->MyX - p2->MyX);
}

void ZephModel::FillInObjectPolyData2(ObjectPointsPolysVer2* pp) {
    GLT2FN3FV3FFormat* points = pp->ThePoints;
    const long pointCount = countPoints(points);
    for (long i = 0; i < pointCount; ++i) points[i].NX = points[i].NY = points[i].NZ = 0.0f;

    double lo[3] = {10000000000.0, 10000000000.0, 10000000000.0};
    double hi[3] = {-10000000000.0, -10000000000.0, -10000000000.0};

    for (OnePolygonVer2* poly = pp->ThePolygons; poly && poly->MapNumber >= 0; ++poly) {
        if (poly->FirstItem < 0 || !pp->RunItems) continue;
        const int n = pp->RunItems[poly->FirstItem];
        const uint16_t* run = pp->RunItems + poly->FirstItem + 1;
        // A run that names a point past the end of the list is not ours to draw or light.
        if (std::any_of(run, run + n, [&](uint16_t index) { return index >= pointCount; })) continue;

        const int type = poly->DefaultDrawType;
        FaceSummer faces(points, run, n, poly->LightingHint, type == 5);
        double f[3];
        double polygonNormal[3] = {0.0, 0.0, 0.0};
        for (int i = 0; i < n; ++i) {
            GLT2FN3FV3FFormat& q = faces.p(i);
            const double xyz[3] = {q.X, q.Y, q.Z};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], xyz[k]);
                hi[k] = std::max(hi[k], xyz[k]);
            }
            if (type >= 0 && type <= 3) {  // points and lines carry no normal
                q.NX = q.NY = q.NZ = 0.0f;
                continue;
            }
            if (i < 2) continue;
            switch (type) {
            case 4:  // triangles
                if ((i + 1) % 3 == 0) {
                    faceNormal(faces.p(i), faces.p(i - 1), faces.p(i - 2), f);
                    faces.add(f, {i - 2, i - 1, i});
                }
                break;
            case 5:  // triangle strip: alternate windings
                if (i % 2 == 1)
                    faceNormal(faces.p(i), faces.p(i - 2), faces.p(i - 1), f);
                else
                    faceNormal(faces.p(i), faces.p(i - 1), faces.p(i - 2), f);
                faces.add(f, {i - 2, i - 1, i});
                break;
            case 6:  // triangle fan
                faceNormal(faces.p(i), faces.p(i - 1), faces.p(0), f);
                faces.add(f, {0, i - 1, i});
                break;
            case 7:  // quads
                if ((i + 1) % 4 == 0) {
                    faceNormal(faces.p(i), faces.p(i - 1), faces.p(i - 2), f);
                    faces.add(f, {i - 3, i - 2, i - 1, i});
                }
                break;
            case 8:  // quad strip
                if (i % 2 == 1 && i >= 3) {
                    faceNormal(faces.p(i), faces.p(i - 2), faces.p(i - 3), f);
                    faces.add(f, {i - 3, i - 2, i - 1, i});
                }
                break;
            case 9:  // polygon: one plane, from its first three points
                if (i == 2) {
                    faceNormal(faces.p(2), faces.p(1), faces.p(0), polygonNormal);
                    faces.add(polygonNormal, {0, 1});
                }
                faces.add(polygonNormal, {i});
                break;
            default:
                break;
            }
        }
    }

    pp->ObjectExtends = {float(lo[0]), float(hi[0]), float(lo[1]), float(hi[1]), float(lo[2]), float(hi[2])};
    double m = 0.0;
    for (int k = 0; k < 3; ++k) m = std::max({m, std::fabs(lo[k]), std::fabs(hi[k])});
    const float s = static_cast<float>((m + 5.0) * (m + 5.0));
    pp->OverallSizeDistance = s + s + s;

    for (long i = 0; i < pointCount; ++i) {
        GLT2FN3FV3FFormat& q = points[i];
        const double length = std::sqrt(double(q.NX) * q.NX + double(q.NY) * q.NY + double(q.NZ) * q.NZ);
        if (length == 0.0) {
            q.NX = 0.0f;
            q.NY = 1.0f;
            q.NZ = 0.0f;
        } else {
            q.NX = static_cast<float>(q.NX / length);
            q.NY = static_cast<float>(q.NY / length);
            q.NZ = static_cast<float>(q.NZ / length);
        }
    }
}

}  // namespace pellam
