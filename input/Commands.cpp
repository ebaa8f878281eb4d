#include "input/Commands.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using enum CommandNumber;

// Each game command with its title, in number order.
struct CommandTitle {
    CommandNumber command;
    const char* title;
};
constexpr CommandTitle kTitles[] = {
    {PauseFlyGameToggle, "Pause/Fly Game Toggle"},
    {FireGuns, "Fire Guns"},
    {FireCannon, "Fire Cannon"},
    {FireGunsAndCannon, "Fire Guns & Cannon"},
    {ThrottleUpIncrementally, "Throttle Up Incrementally"},
    {ThrottleDownIncrementally, "Throttle Down Incrementally"},
    {SwitchEngineOff, "Switch Engine Off"},
    {EngineIdleThrottle, "Engine Idle Throttle"},
    {EngineFullThrottle, "Engine Full Throttle"},
    {EngineWarEmergencyThrottle, "Engine War Emergency Throttle"},
    {MoveRudderLeft, "Move Rudder Left"},
    {MoveRudderRight, "Move Rudder Right"},
    {CenterTheRudder, "Center The Rudder"},
    {GearUpDownToggle, "Gear Up/Down Toggle"},
    {MoveFlapsIncrementallyUp, "Move Flaps Incrementally Up"},
    {MoveFlapsIncrementallyDown, "Move Flaps Incrementally Down"},
    {BrakeOnOffToggle, "Brake On/Off Toggle"},
    {DropBomb, "Drop Bomb"},
    {LaunchRocket, "Launch Rocket"},
    {BailOut, "Bail Out"},
    {LookForwardLevel, "Look Forward Level"},
    {LookIncrementallyRight, "Look Incrementally Right"},
    {LookIncrementallyLeft, "Look Incrementally Left"},
    {LookIncrementallyUp, "Look Incrementally Up"},
    {LookIncrementallyDown, "Look Incrementally Down"},
    {LookUp4590Toggle, "Look Up 45/90\u00b0 Toggle"},
    {LookDownLevelToggle, "Look Down/Level Toggle"},
    {LookIncrementallyRightSmall, "Look Incrementally Right Small"},
    {LookIncrementallyLeftSmall, "Look Incrementally Left Small"},
    {LookForward, "Look Forward"},
    {Look45Left, "Look 45\u00b0 Left"},
    {Look90Left, "Look 90\u00b0 Left"},
    {Look135Left, "Look 135\u00b0 Left"},
    {LookRearLeft, "Look Rear Left"},
    {Look45Right, "Look 45\u00b0 Right"},
    {Look90Right, "Look 90\u00b0 Right"},
    {Look135Right, "Look 135\u00b0 Right"},
    {LookRearRight, "Look Rear Right"},
    {ElevatorTrimUp, "Elevator Trim Up"},
    {ElevatorTrimDown, "Elevator Trim Down"},
    {AileronTrimLeft, "Aileron Trim Left"},
    {AileronTrimRight, "Aileron Trim Right"},
    {RudderTrimLeft, "Rudder Trim Left"},
    {RudderTrimRight, "Rudder Trim Right"},
    {CameraInsidePilotHead, "Camera Inside Pilot Head"},
    {CameraViewFromNorth, "Camera View From North"},
    {CameraViewFromSouth, "Camera View From South"},
    {CameraViewFromEast, "Camera View From East"},
    {CameraViewFromWest, "Camera View From West"},
    {CameraViewFromAbove, "Camera View From Above"},
    {CameraViewFromLeftWing, "Camera View From Left Wing"},
    {CameraViewFromRightWing, "Camera View From Right Wing"},
    {CameraViewFromNose, "Camera View From Nose"},
    {CameraViewFromTail, "Camera View From Tail"},
    {FlyByCamera, "Fly By Camera"},
    {ChaseCamera, "Chase Camera"},
    {YouAndNearestEnemyAircraft, "You And Nearest Enemy Aircraft"},
    {CameraInNearestTower, "Camera In Nearest Tower"},
    {CameraOnBomb, "Camera On Bomb"},
    {MoveCameraCloser, "Move Camera Closer"},
    {MoveCameraFartherAway, "Move Camera Farther Away"},
    {CameraOnAircraft1, "Camera On Aircraft #1 (Your Aircraft)"},
    {CameraOnAircraft2, "Camera On Aircraft #2"},
    {CameraOnAircraft3, "Camera On Aircraft #3"},
    {CameraOnAircraft4, "Camera On Aircraft #4"},
    {CameraOnAircraft5, "Camera On Aircraft #5"},
    {CameraOnAircraft6, "Camera On Aircraft #6"},
    {CameraOnAircraft7, "Camera On Aircraft #7"},
    {CameraOnAircraft8, "Camera On Aircraft #8"},
    {SendMessage, "Send Message"},
    {SendCannedMessage1, "Send Canned Message 1"},
    {SendCannedMessage2, "Send Canned Message 2"},
    {SendCannedMessage3, "Send Canned Message 3"},
    {SendCannedMessage4, "Send Canned Message 4"},
    {SendCannedMessage5, "Send Canned Message 5"},
    {SendCannedMessage6, "Send Canned Message 6"},
    {SendCannedMessage7, "Send Canned Message 7"},
    {SendCannedMessage8, "Send Canned Message 8"},
    {HostDeclinesJoiner, "Host Declines Joiner"},
    {HostAcceptsJoiner, "Host Accepts Joiner"},
    {NormalFastTimeToggle, "Normal/Fast Time Toggle"},
    {ThreePositionSoundToggle, "3 Position Sound Toggle"},
    {AutoPilotOnOffToggle, "Auto Pilot On/Off Toggle"},
    {FrameRateIndicatorOnOffToggle, "Frame Rate Indicator On/Off Toggle"},
    {ReverseReplay, "Reverse Replay"},
    {ForwardReplay, "Forward Replay"},
    {SendTeamMessage, "Send Team Message"},
    {BeginEndReplayOfAction, "Begin/End Replay of Action"},
    {TakeScreenShot, "Take Screen Shot"},
    {RestartMission, "Restart Mission"},
    {OnOffSecondWindowToggle, "On/Off Second Window Toggle"},
    {ClosestEnemyInSecondWindow, "Closest Enemy in Second Window"},
    {JoystickAutoTrim, "Joystick Auto Trim"},
    {UnJamGunsAttempt, "Un-Jam Guns Attempt"},
};
static_assert(std::size(kTitles) == numberOf(kLastCommand));
constexpr bool inNumberOrder() {
    for (size_t i = 0; i < std::size(kTitles); ++i)
        if (kTitles[i].command != kFirstCommand + static_cast<int32_t>(i)) return false;
    return true;
}
static_assert(inNumberOrder());

