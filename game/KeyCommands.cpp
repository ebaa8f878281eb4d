// The keyboard command handler: one game command from a key, a button or the program itself.
// Order of one call: the message line takes keys while typing; a waiting joiner refuses
// commands; message-line commands; pause and camera distance; in a network game any command
// ends a replay; then the command itself, on key down or key up as its row says.
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
    someTypicalKeyPresses(88, true);
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

void GameController::someTypicalKeyPresses(int32_t command, bool outsideText) {
    toMyZephGLView->sceneChanged();  // cameras, replay steps, resets: drawn anew even while paused
    const int32_t action = Command.actionType;
    const bool down = action == kKeyDown, up = action == kKeyUp;

    if (network_->getInTextMode() && !outsideText) {
        if (down) network_->handleTypingAMessage(Command.RawKeyPress);
        return;
    }
    if (network_->getJoinerPending() && !outsideText && command != 79 && command != 80) {
        platform::SystemBeep();
        return;
    }
    ZephModel* ours = modelAt(AircraftWeControl);
    if ((command == 70 || command == 87) && up) {
        network_->setMessageChannel(command == 70 || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(1070);
        return;
    }
    if (command == 1 && down) {
        circleFlag = true;
        if (!gamePause) {
            pacer_.TickMinimum = 0;
            if (lobby_.AutoHostWasOn) {
                lobby_.AutoHostWasOn = false;
                lobby_.doTheAutoHost = true;
            }
            gamePause = true;
            HandleCursorType(MousePosFeedback ? 1 : 0, MousePosFeedback);
            centreTheMouseStick();
        } else {
            lobby_.AutoHostWasOn = lobby_.doTheAutoHost;
            lobby_.doTheAutoHost = false;
            gamePause = false;
            HandleCursorType(0, true);
            if (mission_.GameOverTime != 0) mission_.GameOverTime = -1200;
            // Pausing a network game costs the aircraft.
            if (!mission_.HaveDoneGameOver && isNetworkGame())
                if (FlyableAircraft* craft = aircraftAt(ModelArray::kFirstAircraft)) {
                    craft->ThisAircraft.TotalHits = craft->ThisAircraft.TotalHitsBeforeDead + 10.0;
                    craft->ThisAircraft.Damage1 |= dmg::EngineStopped;
                }
        }
    }
    if ((command == 60 || command == 61) && down) cameraCommand(command);
    if (isNetworkGame() && ReplayFlag) endReplay();

    if ((command >= 1 && command <= 44) || command == 94)
        if (down || (up && command >= 2 && command <= 4)) circleFlag = true;
    if ((command >= 45 && command <= 59) || (command >= 62 && command <= 69)) {
        if (down) cameraCommand(command);
        return;
    }
    if (command == 100) {
        cameraCommand(command);
        return;
    }
    if (command >= 2 && command <= 44) {
        if (ours) flyingCommand(command, action);
        return;
    }
    if (command == 94 && down && ours) ours->unJamGuns();
    if (command >= 79 && command <= 80 && down) {
        if (command == 79) network_->declineJoiner();
        else network_->acceptJoinerPublic();
        return;
    }
    // A canned message goes on the release of the key pressed for it: not on a digit let go after
    // its control key, which made it a camera key.
    if (command >= 71 && command <= 78 && down) cannedKeysDown_ |= static_cast<uint8_t>(1u << (command - 71));
    if (!up) return;
    switch (command) {
    case 71: case 72: case 73: case 74: case 75: case 76: case 77: case 78: {
        const int n = command - 71;
        if (!(cannedKeysDown_ & (1u << n))) break;
        cannedKeysDown_ &= static_cast<uint8_t>(~(1u << n));
        network_->setMessageChannel(!PubPri[n] || !ours ? 0 : ours->getTeamNumber());
        network_->handleTypingAMessage(command);
        break;
    }
    case 81: DoDoubleTime = !DoDoubleTime; break;
    case 82: theSounds->toggleSoundSetting(); break;
    case 83: if (ours) ours->toggleAutoPilot(); break;
    case 84: DisplayFrameRate = !DisplayFrameRate; break;
    case 85: ReplaySpeed = std::max(ReplaySpeed - 1, -5); break;
    case 86: ReplaySpeed = std::min(ReplaySpeed + 1, 5); break;
    case 88: if (!gamePause && !isNetworkGame()) beginOrEndReplay(); break;
    case 89:
        ScreenShotPending = true;
        toMyZephGLView->setScreenShotPending();
        break;
    case 90: if (!gamePause) newDocument(); break;
    case 91: if (CameraRule != 2) DrawSecondWindow = !DrawSecondWindow; break;
    case 92: if (DrawSecondWindow && CameraRule == 0) SecondWindowClosestEnemy = true; break;
    case 93:
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

// Commands 2 to 44: the player's aircraft (the look commands: the viewed one).
void GameController::flyingCommand(int32_t command, int32_t action) {
    ZephModel& ours = *modelAt(AircraftWeControl);
    FlyableAircraft* craft = aircraftAt(AircraftWeControl);
    const bool down = action == kKeyDown;
    if (command >= 2 && command <= 4) {
        // A release always stops the guns, paused or not, so they never fire on after a resume.
        const int32_t on = down ? 1 : 0;
        if (down && !gamePause) return;
        if (action != kKeyDown && action != kKeyUp) return;
        if (command == 2 || command == 4) ours.gunsOnOff(on);
        if (command == 3 || command == 4) ours.cannonOnOff(on);
        return;
    }
    if (!down) return;
    if (command >= 21 && command <= 38) {
        ZephModel* viewed = modelAt(CameraAircraft);
        FlyableAircraft* look = aircraftAt(CameraAircraft);
        if (!viewed) return;
        switch (command) {
        case 21: viewed->setPilotPitch(0.0, 0.0); break;
        case 22: if (look) look->lookIncRight(); break;
        case 23: if (look) look->lookIncLeft(); break;
        case 24: if (look) look->lookIncUp(); break;
        case 25: if (look) look->lookIncDown(); break;
        case 26: viewed->look4590Up(); break;
        case 27: viewed->lookDownToggle(); break;
        case 28: viewed->lookIncRightSmall(); break;
        case 29: viewed->lookIncLeftSmall(); break;
        default: {
            static constexpr double kHeadings[9] = {0.0, -45.0, -90.0, -135.0, -157.5, 45.0, 90.0, 135.0, 157.5};
            if (look) look->setPilotHeading(kHeadings[command - 30]);
        }
        }
        return;
    }
    switch (command) {
    case 5: ours.throttleUp(0.1); break;
    case 6: ours.throttleDown(0.1); break;
    case 7: ours.setThrottle(0.0); break;
    case 8: if (craft) craft->setThrottleToIdle(); break;
    case 9: ours.setThrottle(1.0); break;
    case 10: if (craft) craft->setThrottleToWEP(); break;
    case 11: if (craft) craft->RudderInputIncLeft(); break;
    case 12: if (craft) craft->RudderInputIncRight(); break;
    case 13: ours.RudderInputAbsolute(0.0); break;
    case 14: ours.gearUpDown(-1); break;
    case 15: ours.moveFlaps(0); break;
    case 16: ours.moveFlaps(1); break;
    case 17: ours.toggleBrakes(); break;
    case 18: {
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
    case 19: ours.launchRocket(); break;
    case 20: if (gamePause) ours.bailOut(); break;
    case 39: ours.ElevatorTrimUpDown(1); break;
    case 40: ours.ElevatorTrimUpDown(-1); break;
    case 41: ours.AileronTrimLeftRight(-1); break;
    case 42: ours.AileronTrimLeftRight(1); break;
    case 43: ours.RudderTrimLeftRight(-1); break;
    case 44: ours.RudderTrimLeftRight(1); break;
    default: break;
    }
}

}  // namespace pellam
