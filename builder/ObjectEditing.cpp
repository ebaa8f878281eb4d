#include "builder/ObjectEditing.h"

#include <algorithm>
#include <cmath>

#include "builder/TextValues.h"
#include "core/GeometryRecords.h"
#include "core/ZephModel.h"

// The objects tab (add, preview, step, move, turn, team, points, path start, random start,
// delete) and the two path buttons that tie the path table to the camera.
namespace pellam::builder {
namespace {

constexpr double kAddDistance = 350.0, kCloudAddDistance = 3000.0;  // ft ahead of the camera
constexpr double kLookDistance = 600.0, kCloudLookDistance = 3000.0;
constexpr double kSteepAdd = -24.0;       // deg: looking further down, objects go where the sight meets the ground
constexpr double kPathPointDistance = 400.0, kPathLookDistance = 10000.0;
constexpr uint32_t kPathStartMask = 0xFF000000u, kRandomStartMask = 0x00FFFFFFu;

QNion poseOf(ZephModel& object) {
    QNion pose;
    object.getModelPositionQNion(&pose);
    return pose;
}

void setSeedBits(int32_t& seed, uint32_t mask, uint32_t value) {
    seed = static_cast<int32_t>((static_cast<uint32_t>(seed) & ~mask) | (value & mask));
}

}  // namespace

std::array<double, 3> alongSight(const MissionBuilder& builder, double feet) {
    const auto eye = builder.eyeRotation();
    const double v[3] = {0, 0, feet};
    std::array<double, 3> out{};
    ZephModel::InverseRotateVector(v, out.data(), eye.data());
    return out;
}

std::array<double, 3> pointAhead(const MissionBuilder& builder, double feet) {
    const auto v = alongSight(builder, feet);
    const auto& e = builder.MBCameraPosition.Position;
    return {e[0] + v[0], e[1] + v[1], e[2] + v[2]};
}

std::array<double, 3> groundAlongSight(const MissionBuilder& builder, const std::array<double, 3>& p) {
    const auto& e = builder.MBCameraPosition.Position;
    // A camera below sea level, or a sight that does not drop, has no level to step down: the
    // point ahead, on the ground.
    if (e[1] < 0 || p[1] >= e[1]) return {p[0], -1.0, p[2]};
    double x = e[0], z = e[2];
    for (long n = static_cast<long>(e[1]); n >= 0; --n) {
        const double t = (n - e[1]) / (p[1] - e[1]);
        x = e[0] + (p[0] - e[0]) * t;
        z = e[2] + (p[2] - e[2]) * t;
        if (n <= builder.groundAt(x, z)) break;
    }
    return {x, -1.0, z};
}

bool isBalloon(int32_t code) { return code == 61 || code == 62 || code == 66 || code == 67; }

bool MissionBuilder::editingAction(int tag) {
    switch (tag) {
    case kTagAddObject: addObjectAhead(); return true;
    case kTagObjectMenu: previewMenuObject(); return true;
    case kTagObjectStepper: stepThroughObjects(); return true;
    case kTagObjectTeam: setObjectTeam(); return true;
    case kTagDeleteObject: deleteObject(); return true;
    case kTagPathPointFromCamera: pathPointFromCamera(); return true;
    case kTagCameraToPathPoint: cameraToPathPoint(); return true;
    case kTagObjectLocation:
    case kTagObjectHeading:
    case kTagObjectPoints:
    case kTagObjectPath:
    case kTagObjectRandomStart: editObjectField(tag); return true;
    default: return false;
    }
}

ZephModel* MissionBuilder::editableObject() {
    // A placed object with its live one; aircraft starts and the head rows are edited elsewhere.
    if (MBCurrentObject < kFirstPickable || MBCurrentObject >= totalObjects()) return nullptr;
    return MBArray.at(MBCurrentObject);
}

void MissionBuilder::addObjectAhead() {
    BuilderControls& c = controls_;
    const int32_t total = totalObjects();
    MBSavedFlag = false;
    const int32_t code = c.objectMenuTag;
    const auto ahead = pointAhead(*this, code == kCloudCode ? kCloudAddDistance : kAddDistance);
    // A cloud floats where the sight puts it, never under the ground. Everything else stands
    // on the ground: below that point, or where a steep sight meets the ground; a balloon
    // hangs above its winch there.
    std::array<double, 3> at = ahead;
    if (code == kCloudCode) at[1] = std::max(ahead[1], groundAt(at[0], at[2]));
    else {
        if (MBViewingPitch <= kSteepAdd) at = groundAlongSight(*this, ahead);
        at[1] = isBalloon(code) ? groundAt(at[0], at[2]) + kBalloonHeight : -1.0;
    }
    if (const int32_t team = teamNumber(c.objectTeam)) LastEnteredObjectTeam = team;
    if (total >= kMaxBuilderObjects || code <= 0 || MBArray.size() != total) {
        host_->beep();
        return;
    }
    fillInObjectForMissionTypeMB(code, at[0], at[1], at[2], 0, 0, LastEnteredObjectTeam, -1, total);
    if (code == kCloudCode) {
        setSeedBits(MBMission.ObjectList[total].Seed, 0xFF, static_cast<uint32_t>(total % 256));
        MBMission.ObjectList[total].SubType = 1;
    }
    MBCurrentObject = total;
    objectMBUpdate = true;
    loadRow(total);
    MBMission.TotalObjects = total + 1;
    updateMBOpenGLView();
    c.objectID = "Unique ID: " + std::to_string(total);
    c.totalObjects = "total items: " + std::to_string(total + 1);
}

void MissionBuilder::previewMenuObject() {
    BuilderControls& c = controls_;
    const int32_t code = c.objectMenuTag;
    fillInObjectForMissionTypeMB(code, 0, 0, 0, 0, 0, LastEnteredObjectTeam, -1, kPreviewRow);
    MBMission.ObjectList[kPreviewRow].SubType = code == kCloudCode ? 1 : 0;
    loadPreview();
    MBCurrentObject = 0;
    objectMBUpdate = true;
    updateMBOpenGLView();
    c.objectID = "Unique ID: --";
}

void MissionBuilder::stepThroughObjects() {
    BuilderControls& c = controls_;
    const int32_t total = totalObjects();
    const int step = c.objectStepper;
    c.objectStepper = kStepperRest;
    if (total <= kHeadRows || step == kStepperRest) return;
    // Round the placed objects, past either end to the other.
    int32_t k = MBCurrentObject;
    if (step < kStepperRest) {
        if (--k <= kHeadRows - 1) k = total - 1;
        if (k <= kHeadRows - 1) k = 0;
    } else {
        if (++k <= kHeadRows - 1) k = kHeadRows;
        if (k > total - 1) k = kHeadRows;
    }
    MBCurrentObject = k;
    objectMBUpdate = true;
    c.objectID = "Unique ID: " + std::to_string(k);
    selectObjectMenuItem(MBMission.ObjectList[k].ObjectCode);
    // The camera steps back along its sight to look at it.
    if (ZephModel* object = MBArray.at(k)) {
        const auto pose = poseOf(*object);
        const auto back = alongSight(*this, object->getObjectType() == kCloudCode ? kCloudLookDistance : kLookDistance);
        MBCameraPosition.Position = {pose.Position[0] - back[0], pose.Position[1] - back[1], pose.Position[2] - back[2]};
    }
    updateMBOpenGLView();
}

void MissionBuilder::selectObjectMenuItem(int32_t code) {
    if (std::any_of(kObjectMenu.begin(), kObjectMenu.end(), [&](const ObjectMenuItem& i) { return i.code == code; }))
        controls_.objectMenuTag = code;
}

void MissionBuilder::setObjectTeam() {
    const int32_t team = teamNumber(controls_.objectTeam);
    if (!team) return;
    LastEnteredObjectTeam = team;
    ZephModel* object = editableObject();
    if (!object || controls_.mainTab != kTabObjects) return;
    MBSavedFlag = false;
    MBMission.ObjectList[MBCurrentObject].Team = team;
    if (OneCompleteObjectVer2* data = object->getCompleteObjectPtr()) data->TheObject.Team = team;
    updateMBOpenGLView();
}

void MissionBuilder::deleteObject() {
    if (MBCurrentObject <= kHeadRows - 1 || totalObjects() <= kHeadRows) {
        host_->beep();
        return;
    }
    MBSavedFlag = false;
    MBdeleteSelectedItem();
}

std::array<double, 3>* MissionBuilder::selectedPathPoint() {
    const int r = controls_.pathSelectedRow;
    if (r < 0 || r >= missions::kFlyToPoints) return nullptr;
    return &MBMission.FlyToPoints[r].PointXYZ;
}

void MissionBuilder::pathPointFromCamera() {
    std::array<double, 3>* point = selectedPathPoint();
    if (!point) return;
    const auto& camera = MBCameraPosition.Position;
    // With no altitude entered the point goes ahead along the sight; else under the camera at it.
    if (LastEnteredWayPointAlt < 0) {
        const double p = MBViewingPitch / kDegreesPerRadian, h = MBViewingHeading / kDegreesPerRadian;
        const double d = kPathPointDistance;
        *point = {camera[0] - std::sin(h) * std::cos(p) * d, camera[1] + std::sin(p) * d,
                  camera[2] + std::cos(h) * std::cos(p) * d};
    } else {
        *point = {camera[0], LastEnteredWayPointAlt, camera[2]};
    }
    updateMBOpenGLView();
}

void MissionBuilder::cameraToPathPoint() {
    const std::array<double, 3>* point = selectedPathPoint();
    if (!point) return;
    const auto back = alongSight(*this, kPathLookDistance);
    MBCameraPosition.Position = {(*point)[0] - back[0], (*point)[1] - back[1], (*point)[2] - back[2]};
    updateMBOpenGLView();
}

void MissionBuilder::editObjectField(int tag) {
    // The path start is edited from the paths tab as well; the other fields from the objects tab.
    ZephModel* object = editableObject();
    if (!object || (tag != kTagObjectPath && controls_.mainTab != kTabObjects)) return;
    MBSavedFlag = false;
    missions::ObjectForMission& row = MBMission.ObjectList[MBCurrentObject];
    const BuilderControls& c = controls_;
    switch (tag) {
    case kTagObjectLocation: moveObject(*object, row); break;
    case kTagObjectHeading: turnObject(*object, row); break;
    case kTagObjectPoints: row.Points = std::clamp(textInt(c.objectPoints), 0, 10000); break;
    case kTagObjectPath:
        setSeedBits(row.Seed, kPathStartMask, static_cast<uint32_t>(std::clamp(textInt(c.itemPath), 0, 199)) << 24);
        break;
    case kTagObjectRandomStart:
        setSeedBits(row.Seed, kRandomStartMask, static_cast<uint32_t>(std::clamp(textInt(c.randomStart), 0, 1000000)));
        break;
    default: break;
    }
}

void MissionBuilder::moveObject(ZephModel& object, missions::ObjectForMission& row) {
    // Up to three whole numbers; a missing one keeps its place. At or under the ground it stands on it.
    QNion pose = poseOf(object);
    const std::vector<std::string> parts = splitAtCommas(controls_.objectLocation);
    double at[3] = {pose.Position[0], pose.Position[1], pose.Position[2]};
    for (size_t k = 0; k < parts.size() && k < 3; ++k) at[k] = textInt(parts[k]);
    const double ground = groundAt(at[0], at[2]);
    const bool onGround = at[1] <= ground;
    object.setStartingModelQNionX(at[0], onGround ? ground : at[1], at[2], &pose);
    row.Location[0] = at[0];
    row.Location[1] = onGround ? -1.0 : at[1];
    row.Location[2] = at[2];
    updateMBOpenGLView();
}

void MissionBuilder::turnObject(ZephModel& object, missions::ObjectForMission& row) {
    // Degrees wrapped once into -180..180; anything further out is 0.
    int32_t h = textInt(controls_.objectHeading);
    if (h < -180) h += 360;
    else if (h > 180) h -= 360;
    if (h < -180 || h > 180) h = 0;
    row.Heading = h;
    QNion pose = poseOf(object);
    const double a = -h / kDegreesPerRadian / 2;
    pose.QAttitude = {std::cos(a), 0, std::sin(a), 0};
    object.setStartingModelQNionX(pose.Position[0], pose.Position[1], pose.Position[2], &pose);
    object.setOPPHeading(h);
    updateMBOpenGLView();
}

}  // namespace pellam::builder
