#pragma once
// The output stage's peak limiter: whatever the mixer adds up, no sample past full scale reaches
// the device. Below full scale it leaves the signal untouched, bit for bit; a louder peak pulls
// the gain down at once, on both channels together so the stereo image holds, and the gain
// recovers over a fifth of a second.
#include <cstddef>

namespace pellam::platform {

class PeakLimiter {
public:
    static constexpr float kCeiling = 1.0f;     // full scale
    static constexpr double kRecoverySeconds = 0.2;  // time constant of the gain's return to 1

    explicit PeakLimiter(double sampleRate = 44100.0);
    // Limits `frames` interleaved frames of `channels` floats in place. A sample that is not a
    // number plays as silence.
    void process(float* samples, size_t frames, size_t channels);

private:
    double gain_ = 1.0;
    double recovery_;  // share of the gap to 1 closed per frame
};

}  // namespace pellam::platform
