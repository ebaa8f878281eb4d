#pragma once
#include <array>
#include <cstdint>
#include <stdlib.h>

namespace pellam::platform {

// A seedable sequence of integers 0..2147483647, with the C library's random() definition (the
// additive feedback generator that srandom seeds) but state of its own, so that two streams never
// disturb each other. The simulation draws from one (the game controller's), everything else
// (sound variations, drawing, the interface) from presentationRandom().
class RandomStream {
public:
    explicit RandomStream(uint32_t seed = 1);
    RandomStream(const RandomStream&) = delete;
    RandomStream& operator=(const RandomStream&) = delete;

    void seed(uint32_t seed);
    void seedFromSystem();
    int32_t next();
    double unit() { return next() / 2147483647.0; }  // [0, 1]
    // [min, max] of the two, truncated toward 0; a value is drawn even when from == to, to keep
    // the sequence.
    int32_t longFrom(int32_t from, int32_t to);
    double doubleFrom(double from, double to);  // [min, max]
    double steppedFrom(double from, double to);  // from + t (to - from), t in 65,536 steps of [0, 1)

    // Where the sequence stands, to come back to: what was drawn since is then drawn again. A place
    // belongs to the stream it was taken from.
    struct Place {
        random_data data;
        std::array<char, 128> state;
    };
    Place place() const { return {data_, state_}; }
    void returnTo(const Place& place) {
        data_ = place.data;
        state_ = place.state;
    }

private:
    random_data data_{};
    std::array<char, 128> state_{};
};

// The stream of everything outside the simulation.
RandomStream& presentationRandom();
int32_t nextRandom();  // presentationRandom().next()
void seedRandomFromSystem();
void seedRandom(uint32_t seed);

}  // namespace pellam::platform