constexpr uint32_t kCtl = kControlKeyMask, kOpt = kAlternateKeyMask, kPad = kNumericPadKeyMask,
                   kFn = kFunctionKeyMask, kArrow = kArrowKeyMask;
constexpr uint32_t F(int n) { return kF1Char + n - 1; }

// Rows 1..86 of the game's table, in table order.
constexpr DefaultBinding kGameBindings[] = {
    {PauseFlyGameToggle, 'p', 0}, {FireGuns, ' ', 0}, {ThrottleUpIncrementally, '=', 0},
    {ThrottleDownIncrementally, '-', 0}, {SwitchEngineOff, F(5), kFn}, {EngineIdleThrottle, F(6), kFn},
    {EngineFullThrottle, F(7), kFn}, {MoveRudderLeft, 'q', 0}, {MoveRudderRight, 'e', 0}, {CenterTheRudder, 'r', 0},
    {BrakeOnOffToggle, 'b', 0}, {DropBomb, 'd', 0}, {LookForwardLevel, 'w', 0}, {LookIncrementallyRight, 's', 0},
    {LookIncrementallyLeft, 'a', 0}, {LookIncrementallyUp, 'f', 0}, {LookIncrementallyDown, 'v', 0},
    {LookUp4590Toggle, 'x', 0}, {LookDownLevelToggle, 'c', 0}, {LookIncrementallyRightSmall, '.', 0},
    {LookIncrementallyLeftSmall, ',', 0}, {LookForward, '8', kPad}, {Look45Left, '7', kPad}, {Look90Left, '4', kPad},
    {Look135Left, '1', kPad}, {LookRearLeft, '0', kPad}, {Look45Right, '9', kPad}, {Look90Right, '6', kPad},
    {Look135Right, '3', kPad}, {LookRearRight, '.', kPad}, {ElevatorTrimUp, 'i', 0}, {ElevatorTrimDown, 'k', 0},
    {AileronTrimLeft, 'j', 0}, {AileronTrimRight, 'l', 0}, {RudderTrimLeft, 'u', 0}, {RudderTrimRight, 'o', 0},
    {CameraInsidePilotHead, '1', kOpt}, {CameraViewFromNorth, '2', kOpt}, {CameraViewFromSouth, '4', kOpt},
    {CameraViewFromEast, '3', kOpt}, {CameraViewFromWest, '5', kOpt}, {CameraViewFromAbove, '6', kOpt},
    {CameraViewFromLeftWing, '7', kOpt}, {CameraViewFromRightWing, '9', kOpt}, {CameraViewFromNose, '8', kOpt},
    {CameraViewFromTail, '0', kOpt}, {FlyByCamera, 'y', kOpt}, {ChaseCamera, 'c', kOpt},
    {YouAndNearestEnemyAircraft, 'z', kOpt}, {CameraInNearestTower, 't', kOpt}, {CameraOnBomb, 'b', kCtl},
    {MoveCameraCloser, kUpArrowChar, kArrow}, {MoveCameraFartherAway, kDownArrowChar, kArrow},
    {CameraOnAircraft1, '1', kCtl}, {CameraOnAircraft2, '2', kCtl}, {CameraOnAircraft3, '3', kCtl},
    {CameraOnAircraft4, '4', kCtl}, {CameraOnAircraft5, '5', kCtl}, {CameraOnAircraft6, '6', kCtl},
    {CameraOnAircraft7, '7', kCtl}, {CameraOnAircraft8, '8', kCtl}, {SendMessage, 'm', 0}, {SendTeamMessage, '0', 0},
    {SendCannedMessage1, '1', 0}, {SendCannedMessage2, '2', 0}, {SendCannedMessage3, '3', 0},
    {SendCannedMessage4, '4', 0}, {SendCannedMessage5, '5', 0}, {SendCannedMessage6, '6', 0},
    {SendCannedMessage7, '7', 0}, {SendCannedMessage8, '8', 0}, {HostDeclinesJoiner, 'd', kCtl},
    {HostAcceptsJoiner, 'a', kCtl}, {NormalFastTimeToggle, 'f', kOpt}, {ThreePositionSoundToggle, 'h', kOpt},
    {AutoPilotOnOffToggle, 'a', kOpt}, {FrameRateIndicatorOnOffToggle, 's', kOpt},
    {ReverseReplay, kLeftArrowChar, kArrow}, {ForwardReplay, kRightArrowChar, kArrow},
    {BeginEndReplayOfAction, 'r', kOpt}, {TakeScreenShot, F(2), kFn}, {RestartMission, 'n', kCtl},
    {OnOffSecondWindowToggle, 'w', kOpt}, {ClosestEnemyInSecondWindow, 'e', kCtl}, {JoystickAutoTrim, 't', kCtl},
    {UnJamGunsAttempt, 'u', kCtl},
};
static_assert(std::size(kGameBindings) == 86);

