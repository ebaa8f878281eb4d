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

void GameController::fromReplayMenu() {
    sendCommand(input::CommandNumber::BeginEndReplayOfAction, kKeyUp);
}

void GameController::closeSecondView() {
    if (cameras_.DrawSecondWindow) sendCommand(input::CommandNumber::OnOffSecondWindowToggle, kKeyUp);
}

void GameController::endReplay() {
    clock_.GlobalMissionTime = replay_.end();
    if (ModelArray* models = getModelArray())
        for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
            if (ZephModel* m = models->at(i)) m->recoverFromReplay(clock_.GlobalMissionTime);
}

void GameController::beginOrEndReplay() {
    ModelArray* models = getModelArray();
    if (!models) return;
    if (replay_.ReplayFlag) {
        endReplay();
        return;
    }
    if (clock_.GlobalMissionTime < 50) {
        platform::SystemBeep();
        return;
    }
    const int32_t from = replay_.begin(clock_.GlobalMissionTime);
    for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
        if (ZephModel* m = models->at(i)) m->prepareForReplayStart(clock_.GlobalMissionTime);
    clock_.GlobalMissionTime = from;
    // Each aircraft shows its recorded state at once, unsmoothed.
    for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
        FlyableAircraft* craft = aircraftAt(j);
        if (craft) craft->clearSlerping();
        if (ZephModel* m = models->at(j)) m->driveModel(1, clock_.GlobalMissionTime, true, true);
        if (craft) craft->clearSlerping();
    }
    for (long i = ModelArray::kDebris; i < models->size(); ++i)
        if (ZephModel* m = models->at(i)) m->callEveryTick(true, clock_.GlobalMissionTime, true);
}

