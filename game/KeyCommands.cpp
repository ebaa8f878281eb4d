// The keyboard command handler: one game command from a key, a button or the program itself.
// Order of one call: the message line takes keys while typing; a waiting joiner refuses
// commands; message-line commands; pause and camera distance; in a network game any command
// ends a replay; then the command itself, on key down or key up as its row says. The command
// table keeps related commands in runs (fire, fly, look, cameras, aircraft, canned messages),
// which the handler tests with `within`.
#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/GameController.h"
#include "platform/Beep.h"

namespace pellam {
namespace {

constexpr int32_t kReplayRecordPeriod = 20;  // ticks between replay records, at (t - 2) mod 20 = 0
constexpr int32_t kReplayBack = 1200;        // ticks a replay starts before the live clock
constexpr int32_t kReplayEarliest = 22;

}  // namespace

void GameController::fromReplayMenu() {
    Command.actionType = kKeyUp;
    someTypicalKeyPresses(input::CommandNumber::BeginEndReplayOfAction, true);
}

void GameController::endReplay() {
    ReplayFlag = false;
    GlobalMissionTime = SavedGlobalMissionTime;
    if (ModelArray* models = getModelArray())
        for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
            if (ZephModel* m = models->at(i)) m->recoverFromReplay(GlobalMissionTime);
}

void GameController::beginOrEndReplay() {
    ModelArray* models = getModelArray();
    if (!models) return;
    if (ReplayFlag) {
        endReplay();
        return;
    }
    if (GlobalMissionTime < 50) {
        platform::SystemBeep();
        return;
    }
    ReplayFlag = true;
    for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
        if (ZephModel* m = models->at(i)) m->prepareForReplayStart(GlobalMissionTime);
    SavedGlobalMissionTime = GlobalMissionTime;
    GlobalMissionTime = std::max(SavedGlobalMissionTime - kReplayBack, kReplayEarliest);
    GlobalMissionTime -= (GlobalMissionTime - 2) % kReplayRecordPeriod;  // back onto a record time
    GlobalMissionTime = std::max(GlobalMissionTime, kReplayEarliest);
    // Each aircraft shows its recorded state at once, unsmoothed.
    for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
        FlyableAircraft* craft = aircraftAt(j);
        if (craft) craft->clearSlerping();
        if (ZephModel* m = models->at(j)) m->driveModel(1, GlobalMissionTime, true, true);
        if (craft) craft->clearSlerping();
    }
    for (long i = ModelArray::kDebris; i < models->size(); ++i)
        if (ZephModel* m = models->at(i)) m->callEveryTick(true, GlobalMissionTime, true);
}