// Rows 1..93 of the full table.
constexpr DefaultBinding kFullBindings[] = {
    {PauseFlyGameToggle, 'p', 0}, {FireGunsAndCannon, ' ', 0}, {FireGuns, F(3), kFn}, {FireCannon, F(4), kFn},
    {ThrottleUpIncrementally, '=', 0}, {ThrottleDownIncrementally, '-', 0}, {SwitchEngineOff, F(5), kFn},
    {EngineIdleThrottle, F(6), kFn}, {EngineFullThrottle, F(7), kFn}, {EngineWarEmergencyThrottle, F(8), kFn},
    {MoveRudderLeft, 'q', 0}, {MoveRudderRight, 'e', 0}, {CenterTheRudder, 'r', 0}, {GearUpDownToggle, 'g', 0},
    {MoveFlapsIncrementallyUp, '[', 0}, {MoveFlapsIncrementallyDown, ']', 0}, {BrakeOnOffToggle, 'b', 0},
    {DropBomb, 'd', 0}, {LaunchRocket, F(1), kFn}, {BailOut, 0x1B, 0}, {LookForwardLevel, 'w', 0},
    {LookIncrementallyRight, 's', 0}, {LookIncrementallyLeft, 'a', 0}, {LookIncrementallyUp, 'f', 0},
    {LookIncrementallyDown, 'v', 0}, {LookUp4590Toggle, 'x', 0}, {LookDownLevelToggle, 'c', 0},
    {LookIncrementallyRightSmall, '.', 0}, {LookIncrementallyLeftSmall, ',', 0}, {LookForward, '8', kPad},
    {Look45Left, '7', kPad}, {Look90Left, '4', kPad}, {Look135Left, '1', kPad}, {LookRearLeft, '0', kPad},
    {Look45Right, '9', kPad}, {Look90Right, '6', kPad}, {Look135Right, '3', kPad}, {LookRearRight, '.', kPad},
    {ElevatorTrimUp, 'i', 0}, {ElevatorTrimDown, 'k', 0}, {AileronTrimLeft, 'j', 0}, {AileronTrimRight, 'l', 0},
    {RudderTrimLeft, 'u', 0}, {RudderTrimRight, 'o', 0}, {CameraInsidePilotHead, '1', kOpt},
    {CameraViewFromNorth, '2', kOpt}, {CameraViewFromSouth, '4', kOpt}, {CameraViewFromEast, '3', kOpt},
    {CameraViewFromWest, '5', kOpt}, {CameraViewFromAbove, '6', kOpt}, {CameraViewFromLeftWing, '7', kOpt},
    {CameraViewFromRightWing, '9', kOpt}, {CameraViewFromNose, '8', kOpt}, {CameraViewFromTail, '0', kOpt},
    {FlyByCamera, 'y', kOpt}, {ChaseCamera, 'c', kOpt}, {YouAndNearestEnemyAircraft, 'z', kOpt},
    {CameraInNearestTower, 't', kOpt}, {CameraOnBomb, 'b', kOpt}, {MoveCameraCloser, kUpArrowChar, kArrow},
    {MoveCameraFartherAway, kDownArrowChar, kArrow}, {CameraOnAircraft1, '1', kCtl}, {CameraOnAircraft2, '2', kCtl},
    {CameraOnAircraft3, '3', kCtl}, {CameraOnAircraft4, '4', kCtl}, {CameraOnAircraft5, '5', kCtl},
    {CameraOnAircraft6, '6', kCtl}, {CameraOnAircraft7, '7', kCtl}, {CameraOnAircraft8, '8', kCtl},
    {SendMessage, 'm', 0}, {SendCannedMessage1, '1', 0}, {SendCannedMessage2, '2', 0}, {SendCannedMessage3, '3', 0},
    {SendCannedMessage4, '4', 0}, {SendCannedMessage5, '5', 0}, {SendCannedMessage6, '6', 0},
    {SendCannedMessage7, '7', 0}, {SendCannedMessage8, '8', 0}, {HostDeclinesJoiner, 'd', kCtl},
    {HostAcceptsJoiner, 'a', kCtl}, {NormalFastTimeToggle, 'f', kOpt}, {ThreePositionSoundToggle, 'h', kOpt},
    {AutoPilotOnOffToggle, 'a', kOpt}, {FrameRateIndicatorOnOffToggle, 's', kOpt},
    {ReverseReplay, kLeftArrowChar, kArrow}, {ForwardReplay, kRightArrowChar, kArrow}, {SendTeamMessage, '0', 0},
    {BeginEndReplayOfAction, 'r', kOpt}, {TakeScreenShot, F(2), kFn}, {RestartMission, 'n', kCtl},
    {OnOffSecondWindowToggle, 'w', kOpt}, {ClosestEnemyInSecondWindow, 'e', kCtl}, {JoystickAutoTrim, 't', kCtl},
};
static_assert(std::size(kFullBindings) == 93);

}  // namespace

