#pragma once
// The scene the game keeps across missions: the run's one terrain (in the model array while a
// mission runs, kept aside while the array is rebuilt or the mission builder has it) and whether
// the world is a fixed one. Made at start-up.
#include <memory>

#include "core/ZephModel.h"

namespace pellam {

struct KeptScene {
    ZephModel* TheRIDUdidavWorld = nullptr;    // the run's terrain, in the array or in keptTerrain_
    std::unique_ptr<ZephModel> keptTerrain_;  // the terrain while the array is rebuilt (or unused)
    bool fixedWorld_ = false;                 // a fixed world stands in for the missions

    // The terrain kept aside, now the caller's; null when it is in the array or lent.
    std::unique_ptr<ZephModel> takeKeptTerrain() { return std::move(keptTerrain_); }
    void keepTerrain(std::unique_ptr<ZephModel> terrain) { keptTerrain_ = std::move(terrain); }
};

}  // namespace pellam
