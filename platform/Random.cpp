#include "platform/Random.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <sys/random.h>

namespace pellam::platform {

RandomStream::RandomStream(uint32_t seed) {
    initstate_r(seed, state_.data(), state_.size(), &data_);
}

void RandomStream::seed(uint32_t seed) { srandom_r(seed, &data_); }

void RandomStream::seedFromSystem() {
    uint32_t value = 0;
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value))
        value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&value)) ^ static_cast<uint32_t>(time(nullptr));
    seed(value);
}

int32_t RandomStream::next() {
    int32_t r = 0;
    random_r(&data_, &r);
    return r;
}

int32_t RandomStream::longFrom(int32_t from, int32_t to) {
    const double r = unit();
    if (from == to) return from;
    const int64_t lo = std::min(from, to);
    const int64_t span = static_cast<int64_t>(std::max(from, to)) - lo;
    return static_cast<int32_t>(static_cast<int64_t>(span * r + lo));
}

double RandomStream::doubleFrom(double from, double to) {
    const double r = unit();
    if (from == to) return from;
    return std::fabs(to - from) * r + std::min(from, to);
}

double RandomStream::steppedFrom(double from, double to) {
    const int32_t k = longFrom(-32768, 32767) + 32768;
    const double t = k / 65536.0;
    return t * (to - from) + from;
}

RandomStream& presentationRandom() {
    static RandomStream stream;
    return stream;
}

int32_t nextRandom() { return presentationRandom().next(); }
void seedRandomFromSystem() { presentationRandom().seedFromSystem(); }
void seedRandom(uint32_t seed) { presentationRandom().seed(seed); }

}  // namespace pellam::platform
