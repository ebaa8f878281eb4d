#include "input/Commands.h"

namespace pellam::input {
namespace {

using namespace platform::hid;

constexpr const char* kTitles[kLastCommand + 1] = {
    "",
    "Pause/Fly Game Toggle",
    "Fire Guns",
    "Fire Cannon",
    "Fire Guns & Cannon",
    "Throttle Up Incrementally",
    "Throttle Down Incrementally",
    "Switch Engine Off",
    "Engine Idle Throttle",
    "Engine Full Throttle",
    "Engine War Emergency Throttle",
    "Move Rudder Left",
    "Move Rudder Right",
    "Center The Rudder",
    "Gear Up/Down Toggle",
    "Move Flaps Incrementally Up",
    "Move Flaps Incrementally Down",
    "Brake On/Off Toggle",
    "Drop Bomb",
    "Launch Rocket",
    "Bail Out",
    "Look Forward Level",
    "Look Incrementally Right",
    "Look Incrementally Left",
    "Look Incrementally Up",
    "Look Incrementally Down",
    "Look Up 45/90\u00b0 Toggle",
    "Look Down/Level Toggle",
    "Look Incrementally Right Small",
    "Look Incrementally Left Small",
    "Look Forward",
    "Look 45\u00b0 Left",
    "Look 90\u00b0 Left",
    "Look 135\u00b0 Left",
    "Look Rear Left",
    "Look 45\u00b0 Right",
    "Look 90\u00b0 Right",
    "Look 135\u00b0 Right",
    "Look Rear Right",
    "Elevator Trim Up",
    "Elevator Trim Down",
    "Aileron Trim Left",
    "Aileron Trim Right",
    "Rudder Trim Left",
    "Rudder Trim Right",
    "Camera Inside Pilot Head",
    "Camera View From North",
    "Camera View From South",
    "Camera View From East",
    "Camera View From West",
    "Camera View From Above",
    "Camera View From Left Wing",
    "Camera View From Right Wing",
    "Camera View From Nose",
    "Camera View From Tail",
    "Fly By Camera",
    "Chase Camera",
    "You And Nearest Enemy Aircraft",
    "Camera In Nearest Tower",
    "Camera On Bomb",
    "Move Camera Closer",
    "Move Camera Farther Away",
    "Camera On Aircraft #1 (Your Aircraft)",
    "Camera On Aircraft #2",
    "Camera On Aircraft #3",
    "Camera On Aircraft #4",
    "Camera On Aircraft #5",
    "Camera On Aircraft #6",
    "Camera On Aircraft #7",
    "Camera On Aircraft #8",
    "Send Message",
    "Send Canned Message 1",
    "Send Canned Message 2",
    "Send Canned Message 3",
    "Send Canned Message 4",
    "Send Canned Message 5",
    "Send Canned Message 6",
    "Send Canned Message 7",
    "Send Canned Message 8",
    "Host Declines Joiner",
    "Host Accepts Joiner",
    "Normal/Fast Time Toggle",
    "3 Position Sound Toggle",
    "Auto Pilot On/Off Toggle",
    "Frame Rate Indicator On/Off Toggle",
    "Reverse Replay",
    "Forward Replay",
    "Send Team Message",
    "Begin/End Replay of Action",
    "Take Screen Shot",
    "Restart Mission",
    "On/Off Second Window Toggle",
    "Closest Enemy in Second Window",
    "Joystick Auto Trim",
    "Un-Jam Guns Attempt",
};

constexpr uint32_t kCtl = kControlKeyMask, kOpt = kAlternateKeyMask, kPad = kNumericPadKeyMask,
                   kFn = kFunctionKeyMask, kArrow = kArrowKeyMask;
constexpr uint32_t F(int n) { return kF1Char + n - 1; }

// Rows 1..86 of the game's table, in table order.
constexpr DefaultBinding kGameBindings[] = {
    {1, 'p', 0}, {2, ' ', 0}, {5, '=', 0}, {6, '-', 0}, {7, F(5), kFn}, {8, F(6), kFn}, {9, F(7), kFn},
    {11, 'q', 0}, {12, 'e', 0}, {13, 'r', 0}, {17, 'b', 0}, {18, 'd', 0}, {21, 'w', 0}, {22, 's', 0},
    {23, 'a', 0}, {24, 'f', 0}, {25, 'v', 0}, {26, 'x', 0}, {27, 'c', 0}, {28, '.', 0}, {29, ',', 0},
    {30, '8', kPad}, {31, '7', kPad}, {32, '4', kPad}, {33, '1', kPad}, {34, '0', kPad}, {35, '9', kPad},
    {36, '6', kPad}, {37, '3', kPad}, {38, '.', kPad},
    {39, 'i', 0}, {40, 'k', 0}, {41, 'j', 0}, {42, 'l', 0}, {43, 'u', 0}, {44, 'o', 0},
    {45, '1', kOpt}, {46, '2', kOpt}, {47, '4', kOpt}, {48, '3', kOpt}, {49, '5', kOpt}, {50, '6', kOpt},
    {51, '7', kOpt}, {52, '9', kOpt}, {53, '8', kOpt}, {54, '0', kOpt}, {55, 'y', kOpt}, {56, 'c', kOpt},
    {57, 'z', kOpt}, {58, 't', kOpt}, {59, 'b', kCtl},
    {60, kUpArrowChar, kArrow}, {61, kDownArrowChar, kArrow},
    {62, '1', kCtl}, {63, '2', kCtl}, {64, '3', kCtl}, {65, '4', kCtl}, {66, '5', kCtl}, {67, '6', kCtl},
    {68, '7', kCtl}, {69, '8', kCtl},
    {70, 'm', 0}, {87, '0', 0}, {71, '1', 0}, {72, '2', 0}, {73, '3', 0}, {74, '4', 0}, {75, '5', 0},
    {76, '6', 0}, {77, '7', 0}, {78, '8', 0},
    {79, 'd', kCtl}, {80, 'a', kCtl}, {81, 'f', kOpt}, {82, 'h', kOpt}, {83, 'a', kOpt}, {84, 's', kOpt},
    {85, kLeftArrowChar, kArrow}, {86, kRightArrowChar, kArrow}, {88, 'r', kOpt}, {89, F(2), kFn},
    {90, 'n', kCtl}, {91, 'w', kOpt}, {92, 'e', kCtl}, {93, 't', kCtl}, {94, 'u', kCtl},
};
static_assert(std::size(kGameBindings) == 86);

// Rows 1..93 of the full table.
constexpr DefaultBinding kFullBindings[] = {
    {1, 'p', 0}, {4, ' ', 0}, {2, F(3), kFn}, {3, F(4), kFn}, {5, '=', 0}, {6, '-', 0}, {7, F(5), kFn},
    {8, F(6), kFn}, {9, F(7), kFn}, {10, F(8), kFn}, {11, 'q', 0}, {12, 'e', 0}, {13, 'r', 0}, {14, 'g', 0},
    {15, '[', 0}, {16, ']', 0}, {17, 'b', 0}, {18, 'd', 0}, {19, F(1), kFn}, {20, 0x1B, 0},
    {21, 'w', 0}, {22, 's', 0}, {23, 'a', 0}, {24, 'f', 0}, {25, 'v', 0}, {26, 'x', 0}, {27, 'c', 0},
    {28, '.', 0}, {29, ',', 0},
    {30, '8', kPad}, {31, '7', kPad}, {32, '4', kPad}, {33, '1', kPad}, {34, '0', kPad}, {35, '9', kPad},
    {36, '6', kPad}, {37, '3', kPad}, {38, '.', kPad},
    {39, 'i', 0}, {40, 'k', 0}, {41, 'j', 0}, {42, 'l', 0}, {43, 'u', 0}, {44, 'o', 0},
    {45, '1', kOpt}, {46, '2', kOpt}, {47, '4', kOpt}, {48, '3', kOpt}, {49, '5', kOpt}, {50, '6', kOpt},
    {51, '7', kOpt}, {52, '9', kOpt}, {53, '8', kOpt}, {54, '0', kOpt}, {55, 'y', kOpt}, {56, 'c', kOpt},
    {57, 'z', kOpt}, {58, 't', kOpt}, {59, 'b', kOpt},
    {60, kUpArrowChar, kArrow}, {61, kDownArrowChar, kArrow},
    {62, '1', kCtl}, {63, '2', kCtl}, {64, '3', kCtl}, {65, '4', kCtl}, {66, '5', kCtl}, {67, '6', kCtl},
    {68, '7', kCtl}, {69, '8', kCtl},
    {70, 'm', 0}, {71, '1', 0}, {72, '2', 0}, {73, '3', 0}, {74, '4', 0}, {75, '5', 0},
    {76, '6', 0}, {77, '7', 0}, {78, '8', 0},
    {79, 'd', kCtl}, {80, 'a', kCtl}, {81, 'f', kOpt}, {82, 'h', kOpt}, {83, 'a', kOpt}, {84, 's', kOpt},
    {85, kLeftArrowChar, kArrow}, {86, kRightArrowChar, kArrow}, {87, '0', 0}, {88, 'r', kOpt},
    {89, F(2), kFn}, {90, 'n', kCtl}, {91, 'w', kOpt}, {92, 'e', kCtl}, {93, 't', kCtl},
};
static_assert(std::size(kFullBindings) == 93);

}  // namespace

const char* commandTitle(CommandNumber command) {
    return command >= kFirstCommand && command <= kLastCommand ? kTitles[command] : "";
}

int32_t rawKeyCode(uint32_t c, uint32_t flags) {
    if (c > 0xF617) {
        c -= 0xF618;
        flags = 0;
    }
    uint32_t code = c & 255;
    if (flags & kNumericPadKeyMask)
        code += (flags & ~kNumericPadKeyMask) + 0x400;
    else if (flags & kCommandKeyMask)
        code += (flags & ~kCommandKeyMask) + 0x800;
    else
        code += (flags & 0xC0000) >> 10;
    return static_cast<int32_t>(code);
}

std::span<const DefaultBinding> gameDefaultBindings() { return kGameBindings; }
std::span<const DefaultBinding> fullDefaultBindings() { return kFullBindings; }

void gameJoystickButtonDefaults(ButtonTable& t) {
    t[6] = kFireGuns;
    t[7] = kPauseFly;
    t[8] = kDropBomb;
    t[9] = kLookIncUp;
    t[10] = kLookIncDown;
    t[11] = kBrakeToggle;
    t[12] = kNormalFastTime;
    t[13] = kBrakeToggle;
    for (int g = 14; g <= 21; ++g) t[g] = kMoveRudderLeft;
    t[22] = kLookForwardLevel;
    t[23] = t[24] = kLookIncRight;
    t[25] = t[26] = t[27] = kLookUpToggle;
    t[28] = t[29] = kLookIncLeft;
    t[30] = kLookForwardLevel;
    for (int g = 31; g <= 62; ++g) t[g] = kMoveRudderLeft;
}

void fullJoystickButtonDefaults(ButtonTable& t) {
    gameJoystickButtonDefaults(t);
    t[6] = kFireGunsAndCannon;
    t[8] = 14;   // Gear Up/Down Toggle
    t[9] = kDropBomb;
    t[12] = 20;  // Bail Out
    for (int g = 14; g <= 21; ++g) t[g] = kBrakeToggle;
    for (int g = 31; g <= 62; ++g) t[g] = kBrakeToggle;
}

std::string joystickButtonName(int group) {
    if (group >= 6 && group <= 21) return "Button #" + std::to_string(group - 5);
    if (group >= 22 && group <= 29) return "Hat Switch #" + std::to_string(group - 21);
    if (group == 30) return "Hat Switch at rest";
    if (group >= 31 && group <= 62) return "Button #" + std::to_string(group - 14);
    return "error";
}

}  // namespace pellam::input
