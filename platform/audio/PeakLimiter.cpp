#include "platform/audio/PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace pellam::platform {

PeakLimiter::PeakLimiter(double sampleRate, size_t channels)
    : recovery_(1.0 - std::exp(-1.0 / (std::max(sampleRate, 1.0) * kRecoverySeconds))),
      window_(1 + size_t(std::max(sampleRate, 1.0) * kLookAheadSeconds)) {
    restart(channels);
}

void PeakLimiter::restart(size_t channels) {
    channels_ = channels;
    pending_.assign(window_ * channels, 0.0f);
    needs_.assign(window_, 1.0);
    least_.assign(window_, 1.0);
    head_ = 0;
    leastSum_ = double(window_);
    loudNeeds_ = loudLeast_ = 0;
    gain_ = 1.0;
}

// Frame T comes in and frame T - (window - 1) goes out. The gain for it is the average of the
// least needs over the windows starting at each of the last `window` frames: each of those
// windows holds the frame going out, so the average never exceeds what that frame needs.
void PeakLimiter::process(float* samples, size_t frames, size_t channels) {
    if (!samples || channels == 0) return;
    if (channels != channels_) restart(channels);  // allocates; a device never changes its channels
    const size_t w = window_;
    for (size_t f = 0; f < frames; ++f) {
        float* frame = samples + f * channels;
        double peak = 0.0;
        for (size_t c = 0; c < channels; ++c) {
            if (!std::isfinite(frame[c])) frame[c] = 0.0f;
            peak = std::max(peak, double(std::fabs(frame[c])));
        }
        const double need = peak > kCeiling ? kCeiling / peak : 1.0;

        loudNeeds_ += (need < 1.0) - (needs_[head_] < 1.0);
        needs_[head_] = need;
        double least = 1.0;
        if (loudNeeds_ > 0)
            for (double n : needs_) least = std::min(least, n);
        loudLeast_ += (least < 1.0) - (least_[head_] < 1.0);
        leastSum_ += least - least_[head_];
        least_[head_] = least;
        if (loudLeast_ == 0) leastSum_ = double(w);  // exact again once nothing loud is near

        double g = gain_ + (1.0 - gain_) * recovery_;
        if (g > 1.0 - 1e-4) g = 1.0;  // home exactly (0.001 dB short), so quiet sound passes unchanged
        if (loudLeast_ > 0) g = std::min(g, leastSum_ / double(w));
        gain_ = g;

        float* in = pending_.data() + head_ * channels;
        for (size_t c = 0; c < channels; ++c) in[c] = frame[c];
        head_ = (head_ + 1) % w;
        const float* out = pending_.data() + head_ * channels;  // the oldest
        for (size_t c = 0; c < channels; ++c)
            frame[c] = g < 1.0 ? std::clamp(float(out[c] * g), -kCeiling, kCeiling) : out[c];
    }
}

}  // namespace pellam::platform