const char* commandTitle(CommandNumber command) {
    return isGameCommand(command) ? kTitles[command - kFirstCommand].title : "";
}

CommandNumber commandTitled(const std::string& title) {
    for (const CommandTitle& t : kTitles)
        if (title == t.title) return t.command;
    return None;
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
    t[6] = byteOf(FireGuns);
    t[7] = byteOf(PauseFlyGameToggle);
    t[8] = byteOf(DropBomb);
    t[9] = byteOf(LookIncrementallyUp);
    t[10] = byteOf(LookIncrementallyDown);
    t[11] = byteOf(BrakeOnOffToggle);
    t[12] = byteOf(NormalFastTimeToggle);
    t[13] = byteOf(BrakeOnOffToggle);
    for (int g = 14; g <= 21; ++g) t[g] = byteOf(MoveRudderLeft);
    t[22] = byteOf(LookForwardLevel);
    t[23] = t[24] = byteOf(LookIncrementallyRight);
    t[25] = t[26] = t[27] = byteOf(LookUp4590Toggle);
    t[28] = t[29] = byteOf(LookIncrementallyLeft);
    t[30] = byteOf(LookForwardLevel);
    for (int g = 31; g <= 62; ++g) t[g] = byteOf(MoveRudderLeft);
}

void fullJoystickButtonDefaults(ButtonTable& t) {
    gameJoystickButtonDefaults(t);
    t[6] = byteOf(FireGunsAndCannon);
    t[8] = byteOf(GearUpDownToggle);
    t[9] = byteOf(DropBomb);
    t[12] = byteOf(BailOut);
    for (int g = 14; g <= 21; ++g) t[g] = byteOf(BrakeOnOffToggle);
    for (int g = 31; g <= 62; ++g) t[g] = byteOf(BrakeOnOffToggle);
}

std::string joystickButtonName(int group) {
    if (group >= 6 && group <= 21) return "Button #" + std::to_string(group - 5);
    if (group >= 22 && group <= 29) return "Hat Switch #" + std::to_string(group - 21);
    if (group == 30) return "Hat Switch at rest";
    if (group >= 31 && group <= 62) return "Button #" + std::to_string(group - 14);
    return "error";
}

}  // namespace pellam::input
