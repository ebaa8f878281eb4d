#pragma once
// The output stage's peak limiter: whatever the mixer adds up, no sample reaches the device above
// a ceiling 1 dB below full scale, so that a converter never clips. It looks a short way ahead
// (the output is late by that much): the gain each frame needs is taken as the least over the
// look-ahead and then averaged over as many frames, so it has ramped down smoothly by the time a
// loud peak leaves, on both channels together so the stereo image holds. (Dropping the gain only
// as each louder sample arrives holds every rising sample at the ceiling: flat tops.) The gain
// recovers over a fifth of a second. Below the ceiling, once the gain is home, the signal passes
// bit for bit, only delayed.
#include <cstddef>
#include <vector>

namespace pellam::platform {

class PeakLimiter {
public:
    static constexpr float kCeiling = 0.89125094f;    // -1 dBFS
    static constexpr double kRecoverySeconds = 0.2;   // time constant of the gain's return to 1
    static constexpr double kLookAheadSeconds = 0.0015;

    explicit PeakLimiter(double sampleRate = 44100.0, size_t channels = 2);
    // Limits `frames` interleaved frames of `channels` floats in place; what comes out is the
    // input of latencyFrames() frames before. A sample that is not a number plays as silence.
    // A change of `channels` starts the limiter afresh.
    void process(float* samples, size_t frames, size_t channels);
    size_t latencyFrames() const { return window_ - 1; }

private:
    void restart(size_t channels);

    double gain_ = 1.0;  // the gain last applied
    double recovery_;    // share of the gap to 1 closed per frame
    size_t window_;      // frames: the look-ahead and the averaging length
    size_t channels_ = 0;
    std::vector<float> pending_;  // the last window_ frames in, at head_ the newest
    std::vector<double> needs_;   // the gain each of them needs (1: none)
    std::vector<double> least_;   // the last window_ least needs over a look-ahead
    size_t head_ = 0;
    double leastSum_ = 0.0;
    size_t loudNeeds_ = 0, loudLeast_ = 0;  // entries below 1 in needs_ and least_
};

}  // namespace pellam::platform
