#include "platform/audio/PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace pellam::platform {

PeakLimiter::PeakLimiter(double sampleRate)
    : recovery_(1.0 - std::exp(-1.0 / (std::max(sampleRate, 1.0) * kRecoverySeconds))) {}

void PeakLimiter::process(float* samples, size_t frames, size_t channels) {
    if (!samples || channels == 0) return;
    for (size_t f = 0; f < frames; ++f) {
        float* frame = samples + f * channels;
        double peak = 0.0;
        for (size_t c = 0; c < channels; ++c) {
            if (!std::isfinite(frame[c])) frame[c] = 0.0f;
            peak = std::max(peak, double(std::fabs(frame[c])));
        }
        if (peak * gain_ > kCeiling) gain_ = kCeiling / peak;
        if (gain_ < 1.0) {
            for (size_t c = 0; c < channels; ++c)
                frame[c] = std::clamp(float(frame[c] * gain_), -kCeiling, kCeiling);
            gain_ += (1.0 - gain_) * recovery_;
            if (gain_ > 1.0 - 1e-4) gain_ = 1.0;  // home exactly (0.001 dB short), so quiet sound passes unchanged
        }
    }
}

}  // namespace pellam::platform