void GameController::someTypicalKeyPresses(input::CommandNumber command, bool outsideText) {
    using enum input::CommandNumber;
    toMyZephGLView->sceneChanged();  // cameras, replay steps, resets: drawn anew even while paused
    const int32_t action = Command.actionType;
    const bool down = action == kKeyDown, up = action == kKeyUp;

    if (network_->getInTextMode() && !outsideText) {
        if (down) network_->handleTypingAMessage(Command.RawKeyPress);
        return;
    }
    if (network_->getJoinerPending() && !outsideText && command != HostDeclinesJoiner && command != HostAcceptsJoiner) {
        platform::SystemBeep();
        return;
    }
    ZephModel* ours = modelAt(AircraftWeControl);
    if ((command == SendMessage || command == SendTeamMessage) && up) {
        network_->setMessageChannel(command == SendMessage || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(ControllerNetwork::kOpenMessageLine);
        return;
    }
    if (command == PauseFlyGameToggle && down) {
        circleFlag = true;
        if (!gamePause) {
            pacer_.TickMinimum = 0;
            if (AutoHostWasOn) {
                AutoHostWasOn = false;
                doTheAutoHost = true;
            }
            gamePause = true;
            HandleCursorType(MousePosFeedback ? 1 : 0, MousePosFeedback);
            centreTheMouseStick();
        } else {
            AutoHostWasOn = doTheAutoHost;
            doTheAutoHost = false;
            gamePause = false;
            HandleCursorType(0, true);
            if (GameOverTime != 0) GameOverTime = -1200;
            // Pausing a network game costs the aircraft.
            if (!HaveDoneGameOver && isNetworkGame())
                if (FlyableAircraft* craft = aircraftAt(ModelArray::kFirstAircraft)) {
                    craft->ThisAircraft.TotalHits = craft->ThisAircraft.TotalHitsBeforeDead + 10.0;
                    craft->ThisAircraft.Damage1 |= dmg::EngineStopped;
                }
        }
    }
    if ((command == MoveCameraCloser || command == MoveCameraFartherAway) && down) cameraCommand(command);
    if (isNetworkGame() && ReplayFlag) endReplay();

    if (within(command, PauseFlyGameToggle, RudderTrimRight) || command == UnJamGunsAttempt)
        if (down || (up && within(command, FireGuns, FireGunsAndCannon))) circleFlag = true;
    if (within(command, CameraInsidePilotHead, CameraOnBomb) || within(command, CameraOnAircraft1, CameraOnAircraft8)) {
        if (down) cameraCommand(command);
        return;
    }
    if (command == CirclingCamera) {
        cameraCommand(command);
        return;
    }
    if (within(command, FireGuns, RudderTrimRight)) {
        if (ours) flyingCommand(command, action);
        return;
    }
    if (command == UnJamGunsAttempt && down && ours) ours->unJamGuns();
    if ((command == HostDeclinesJoiner || command == HostAcceptsJoiner) && down) {
        if (command == HostDeclinesJoiner) network_->declineJoiner();
        else network_->acceptJoinerPublic();
        return;
    }
    // A canned message goes on the release of the key pressed for it: not on a digit let go after
    // its control key, which made it a camera key.
    const bool canned = within(command, SendCannedMessage1, SendCannedMessage8);
    if (canned && down) cannedKeysDown_ |= static_cast<uint8_t>(1u << (command - SendCannedMessage1));
    if (!up) return;
    if (canned) {
        const int n = command - SendCannedMessage1;
        if (!(cannedKeysDown_ & (1u << n))) return;
        cannedKeysDown_ &= static_cast<uint8_t>(~(1u << n));
        network_->setMessageChannel(!PubPri[n] || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(input::numberOf(command));
        return;
    }
    switch (command) {
    case NormalFastTimeToggle: DoDoubleTime = !DoDoubleTime; break;
    case ThreePositionSoundToggle: theSounds->toggleSoundSetting(); break;
    case AutoPilotOnOffToggle: if (ours) ours->toggleAutoPilot(); break;
    case FrameRateIndicatorOnOffToggle: DisplayFrameRate = !DisplayFrameRate; break;
    case ReverseReplay: ReplaySpeed = std::max(ReplaySpeed - 1, -5); break;
    case ForwardReplay: ReplaySpeed = std::min(ReplaySpeed + 1, 5); break;
    case BeginEndReplayOfAction: if (!gamePause && !isNetworkGame()) beginOrEndReplay(); break;
    case TakeScreenShot:
        ScreenShotPending = true;
        toMyZephGLView->setScreenShotPending();
        break;
    case RestartMission: if (!gamePause) newDocument(); break;
    case OnOffSecondWindowToggle: if (CameraRule != 2) DrawSecondWindow = !DrawSecondWindow; break;
    case ClosestEnemyInSecondWindow: if (DrawSecondWindow && CameraRule == 0) SecondWindowClosestEnemy = true; break;
    case JoystickAutoTrim:
        if (gamePause)
            if (FlyableAircraft* craft = aircraftAt(AircraftWeControl)) {
                // Trims stay inside the range the trim keys can reach.
                Aircraft& a = craft->ThisAircraft;
                a.ElevatorTrim = std::clamp(a.ElevatorTrim + a.RotationalSpeeds[0] * 0.75, -1.0, 1.0);
                a.AileronTrim = std::clamp(a.AileronTrim + a.RotationalSpeeds[2] * 0.05, -1.0, 1.0);
            }
        break;
    default: break;
    }
}

// Fire Guns to Rudder Trim Right: the player's aircraft (the look commands: the viewed one).
void GameController::flyingCommand(input::CommandNumber command, int32_t action) {
    using enum input::CommandNumber;
    ZephModel& ours = *modelAt(AircraftWeControl);
    FlyableAircraft* craft = aircraftAt(AircraftWeControl);
    const bool down = action == kKeyDown;
    if (within(command, FireGuns, FireGunsAndCannon)) {
        // A release always stops the guns, paused or not, so they never fire on after a resume.
        const int32_t on = down ? 1 : 0;
        if (down && !gamePause) return;
        if (action != kKeyDown && action != kKeyUp) return;
        if (command == FireGuns || command == FireGunsAndCannon) ours.gunsOnOff(on);
        if (command == FireCannon || command == FireGunsAndCannon) ours.cannonOnOff(on);
        return;
    }
    if (!down) return;
    if (within(command, LookForwardLevel, LookRearRight)) {
        ZephModel* viewed = modelAt(CameraAircraft);
        FlyableAircraft* look = aircraftAt(CameraAircraft);
        if (!viewed) return;
        switch (command) {
        case LookForwardLevel: viewed->setPilotPitch(0.0, 0.0); break;
        case LookIncrementallyRight: if (look) look->lookIncRight(); break;
        case LookIncrementallyLeft: if (look) look->lookIncLeft(); break;
        case LookIncrementallyUp: if (look) look->lookIncUp(); break;
        case LookIncrementallyDown: if (look) look->lookIncDown(); break;
        case LookUp4590Toggle: viewed->look4590Up(); break;
        case LookDownLevelToggle: viewed->lookDownToggle(); break;
        case LookIncrementallyRightSmall: viewed->lookIncRightSmall(); break;
        case LookIncrementallyLeftSmall: viewed->lookIncLeftSmall(); break;
        default: {
            // Look Forward to Look Rear Right, deg.
            static constexpr double kHeadings[9] = {0.0, -45.0, -90.0, -135.0, -157.5, 45.0, 90.0, 135.0, 157.5};
            if (look) look->setPilotHeading(kHeadings[command - LookForward]);
        }
        }
        return;
    }
    switch (command) {
    case ThrottleUpIncrementally: ours.throttleUp(0.1); break;
    case ThrottleDownIncrementally: ours.throttleDown(0.1); break;
    case SwitchEngineOff: ours.setThrottle(0.0); break;
    case EngineIdleThrottle: if (craft) craft->setThrottleToIdle(); break;
    case EngineFullThrottle: ours.setThrottle(1.0); break;
    case EngineWarEmergencyThrottle: if (craft) craft->setThrottleToWEP(); break;
    case MoveRudderLeft: if (craft) craft->RudderInputIncLeft(); break;
    case MoveRudderRight: if (craft) craft->RudderInputIncRight(); break;
    case CenterTheRudder: ours.RudderInputAbsolute(0.0); break;
    case GearUpDownToggle: ours.gearUpDown(-1); break;
    case MoveFlapsIncrementallyUp: ours.moveFlaps(0); break;
    case MoveFlapsIncrementallyDown: ours.moveFlaps(1); break;
    case BrakeOnOffToggle: ours.toggleBrakes(); break;
    case DropBomb: {
        // A bomb dropped in a replay would change the live world; none is passed on when the
        // rack turns out empty.
        if (ReplayFlag || ours.getNumberOfBombs() <= 0) break;
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* velocity = ours.getXYZVelocities();
        double v[3] = {velocity[0], velocity[1], velocity[2]};
        const double* release = ours.dropBomb();
        if (bombs && release) bombs->startADroppedBomb(v, release, GlobalMissionTime, 2);
        break;
    }
    case LaunchRocket: ours.launchRocket(); break;
    case BailOut: if (gamePause) ours.bailOut(); break;
    case ElevatorTrimUp: ours.ElevatorTrimUpDown(1); break;
    case ElevatorTrimDown: ours.ElevatorTrimUpDown(-1); break;
    case AileronTrimLeft: ours.AileronTrimLeftRight(-1); break;
    case AileronTrimRight: ours.AileronTrimLeftRight(1); break;
    case RudderTrimLeft: ours.RudderTrimLeftRight(-1); break;
    case RudderTrimRight: ours.RudderTrimLeftRight(1); break;
    default: break;
    }
}

}  // namespace pellam
