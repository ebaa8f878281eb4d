#pragma once
// The input object as the controller sees it: the action ring's entries as game actions and the
// four flight-control values of the frame.
#include "game/Neighbours.h"
#include "input/DoJoystick.h"

namespace pellam {

class InputLink : public ControllerInput {
public:
    explicit InputLink(input::DoJoystick& input) : input_(input) {}

    void fromTimerLooper(bool gamePause) override { input_.fromTimerLooper(gamePause); }
    bool haveJoystick() override { return input_.haveJoystick(); }
    void pointerCentred() override { input_.pointerCentred(); }
    bool hasFlightControls() override { return true; }
    void createSurfaceInput(float width, float height) override { input_.createSurfaceInput(width, height); }
    double getFinalAilerons() override { return input_.getFinalAilerons(); }
    double getFinalElevator() override { return input_.getFinalElevator(); }
    double getFinalRudder() override { return input_.getFinalRudder(); }
    double getFinalThrottle() override { return input_.getFinalThrottle(); }
    bool getUseJoyThrottle() override { return input_.getUseJoyThrottle(); }
    bool getUseJoyRudder() override { return input_.getUseJoyRudder(); }
    int32_t getPedalBrakes() override { return input_.getPedalBrakes(); }
    const GameAction* checkForNextActionInBuffer() override { return convert(input_.checkForNextActionInBuffer(), peeked_); }
    const GameAction* getNextActionInBuffer() override { return convert(input_.getNextActionInBuffer(), taken_); }
    bool isWindowOpen() override { return input_.isWindowOpen(); }

private:
    static const GameAction* convert(const input::ActionItem1* item, GameAction& into) {
        if (!item) return nullptr;
        into = {item->theTime, item->RawKeyPress, item->theAction, item->actionType};
        return &into;
    }
    input::DoJoystick& input_;
    GameAction peeked_, taken_;
};

}  // namespace pellam
