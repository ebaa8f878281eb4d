#pragma once
// What the world step keeps between frames that is neither camera, clock nor replay: the random
// numbers drawing reads this frame, the explosion and debris pool cursors, the pedal brakes,
// the command being handled and whether the window had the keyboard.
#include <array>
#include <cstdint>

#include "game/Neighbours.h"

namespace pellam {

struct WorldStepState {
    std::array<double, 5> GRandom{};  // 0..1, drawn each running frame for drawing only (not the simulation's stream)
    long nextExplosionItem = 0;       // 0..7, the explosion object started next
    long debrisItem = 10;             // model index of the debris pool
    int32_t ThePedalBrakes = -1;      // this frame's pedal brakes: 1 on, 0 off, -1 no new reading
    GameAction Command;               // the command being handled
    bool isKey = false;               // the game's window had the keyboard last frame
};

}  // namespace pellam
