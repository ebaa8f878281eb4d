#include "platform/Random.h"

#include <cstdlib>
#include <ctime>
#include <sys/random.h>

namespace pellam::platform {

int32_t nextRandom() { return static_cast<int32_t>(random()); }

void seedRandomFromSystem() {
    uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, 0) != static_cast<ssize_t>(sizeof seed)) {
        seed = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&seed)) ^ static_cast<uint32_t>(time(nullptr));
    }
    srandom(seed);
}

void seedRandom(uint32_t seed) { srandom(seed); }

}  // namespace pellam::platform
