#pragma once
// The mission builder's view of the game: the one terrain, lent to the builder while its window is
// open; the game's fog and clouds to give back; the user missions to read again.
#include "builder/BuilderHost.h"

namespace pellam {

class VADArizodazar2;

class BuilderLink : public builder::BuilderHost {
public:
    explicit BuilderLink(VADArizodazar2& game) : game_(game) {}
    void beep() override;
    void tellPlayer(const std::string& text) override;
    // Pauses the game (its world stands still without its ground) and takes the terrain out.
    std::unique_ptr<ZephModel> lendTerrain() override;
    void returnTerrain(std::unique_ptr<ZephModel> terrain) override;
    ViewServices* builderView() override;
    ControllerServices* controller() override;
    double missionHaze() override;
    std::array<missions::CloudLayer, 3> missionLayers() override;
    bool reloadUserMissionsWanted() override;
    void reloadUserMissions() override;
    double secondsSince2001() override;
    void viewNeedsDrawing() override;
    std::optional<std::string>& lastOpenedMission() override;
    std::string missionsFolder() override;

private:
    VADArizodazar2& game_;
    long lentFrom_ = -1;  // the terrain's index in the game's array; -1: it was kept aside
};

}  // namespace pellam
