#pragma once
// The game's commands: what a key, a mouse or joystick button, or the game itself asks the
// command handler to do. The numbers are stored in the key, button and mouse settings and never
// change; related commands sit in runs (the fixed looks, the camera views, the eight aircraft, the
// canned messages), which the command handler relies on.
#include <cstdint>

namespace pellam::input {

enum class CommandNumber : int32_t {
    None = 0,  // an empty ring slot; no binding
    PauseFlyGameToggle = 1,
    FireGuns = 2,
    FireCannon = 3,
    FireGunsAndCannon = 4,
    ThrottleUpIncrementally = 5,
    ThrottleDownIncrementally = 6,
    SwitchEngineOff = 7,
    EngineIdleThrottle = 8,
    EngineFullThrottle = 9,
    EngineWarEmergencyThrottle = 10,
    MoveRudderLeft = 11,
    MoveRudderRight = 12,
    CenterTheRudder = 13,
    GearUpDownToggle = 14,
    MoveFlapsIncrementallyUp = 15,
    MoveFlapsIncrementallyDown = 16,
    BrakeOnOffToggle = 17,
    DropBomb = 18,
    LaunchRocket = 19,
    BailOut = 20,
    LookForwardLevel = 21,
    LookIncrementallyRight = 22,
    LookIncrementallyLeft = 23,
    LookIncrementallyUp = 24,
    LookIncrementallyDown = 25,
    LookUp4590Toggle = 26,
    LookDownLevelToggle = 27,
    LookIncrementallyRightSmall = 28,
    LookIncrementallyLeftSmall = 29,
    LookForward = 30,  // 30..38: the fixed head turns, forward then round to the left and to the right
    Look45Left = 31,
    Look90Left = 32,
    Look135Left = 33,
    LookRearLeft = 34,
    Look45Right = 35,
    Look90Right = 36,
    Look135Right = 37,
    LookRearRight = 38,
    ElevatorTrimUp = 39,
    ElevatorTrimDown = 40,
    AileronTrimLeft = 41,
    AileronTrimRight = 42,
    RudderTrimLeft = 43,
    RudderTrimRight = 44,
    CameraInsidePilotHead = 45,  // 45..54: command - 45 is the camera position number
    CameraViewFromNorth = 46,
    CameraViewFromSouth = 47,
    CameraViewFromEast = 48,
    CameraViewFromWest = 49,
    CameraViewFromAbove = 50,
    CameraViewFromLeftWing = 51,
    CameraViewFromRightWing = 52,
    CameraViewFromNose = 53,
    CameraViewFromTail = 54,
    FlyByCamera = 55,
    ChaseCamera = 56,
    YouAndNearestEnemyAircraft = 57,
    CameraInNearestTower = 58,
    CameraOnBomb = 59,
    MoveCameraCloser = 60,
    MoveCameraFartherAway = 61,
    CameraOnAircraft1 = 62,  // 62..69: aircraft 1 (the player's) to 8
    CameraOnAircraft2 = 63,
    CameraOnAircraft3 = 64,
    CameraOnAircraft4 = 65,
    CameraOnAircraft5 = 66,
    CameraOnAircraft6 = 67,
    CameraOnAircraft7 = 68,
    CameraOnAircraft8 = 69,
    SendMessage = 70,
    SendCannedMessage1 = 71,  // 71..78: preset messages 1 to 8
    SendCannedMessage2 = 72,
    SendCannedMessage3 = 73,
    SendCannedMessage4 = 74,
    SendCannedMessage5 = 75,
    SendCannedMessage6 = 76,
    SendCannedMessage7 = 77,
    SendCannedMessage8 = 78,
    HostDeclinesJoiner = 79,
    HostAcceptsJoiner = 80,
    NormalFastTimeToggle = 81,
    ThreePositionSoundToggle = 82,
    AutoPilotOnOffToggle = 83,
    FrameRateIndicatorOnOffToggle = 84,
    ReverseReplay = 85,
    ForwardReplay = 86,
    SendTeamMessage = 87,
    BeginEndReplayOfAction = 88,
    TakeScreenShot = 89,
    RestartMission = 90,
    OnOffSecondWindowToggle = 91,
    ClosestEnemyInSecondWindow = 92,
    JoystickAutoTrim = 93,
    UnJamGunsAttempt = 94,
    Unbound = 95,          // a key, button or hat position that no binding names (the code of '_')
    CirclingCamera = 100,  // the game's own, never bound: the slow circle round a paused aircraft
};

constexpr CommandNumber kFirstCommand = CommandNumber::PauseFlyGameToggle;
constexpr CommandNumber kLastCommand = CommandNumber::UnJamGunsAttempt;

// The number as stored and as carried in a byte by the ring and the button and key tables.
constexpr int32_t numberOf(CommandNumber c) { return static_cast<int32_t>(c); }
constexpr uint8_t byteOf(CommandNumber c) { return static_cast<uint8_t>(c); }
constexpr CommandNumber commandFrom(int32_t number) { return static_cast<CommandNumber>(number); }

// One of the player's commands 1..94 (not none, unbound or the game's own).
constexpr bool isGameCommand(CommandNumber c) { return c >= kFirstCommand && c <= kLastCommand; }

// `c` lies in the run first..last.
constexpr bool within(CommandNumber c, CommandNumber first, CommandNumber last) { return c >= first && c <= last; }
// The command `k` places on in a run, and how far into its run (from `first`) a command lies.
constexpr CommandNumber operator+(CommandNumber first, int32_t k) { return commandFrom(numberOf(first) + k); }
constexpr int32_t operator-(CommandNumber c, CommandNumber first) { return numberOf(c) - numberOf(first); }

}  // namespace pellam::input
