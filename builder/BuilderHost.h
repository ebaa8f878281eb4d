#pragma once
// What the mission builder asks of the game around it. The game controller implements it; tests
// use the defaults (a silent beep, no terrain to lend, a fixed clock).
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "core/Services.h"
#include "missions/MissionRecord.h"

namespace pellam {
class ZephModel;
}

namespace pellam::builder {

class BuilderHost {
public:
    virtual ~BuilderHost() = default;
    virtual void beep() {}
    // A failure the player must read (a mission that could not be saved): the game's notice window.
    virtual void tellPlayer(const std::string& text) {}
    // The game's terrain, taken out of the game's model array while the builder holds it; null
    // when the game has none. The game is paused while the builder is open.
    virtual std::unique_ptr<ZephModel> lendTerrain() { return nullptr; }
    // The terrain back into the game's model array (index 1), bound to the game's view again.
    virtual void returnTerrain(std::unique_ptr<ZephModel> terrain) {}
    // Where the builder's objects load their textures, and who they ask about the world.
    virtual ViewServices* builderView() { return nullptr; }
    virtual ControllerServices* controller() { return nullptr; }
    // The game's fog haze (MissionHaze) and the current mission's three cloud layers.
    virtual double missionHaze() { return 0.0; }
    virtual std::array<missions::CloudLayer, 3> missionLayers() { return {}; }
    // The "reload user missions" preference, and the reload itself.
    virtual bool reloadUserMissionsWanted() { return false; }
    virtual void reloadUserMissions() {}
    // Seconds since 1 January 2001 00:00 GMT.
    virtual double secondsSince2001() { return 0.0; }
    // The builder's view was asked to show the scene again.
    virtual void viewNeedsDrawing() {}
    // The folder (ending in '/') where missions are saved and the game's mission menu finds them.
    virtual std::string missionsFolder();
    // The mission file opened or saved last, which the reopen command opens again.
    virtual std::optional<std::string>& lastOpenedMission() { return lastOpened_; }

private:
    std::optional<std::string> lastOpened_;
};

}  // namespace pellam::builder
