#pragma once
// The controller that runs: the game's own content on top of GameController. Until the missions
// are built it lays out the world's fixed head of the model array, signs the pilot in and offers
// one mission: the open sky over the Front.
#include <functional>

#include "game/GameController.h"

namespace pellam {

class VADArizodazar2 : public GameController {
public:
    struct Content {
        // Makes the sound object; null gives a silent one.
        std::function<std::unique_ptr<ControllerSound>()> makeSound;
        // Fills the model array's fixed head (0 sky, 1 terrain, 2..9 aircraft, 10..20 pools).
        std::function<void(ModelArray&, GameController&)> populateWorld;
        // Sets aircraft 0..7 up for the start of the flight (place, speed, throttle, team, pilot)
        // and makes that its start pose. The first start and every restart come through here,
        // so a restarted aircraft flies exactly as it did at first.
        std::function<void(long aircraftNumber, ZephModel& aircraft)> startAircraft;
    };
    VADArizodazar2(Links links, Content content) : GameController(links), content_(std::move(content)) {}

    void awakeFromNib() override;
    std::unique_ptr<ControllerSound> loadSoundGuy() override;
    void preloadGameSpecificItems() override;
    void doPlayerSignIn() override;
    bool handleThisMenu(int tag) override;
    void doAfterPrefsChangeItems() override;
    int32_t getReplaySpeed() override { return ReplaySpeed; }
    void newDocument() override;
    void startThisAircraft(long aircraftNumber, bool fromStart) override;

    // The sign-in window's OK: the chosen pilot flies; the mission list follows.
    void fromPilotSignInOK();
    // The mission window's Fly button: the game runs.
    void fromFlyMissionButton();

    Window toMissionWindow{"Missions"};
    std::string pilotBlockMessage;  // why the stored pilot records could not be used, when they could not
    // Why the world could not be made (a missing or broken terrain file, say); the game then
    // shows it and will not fly.
    std::string worldProblem;

private:
    Content content_;
};

}  // namespace pellam