void GameController::someTypicalKeyPresses(input::CommandNumber command, bool outsideText) {
    using enum input::CommandNumber;
    toMyZephGLView->sceneChanged();  // cameras, replay steps, resets: drawn anew even while paused
    const int32_t action = step_.Command.actionType;
    const bool down = action == kKeyDown, up = action == kKeyUp;

    if (network_->getInTextMode() && !outsideText) {
        if (down) network_->handleTypingAMessage(step_.Command.RawKeyPress);
        return;
    }
    if (network_->getJoinerPending() && !outsideText && command != HostDeclinesJoiner && command != HostAcceptsJoiner) {
        platform::SystemBeep();
        return;
    }
    ZephModel* ours = modelAt(cameras_.AircraftWeControl);
    if ((command == SendMessage || command == SendTeamMessage) && up) {
        network_->setMessageChannel(command == SendMessage || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(ControllerNetwork::kOpenMessageLine);
        return;
    }
    if (command == PauseFlyGameToggle && down && !clock_.gamePause && !outsideText && choosingFlight()) {
        platform::SystemBeep();
        return;
    }
    if (command == PauseFlyGameToggle && down) {
        cameras_.circleFlag = true;
        if (!clock_.gamePause) {
            pacer_.TickMinimum = 0;
            if (lobby_.AutoHostWasOn) {
                lobby_.AutoHostWasOn = false;
                lobby_.doTheAutoHost = true;
            }
            clock_.gamePause = true;
            HandleCursorType(prefs_.MousePosFeedback ? 1 : 0, prefs_.MousePosFeedback);
            centreTheMouseStick();
        } else {
            lobby_.AutoHostWasOn = lobby_.doTheAutoHost;
            lobby_.doTheAutoHost = false;
            clock_.gamePause = false;
            HandleCursorType(0, true);
            // Pausing a network game in play costs the aircraft; once the game is decided (here, or
            // by the host) there is nothing left to forfeit, and no kill to give for it.
            const bool over = mission_.HaveDoneGameOver || mission_.GameOverTime != 0 || network_->getImInGameOver() ||
                              network_->getOthersInGameOver() != 0;
            if (mission_.GameOverTime != 0) mission_.GameOverTime = -1200;
            if (!over && isNetworkGame())
                if (FlyableAircraft* craft = aircraftAt(ModelArray::kFirstAircraft)) {
                    craft->ThisAircraft.TotalHits = craft->ThisAircraft.TotalHitsBeforeDead + 10.0;
                    craft->ThisAircraft.Damage1 |= dmg::EngineStopped;
                }
        }
    }
    if ((command == MoveCameraCloser || command == MoveCameraFartherAway) && down) cameraCommand(command);
    if (isNetworkGame() && replay_.ReplayFlag) endReplay();

    if (within(command, PauseFlyGameToggle, RudderTrimRight) || command == UnJamGunsAttempt)
        if (down || (up && within(command, FireGuns, FireGunsAndCannon))) cameras_.circleFlag = true;
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
        if (!(cannedKeysDown_ & (1u << n)) || network_->getInTextMode()) return;
        cannedKeysDown_ &= static_cast<uint8_t>(~(1u << n));
        network_->setMessageChannel(!prefs_.PubPri[n] || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(input::numberOf(command));
        return;
    }
    switch (command) {
    case NormalFastTimeToggle: clock_.DoDoubleTime = !clock_.DoDoubleTime; break;
    case ThreePositionSoundToggle: theSounds->toggleSoundSetting(); break;
    case AutoPilotOnOffToggle: if (ours) ours->toggleAutoPilot(); break;
    case FrameRateIndicatorOnOffToggle: clock_.DisplayFrameRate = !clock_.DisplayFrameRate; break;
    case ReverseReplay: replay_.slower(); break;
    case ForwardReplay: replay_.faster(); break;
    case BeginEndReplayOfAction: if (!clock_.gamePause && !isNetworkGame()) beginOrEndReplay(); break;
    case TakeScreenShot: ScreenShotPending = true; break;
    case RestartMission: if (!clock_.gamePause) newDocument(); break;
    case OnOffSecondWindowToggle:
        if (cameras_.CameraRule != 2) cameras_.DrawSecondWindow = !cameras_.DrawSecondWindow;
        break;
    case ClosestEnemyInSecondWindow:
        if (cameras_.DrawSecondWindow && cameras_.CameraRule == 0) cameras_.SecondWindowClosestEnemy = true;
        break;
    case JoystickAutoTrim:
        if (clock_.gamePause)
            if (FlyableAircraft* craft = aircraftAt(cameras_.AircraftWeControl)) {
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
    ZephModel& ours = *modelAt(cameras_.AircraftWeControl);
    FlyableAircraft* craft = aircraftAt(cameras_.AircraftWeControl);
    const bool down = action == kKeyDown;
    if (within(command, FireGuns, FireGunsAndCannon)) {
        // A release always stops the guns, paused or not, so they never fire on after a resume.
        const int32_t on = down ? 1 : 0;
        if (down && !clock_.gamePause) return;
        if (action != kKeyDown && action != kKeyUp) return;
        if (command == FireGuns || command == FireGunsAndCannon) ours.gunsOnOff(on);
        if (command == FireCannon || command == FireGunsAndCannon) ours.cannonOnOff(on);
        return;
    }
    if (!down) return;
    if (within(command, LookForwardLevel, LookRearRight)) {
        ZephModel* viewed = modelAt(cameras_.CameraAircraft);
        FlyableAircraft* look = aircraftAt(cameras_.CameraAircraft);
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
        if (replay_.ReplayFlag || ours.getNumberOfBombs() <= 0) break;
        ZephModel* bombs = modelAt(ModelArray::kBombs);
        const double* velocity = ours.getXYZVelocities();
        double v[3] = {velocity[0], velocity[1], velocity[2]};
        const double* release = ours.dropBomb();
        if (bombs && release) bombs->startADroppedBomb(v, release, clock_.GlobalMissionTime, 2);
        break;
    }
    case LaunchRocket: ours.launchRocket(); break;
    case BailOut: if (clock_.gamePause) ours.bailOut(); break;
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
