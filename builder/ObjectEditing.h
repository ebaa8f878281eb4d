#pragma once
// Placing and editing the mission's objects from the objects tab, and path points from the
// camera: the object menu's items and the points ahead of the builder camera that adding and
// placing share.
#include <array>

#include "builder/MissionBuilder.h"

namespace pellam::builder {

// The objects tab's controls beyond the item panel.
enum ObjectTag : int {
    kTagObjectMenu = 531, kTagAddObject = 532, kTagObjectLocation = 533, kTagObjectHeading = 534,
    kTagObjectTeam = 535, kTagObjectStepper = 536, kTagDeleteObject = 537, kTagObjectPoints = 568,
    kTagPathPointFromCamera = 578, kTagCameraToPathPoint = 579, kTagObjectPath = 580, kTagObjectRandomStart = 597,
};
inline constexpr int kStepperRest = 5;
inline constexpr int32_t kCloudCode = 5;

// The object menu: each item's tag is an object code the factory builds. Balloons 61 and 66 wear
// the German grey, 62 and 67 the Allied buff; a new object of any kind joins the team last entered.
struct ObjectMenuItem {
    const char* title;
    int32_t code;
};
inline constexpr std::array<ObjectMenuItem, 12> kObjectMenu = {{
    {"Observation balloon, armed (German)", 61}, {"Observation balloon, armed (Allied)", 62},
    {"Observation balloon (German)", 66},        {"Observation balloon (Allied)", 67},
    {"Flak gun", 65},                            {"Machine-gun post", 74},
    {"Lorry (Allied)", 14},                      {"Lorry (German)", 63},
    {"Ambulance", 16},                           {"Tank, box hull", 75},
    {"Tank, rhomboid", 76},                      {"Cloud", kCloudCode},
}};
// Balloons fly on their cables this far above the ground at their winch (ft), as the built-in
// missions place them: where they are seen and fought.
inline constexpr double kBalloonHeight = 1000.0;
bool isBalloon(int32_t code);

// The world vector `feet` along the camera's line of sight.
std::array<double, 3> alongSight(const MissionBuilder& builder, double feet);
// The point `feet` ahead of the camera.
std::array<double, 3> pointAhead(const MissionBuilder& builder, double feet);
// Where the line of sight through `ahead` meets the ground, height -1 (on the ground).
std::array<double, 3> groundAlongSight(const MissionBuilder& builder, const std::array<double, 3>& ahead);

}  // namespace pellam::builder
