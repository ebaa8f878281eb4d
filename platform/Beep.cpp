#include "platform/Beep.h"

#include <atomic>

namespace pellam::platform {
namespace {

std::atomic<long> beeps{0};
BeepPlayer player;

}  // namespace

void SystemBeep() {
    beeps.fetch_add(1, std::memory_order_relaxed);
    if (player) player();
}

long beepCount() { return beeps.load(std::memory_order_relaxed); }

void setBeepPlayer(BeepPlayer newPlayer) { player = std::move(newPlayer); }

}  // namespace pellam::platform
