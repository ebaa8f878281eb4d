// One sub-step of rigid-body motion: force to velocity, velocity to position, moment to rotational
// velocity, rotational velocity to attitude. Trapezoid steps: the mean of this and the previous
// velocity moves the pose.
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"

namespace pellam {

void doAccelerationToVelocity(double* accel, double* previousaccels, double* velocity, double* previousV,
                                         double mass, double gravity, Aircraft* aircraft) {
    for (int i = 0; i < 3; ++i) {
        previousaccels[i] = accel[i];
        accel[i] /= mass;
    }
    if (!aircraft || !(aircraft->Damage1 & dmg::Down)) accel[1] -= gravity;
    if (aircraft) aircraft->SpUpDown = accel[1];
    for (int i = 0; i < 3; ++i) {
        previousV[i] = velocity[i];
        velocity[i] += accel[i];
    }
}

void doVelocityToPosition(const double* velocity, const double* previousV, double* position) {
    for (int i = 0; i < 3; ++i) position[i] += previousV[i] + (velocity[i] - previousV[i]) * 0.5;
}

void doAccelerationToRotation(const double* accel, double* PBHAccel, double* previousaccels,
                                         const double* tensor, const QNion* pos, const Aircraft* aircraft) {
    double a[3];
    for (int j = 0; j < 3; ++j) a[j] = accel[0] * tensor[j] + accel[1] * tensor[4 + j] + accel[2] * tensor[8 + j];
    double m[16] = {};
    ZephModel::quaternionToMatrix(pos->QAttitude.data(), m);
    for (int i = 0; i < 3; ++i) previousaccels[i] = PBHAccel[i];
    if (a[0] != 0.0 || a[1] != 0.0 || a[2] != 0.0) {
        double world[3];
        ZephModel::RotateVector(a, world, m);
        a[0] = world[0], a[1] = world[1], a[2] = world[2];
    }
    if (aircraft) {
        // Damping only while the wing flies; a stalled wing lets the aircraft tumble.
        const double wing = (aircraft->AOADegrees2 + aircraft->AOADegrees3) / 2.0;
        if (wing > aircraft->MinusStall && wing < aircraft->PlusStall) {
            double body[3];
            ZephModel::InverseRotateVector(PBHAccel, body, m);
            body[1] *= aircraft->YawDampeningFactor;
            body[0] *= aircraft->PitchDampeningFactor;
            ZephModel::RotateVector(body, PBHAccel, m);
        }
    }
    for (int i = 0; i < 3; ++i) PBHAccel[i] += a[i];
}

void doVelocityToAngle(const double* previous, const double* pbhaccel, QNion* pos, double* slerp) {
    const double w[3] = {previous[0] + (pbhaccel[0] - previous[0]) * 0.5,
                         previous[1] + (pbhaccel[1] - previous[1]) * 0.5,
                         previous[2] + (pbhaccel[2] - previous[2]) * 0.5};
    if (std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]) == 0.0) return;
    for (int axis = 0; axis < 3; ++axis) {
        const double h = (w[axis] / -kDeg) / 2.0;
        QNion turn;
        turn.QAttitude = {std::cos(h), 0.0, 0.0, 0.0};
        turn.QAttitude[axis + 1] = std::sin(h);
        ZephModel::multQnions(pos, &turn, pos);
        if (slerp && slerp[4] != 0.0) {
            QNion s;
            s.QAttitude = {slerp[0], slerp[1], slerp[2], slerp[3]};
            ZephModel::multQnions(&s, &turn, &s);
            for (int k = 0; k < 4; ++k) slerp[k] = s.QAttitude[k];
        }
    }
}

}  // namespace pellam
