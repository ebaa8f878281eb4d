// Quaternion products, rotation matrices, body/world turns, rotation vectors and slerp.
#include <algorithm>
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "platform/Beep.h"

namespace pellam {
namespace {

// Hamilton product a x b into out; out may alias either input.
void hamilton(const double* a, const double* b, double* out) {
    const double w = a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3];
    const double x = a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2];
    const double y = a[0] * b[2] + a[2] * b[0] + a[3] * b[1] - a[1] * b[3];
    const double z = a[0] * b[3] + a[3] * b[0] + a[1] * b[2] - a[2] * b[1];
    out[0] = w;
    out[1] = x;
    out[2] = y;
    out[3] = z;
}

// Turns by `degrees` about a body axis: r on the left of the attitude. The minus sign makes a
// positive heading turn the nose toward +X and a positive pitch lower it.
void turnAbout(QNion& pose, double degrees, int axis) {
    const double h = degrees / -kDeg / 2.0;
    double r[4] = {std::cos(h), 0.0, 0.0, 0.0};
    r[axis] = std::sin(h);
    hamilton(r, pose.QAttitude.data(), pose.QAttitude.data());
}

}  // namespace

void ZephModel::multQnionsAnswer(const QNion* a, QNion* b) {
    hamilton(a->QAttitude.data(), b->QAttitude.data(), b->QAttitude.data());
}

void ZephModel::multQnions(const QNion* a, const QNion* by, QNion* answer) {
    hamilton(a->QAttitude.data(), by->QAttitude.data(), answer->QAttitude.data());
}

void ZephModel::quaternionToMatrix(const double* q, double* m) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    m[0] = 1 - 2 * y * y - 2 * z * z;
    m[1] = 2 * x * y - 2 * w * z;
    m[2] = 2 * x * z + 2 * w * y;
    m[3] = 0.0;
    m[4] = 2 * x * y + 2 * w * z;
    m[5] = 1 - 2 * x * x - 2 * z * z;
    m[6] = 2 * y * z - 2 * w * x;
    m[7] = 0.0;
    m[8] = 2 * x * z - 2 * w * y;
    m[9] = 2 * y * z + 2 * w * x;
    m[10] = 1 - 2 * x * x - 2 * y * y;
    m[11] = 0.0;
    m[15] = 1.0;
}

void ZephModel::RotateVector(const double* v, double* out, const double* m) {
    const double v0 = v[0], v1 = v[1], v2 = v[2];
    for (int j = 0; j < 3; ++j) out[j] = v0 * m[j] + v1 * m[4 + j] + v2 * m[8 + j];
}

void ZephModel::InverseRotateVector(const double* v, double* out, const double* m) {
    const double v0 = v[0], v1 = v[1], v2 = v[2];
    for (int i = 0; i < 3; ++i) out[i] = m[4 * i] * v0 + m[4 * i + 1] * v1 + m[4 * i + 2] * v2;
}

void ZephModel::convertPBHToQNion(const double* v, const QNion* pos, QNion* answer) {
    const double m = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (m == 0.0) {
        // No rotation: the attitude stays as it is (answering the identity would level the aircraft).
        answer->QAttitude = pos->QAttitude;
        return;
    }
    const double u[3] = {v[0] / m, v[1] / m, v[2] / m};
    const double w = m / 22619.46711 - 1.0;
    double s2 = 1.0 - w * w;
    if (s2 < 0.0) s2 = 0.0;
    double k = s2 != 0.0 ? 1.0 / std::sqrt(s2) : 0.0;
    if (k == 0.0) {
        platform::SystemBeep();
        k = 1e-7;
    }
    const double change[4] = {w, u[0] / k, u[1] / k, u[2] / k};
    hamilton(pos->QAttitude.data(), change, answer->QAttitude.data());
}

void ZephModel::slerpFirstQNion(const double* f, const double* g, double t, double* answer) {
    double c = f[0] * g[0] + f[1] * g[1] + f[2] * g[2] + f[3] * g[3];
    double g2[4] = {g[0], g[1], g[2], g[3]};
    if (c < 0.0) {
        c = -c;
        for (double& x : g2) x = -x;
    }
    double s0, s1;
    if (1.0 - c > 1e-5) {
        c = std::clamp(c, -1.0, 1.0);
        const double omega = std::acos(c);
        s0 = std::sin((1.0 - t) * omega) / std::sin(omega);
        s1 = std::sin(t * omega) / std::sin(omega);
    } else {
        s0 = 1.0 - t;
        s1 = t;
    }
    const double f2[4] = {f[0], f[1], f[2], f[3]};
    for (int i = 0; i < 4; ++i) answer[i] = f2[i] * s0 + g2[i] * s1;
}

void ZephModel::rotateHeadingByDegrees(double degrees) { turnAbout(live.attitude, degrees, 2); }
void ZephModel::rotatePitchByDegrees(double degrees) { turnAbout(live.attitude, degrees, 1); }
void ZephModel::rotateBankByDegrees(double degrees) { turnAbout(live.attitude, degrees, 3); }

void ZephModel::setHeading(double degrees) {
    const double h = degrees / -kDeg / 2.0;
    live.attitude.QAttitude = {std::cos(h), 0.0, std::sin(h), 0.0};
}

}  // namespace pellam
