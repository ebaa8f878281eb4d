#pragma once
// Applying a 35-byte state block from the network to a remote aircraft: pose, motion, controls,
// damage, bombs and restarts, then a catch-up through the flight model for the network delay,
// and smoothing so the drawn aircraft glides to the new place instead of jumping.
#include <array>
#include <cstdint>

#include "wire/AircraftStateBlock.h"

namespace pellam {

class FlyableAircraft;
class ZephModel;

// What the reader needs of the game around it.
struct RemoteRecordContext {
    int32_t tick = 0;             // TickCount now
    int32_t newInTime = 0;        // tick the current game started; 0 none
    int32_t delay = -1;           // network delay, ticks (0..60); negative: no catch-up
    bool replayPlaying = false;
    bool isHost = false;
    int32_t joinerNumber = 0;     // 1..7 on a joiner
    int32_t globalGameTime = 0;   // mission time: for dropped bombs, and against the set-up's stamp
    int32_t aircraftIndex = 0;    // model index of the aircraft, given to dropped bombs
    ZephModel* bombs = nullptr;   // the bombs object (model index 19); null drops none
};

// What the reader found that belongs to the network game rather than the aircraft.
struct RemoteRecordOutcome {
    bool gameOver = false;        // the sender is in game over
    bool hostWon = false;         // with gameOver: the host's result
    bool hasResults = false;      // on a joiner in game over: the results table, own entry at 0
    std::array<uint8_t, 8> results{};
    bool restarted = false;       // the aircraft was set up again: clear the hit tallies on it
};

// Where the aircraft was drawn before the last record: position and position slider, ft.
struct RemoteShown {
    std::array<double, 3> position{}, slider{};
};

// Applies the block. Within 160 ticks of a new game bail-out, damage bits and bomb drops are
// ignored (they may be left over from the last game). `playDelay` receives the catch-up steps
// taken (-1 when none could be matched), unless the delay is negative.
RemoteRecordOutcome GetDataOutOfStructure(FlyableAircraft& plane, const wire::StateBlockBytes& data,
                                          const RemoteRecordContext& context, RemoteShown* shown, int32_t* playDelay);

// The attitude the aircraft is drawn with (w, x, y, z): the model's, eased from the network's
// slider attitude by SlerpValue (1 right after a record, falling to 0 as the flight steps run).
// A slider that is not a number, or of no length, is passed over.
std::array<double, 4> drawnAttitude(const FlyableAircraft& plane);

// Steps the aircraft through the flight model (mission time -1) until it is no longer behind
// where it was drawn, at most delay + 35 steps with the delay cut to 60. True when it got there.
bool bringAircraftUpToDate(int32_t delay, FlyableAircraft& plane, const RemoteShown& shown, int32_t* playDelay);

}  // namespace pellam
