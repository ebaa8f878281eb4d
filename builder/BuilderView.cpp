#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "builder/MissionBuilder.h"
#include "builder/TextValues.h"
#include "core/GeometryRecords.h"
#include "core/ZephModel.h"

namespace pellam::builder {
namespace {

// The notes of bits 11..15 of an object's flags, in bit order.
constexpr const char* kNotes[5] = {"Camera Item", "Refuel Item", "Fires On Aircraft", "Has Bombs", "Can follow path"};

}  // namespace

bool MissionBuilder::liftCamera() {
    auto& eye = MBCameraPosition.Position;
    const double lowest = groundAt(eye[0], eye[2]) + kCameraClearance;
    if (eye[1] >= lowest) return false;
    eye[1] = lowest;  // a height that is no number (NaN) too
    return true;
}

std::array<double, 16> MissionBuilder::eyeRotation() const {
    std::array<double, 16> m{};
    ZephModel::quaternionToMatrix(MBCameraPosition.QAttitude.data(), m.data());
    return m;
}

ZephModel* MissionBuilder::closeUpItem() const {
    ZephModel* item = MBCurrentObject != 0 ? MBArray.at(MBCurrentObject) : MBOneItem.at(0);
    return item && item->getCompleteObjectPtr() ? item : nullptr;
}

// The world fills the view; a close-up covers its right 34 %, where a click picks nothing.
double MissionBuilder::worldWidth() const { return closeUpItem() ? 0.66 * frame_.width : frame_.width; }

// Brings what the view shows up to date: the height slider, the position text, the preview item
// at the origin and, once per change, the item panel. The drawing itself follows (host).
void MissionBuilder::updateMBOpenGLView() {
    ++viewRevision_;
    if (MBTerrainLoadedFlag) liftCamera();  // whatever moved it (a file, a start the view follows), it shows the world
    const auto& p = MBCameraPosition.Position;
    controls_.altSlider = p[1] / 500.0;
    char text[160];
    std::snprintf(text, sizeof text, "X:%d\rY:%d\rZ:%d\rPitch:%d\rHeading:%d", cutToInt(p[0]), cutToInt(p[1]),
                  cutToInt(p[2]), cutToInt(MBViewingPitch), cutToInt(-MBViewingHeading));
    controls_.viewingPosition = text;
    if (MBCurrentObject == 0) {
        if (ZephModel* item = MBOneItem.at(0)) {
            // The unplaced item has no place in the world: it stays at the origin for its close-up.
            QNion pose;
            item->getModelPositionQNion(&pose);
            item->setStartingModelQNionX(0, 0, 0, &pose);
            if (!item->getCompleteObjectPtr()) controls_.itemNotes = "Notes: ";
            else if (objectMBUpdate) fillItemPanel(*item, kPreviewRow, false);
        }
    } else if (ZephModel* item = MBArray.at(MBCurrentObject)) {
        if (item->getCompleteObjectPtr() && objectMBUpdate && MBCurrentObject < missions::kMaxObjects)
            fillItemPanel(*item, MBCurrentObject, true);
    }
    host_->viewNeedsDrawing();
}

void MissionBuilder::fillItemPanel(ZephModel& item, int row, bool withLocation) {
    objectMBUpdate = false;
    const Object3DData& header = item.getCompleteObjectPtr()->TheObject;
    const missions::ObjectForMission& r = MBMission.ObjectList[row];
    BuilderControls& c = controls_;
    static constexpr const char* kTeams[4] = {"Red", "Blue", "Yellow", "Black"};
    if (header.Team >= 1 && header.Team <= 4) {
        c.objectTeam = kTeams[header.Team - 1];
        LastEnteredObjectTeam = header.Team;
    }
    c.objectHeading = std::to_string(int(r.Heading));
    c.objectPoints = std::to_string(r.Points == -1 ? int32_t(header.PointsAwarded) : r.Points);
    if (withLocation) {
        QNion pose;
        item.getModelPositionQNion(&pose);
        char text[96];
        std::snprintf(text, sizeof text, "%d, %d, %d", int(pose.Position[0]), int(pose.Position[1]),
                      int(pose.Position[2]));
        c.objectLocation = text;
    }
    std::string notes;
    for (int bit = 0; bit < 5; ++bit)
        if (header.ObjectFlags & (0x800 << bit)) notes += (notes.empty() ? "" : ", ") + std::string(kNotes[bit]);
    c.itemNotes = "Notes: " + notes;
    const uint32_t seed = uint32_t(r.Seed);
    c.itemPath = std::to_string(seed >> 24);
    c.randomStart = std::to_string(seed & 0xFFFFFF);
    c.textureNames.clear();
    const char(*names)[32] = item.getUsedTextureNames();
    if (names) {
        for (int i = 0; i < 32 && names[i][0] != 1; ++i)
            c.textureNames += std::string(names[i], strnlen(names[i], 32)) + "\r";
    }
}

// Every point once: each chain is followed from its first unvisited point until it meets a
// visited one. A link outside the 200 points (a damaged file) ends its chain there.
std::vector<PathLink> MissionBuilder::pathLinks() const {
    std::vector<PathLink> links;
    links.reserve(missions::kFlyToPoints);
    std::array<bool, missions::kFlyToPoints> visited{};
    for (int p = 0; p < missions::kFlyToPoints; ++p) {
        for (int q = p; q >= 0 && !visited[q];) {
            visited[q] = true;
            const int32_t next = MBMission.FlyToPoints[q].NextPoint;
            const bool inside = next >= 0 && next < missions::kFlyToPoints;
            links.push_back({q, inside ? next : q});
            q = inside ? next : -1;
        }
    }
    return links;
}

// Places aircraft start `aircraftNum` and puts the camera 100 ft behind it along the line of sight.
void MissionBuilder::moveMBCameraToX(double x, double y, double z, int32_t aircraftNum, double heading, double gear) {
    // A start on an object: x names the object, y -5 .. 0, z at most 0.
    if (x > 20 && x < 500 && y > -5 && y <= 0 && z <= 0 && x < MBArray.size()) {
        if (ZephModel* under = MBArray.at(long(x))) {
            QNion pose;
            under->getModelPositionQNion(&pose);
            x = pose.Position[0];
            z = pose.Position[2];
            y = -1.0;
        }
    }
    y = std::max(y, groundAt(x, z) + 5.0);
    const double a = heading / -kDegreesPerRadian;
    QNion attitude;
    attitude.QAttitude = {std::cos(a / 2), 0, std::sin(a / 2), 0};
    ZephModel* aircraft = aircraftNum >= ModelArray::kFirstAircraft && aircraftNum < ModelArray::kDebris
                              ? MBArray.at(aircraftNum)
                              : nullptr;
    if (aircraft) aircraft->setStartingModelQNionX(x, y, z, &attitude);
    const auto eye = eyeRotation();
    const double back[3] = {0, 0, 100};
    double along[3];
    ZephModel::InverseRotateVector(back, along, eye.data());
    MBCameraPosition.Position = {x - along[0], y - along[1], z - along[2]};
    if (aircraft) aircraft->setGear(gear);
    updateMBOpenGLView();
}

}  // namespace pellam::builder
