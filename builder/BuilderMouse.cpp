#include <algorithm>
#include <cmath>

#include "builder/MissionBuilder.h"
#include "core/ZephModel.h"

// Mouse editing in the builder's view. A gesture is a mouse-down (the pick, which fixes what the
// gesture moves), drags, and a mouse-up that settles the camera and the moved object on the ground.
namespace pellam::builder {
namespace {

constexpr double kViewOffset = 20;      // px: the view's corner in its window
constexpr double kPickBox = 100;        // ft, either way in x and in z
constexpr double kCloudPickBox = 900;   // ft
constexpr double kLevelDrop = 1;        // ft of drop over the probe: less is a level ray
constexpr double kDragGain = -10;       // ft per pixel before scaling
constexpr int kCloudType = 5;

double wrapHeading(double h) { return h < -180 ? h + 360 : h > 180 ? h - 360 : h; }

}  // namespace

std::array<double, 2> MissionBuilder::Probe::offsetAt(double height, double x, double z) const {
    const double t = (height - eye[1]) / (far[1] - eye[1]);
    return {eye[0] + (far[0] - eye[0]) * t - x, eye[2] + (far[2] - eye[2]) * t - z};
}

// The ray from the eye through the clicked pixel, as the point it reaches 100 ft ahead.
MissionBuilder::Probe MissionBuilder::probe(double px, double py) const {
    const double w = frame_.width, h = frame_.height;
    const double s = 0.66 * w / 2, r = h / (0.66 * w);
    const double view[3] = {(px - kViewOffset - s) / s * 100, (py - kViewOffset - h / 2) / (h / 2) * 100 * r, 100};
    double world[3];
    const auto eye = eyeRotation();
    ZephModel::InverseRotateVector(view, world, eye.data());
    Probe probe;
    probe.eye = MBCameraPosition.Position;
    probe.far = {probe.eye[0] + world[0], probe.eye[1] + world[1], probe.eye[2] + world[2]};
    const double drop = probe.eye[1] - probe.far[1];
    probe.level = drop < kLevelDrop && drop > -kLevelDrop;
    return probe;
}

void MissionBuilder::MBMouseDown(double px, double py) {
    MBDraggingObject = MBDraggingPath = false;
    const Probe ray = probe(px, py);
    bool picked = false;
    if (px - kViewOffset < worldWidth() && controls_.mainTab == kTabObjects) {
        for (long i = kFirstPickable; i < MBArray.size(); ++i) {
            // A level ray meets no object: a beep for each one it passes over.
            if (ray.level) {
                host_->beep();
                continue;
            }
            ZephModel* object = MBArray.at(i);
            if (!object) continue;
            QNion pose;
            object->getModelPositionQNion(&pose);
            const auto [dx, dz] = ray.offsetAt(pose.Position[1], pose.Position[0], pose.Position[2]);
            const double box = object->getObjectType() == kCloudType ? kCloudPickBox : kPickBox;
            if (std::abs(dx) >= box || std::abs(dz) >= box) continue;
            MBCurrentObject = int32_t(i);
            objectMBUpdate = true;
            MBDraggingObject = true;
            updateMBOpenGLView();
            controls_.objectID = "Unique ID: " + std::to_string(i);
            if (object->getCompleteObjectPtr() && i < missions::kMaxObjects)
                selectObjectMenuItem(MBMission.ObjectList[i].ObjectCode);
            picked = true;
            break;
        }
    }
    if (picked || controls_.mainTab != kTabPaths || ray.level) return;
    // Of several points under the click the last (highest index) wins.
    for (int p = 0; p < missions::kFlyToPoints; ++p) {
        const auto& at = MBMission.FlyToPoints[p].PointXYZ;
        const auto [dx, dz] = ray.offsetAt(at[1], at[0], at[2]);
        if (std::abs(dx) >= kPickBox || std::abs(dz) >= kPickBox) continue;
        MBCurrentPath = p;
        MBDraggingPath = true;
        controls_.pathSelectedRow = controls_.pathScrollRow = p;
    }
}

void MissionBuilder::mouseDragAmountX(int ax, int az) {
    MBSavedFlag = false;
    const double a = MBViewingHeading / -kDegreesPerRadian, c = std::cos(a), s = std::sin(a);
    const double u = kDragGain * ax, v = kDragGain * az;
    const double moveX = c * u + s * v, moveZ = -s * u + c * v;
    double k = (MBCameraPosition.Position[1] + 50) / 2500 * 0.9;
    if (MBViewingPitch < -9) k *= std::cos(MBViewingPitch / kDegreesPerRadian) + 1;
    auto clampX = [&](double x) { return std::clamp(x, MinMaxXZ[0], std::max(MinMaxXZ[0], MinMaxXZ[1])); };
    auto clampZ = [&](double z) { return std::clamp(z, MinMaxXZ[2], std::max(MinMaxXZ[2], MinMaxXZ[3])); };
    if (MBDraggingPath && MBCurrentPath >= 0 && MBCurrentPath < missions::kFlyToPoints) {
        auto& at = MBMission.FlyToPoints[MBCurrentPath].PointXYZ;
        at[0] -= moveX * k;
        at[2] -= moveZ * k;
        updateMBOpenGLView();
        return;
    }
    if (MBDraggingObject) {
        ZephModel* object = MBArray.at(MBCurrentObject);
        if (!object || MBCurrentObject >= missions::kMaxObjects) return;
        QNion pose;
        object->getModelPositionQNion(&pose);
        pose.Position[0] = clampX(pose.Position[0] - moveX * k);
        pose.Position[2] = clampZ(pose.Position[2] - moveZ * k);
        object->setStartingModelQNionX(pose.Position[0], pose.Position[1], pose.Position[2], &pose);
        missions::ObjectForMission& row = MBMission.ObjectList[MBCurrentObject];
        for (int k = 0; k < 3; ++k) row.Location[k] = pose.Position[k];
        objectMBUpdate = true;
        updateMBOpenGLView();
        return;
    }
    auto& eye = MBCameraPosition.Position;
    eye[0] = clampX(eye[0] + moveX * k);
    eye[2] = clampZ(eye[2] + moveZ * k);
    updateMBOpenGLView();
}

void MissionBuilder::mouseDragWithShiftAmountX(int ax, int az) {
    ZephModel* object = MBDraggingObject ? MBArray.at(MBCurrentObject) : nullptr;
    if (object && MBCurrentObject < missions::kMaxObjects) {
        missions::ObjectForMission& row = MBMission.ObjectList[MBCurrentObject];
        const double heading = wrapHeading(row.Heading - ax);
        row.Heading = heading;
        const double g = heading / -kDegreesPerRadian / 2;
        QNion pose;
        object->getModelPositionQNion(&pose);
        pose.QAttitude = {std::cos(g), 0, std::sin(g), 0};
        object->setStartingModelQNionX(pose.Position[0], pose.Position[1], pose.Position[2], &pose);
    } else if (!MBDraggingObject) {
        MBViewingPitch = std::clamp(MBViewingPitch - az, -90.0, 10.0);
        MBViewingHeading = wrapHeading(MBViewingHeading + ax);
        const double b = MBViewingPitch / -kDegreesPerRadian / 2, g = MBViewingHeading / -kDegreesPerRadian / 2;
        QNion pitch, heading;
        pitch.QAttitude = {std::cos(b), std::sin(b), 0, 0};
        heading.QAttitude = {std::cos(g), 0, std::sin(g), 0};
        ZephModel::multQnionsAnswer(&heading, &pitch);  // heading x pitch
        MBCameraPosition.QAttitude = pitch.QAttitude;
    }
    MBSavedFlag = false;
    updateMBOpenGLView();
}

void MissionBuilder::MBMouseUp(double, double) {
    auto& eye = MBCameraPosition.Position;
    if (liftCamera()) updateMBOpenGLView();
    if (MBDraggingPath) {
        MBDraggingPath = false;
        updateMBOpenGLView();
    }
    ZephModel* object = MBDraggingObject ? MBArray.at(MBCurrentObject) : nullptr;
    if (!object || MBCurrentObject >= missions::kMaxObjects) return;
    objectMBUpdate = true;
    QNion pose;
    object->getModelPositionQNion(&pose);
    const double ground = groundAt(pose.Position[0], pose.Position[2]);
    if (pose.Position[1] < ground) {
        eye[1] += ground - pose.Position[1];
        pose.Position[1] = ground;
        object->setStartingModelQNionX(pose.Position[0], pose.Position[1], pose.Position[2], &pose);
        MBMission.ObjectList[MBCurrentObject].Location[1] = ground;
    }
    updateMBOpenGLView();
}

}  // namespace pellam::builder
