#pragma once
// Small deterministic synthesis kit: a seeded noise source, filters, envelopes and mixing helpers.
// Buffers are mono doubles at a rate given by the caller (frames/s). A "circular" buffer is a
// loop: events and filter tails that run past its end come back in at its start, so it repeats
// without a seam.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Constants.h"

namespace soundgen {

using Buffer = std::vector<double>;
using pellam::kPi;

// xorshift64*: the same sequence on every host and library.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double white() { return uniform() * 2.0 - 1.0; }                                               // [-1, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    bool chance(double p) { return uniform() < p; }

private:
    uint64_t state_;
};

// RBJ biquad.
class Biquad {
public:
    static Biquad lowpass(double rate, double hz, double q) { return make(rate, hz, q, 0); }
    static Biquad highpass(double rate, double hz, double q) { return make(rate, hz, q, 1); }
    static Biquad bandpass(double rate, double hz, double q) { return make(rate, hz, q, 2); }  // 0 dB peak
    double process(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    static Biquad make(double rate, double hz, double q, int kind) {
        const double w = 2.0 * kPi * std::min(hz, rate * 0.45) / rate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
        Biquad f;
        double b0, b1, b2;
        if (kind == 0) {
            b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2;
        } else if (kind == 1) {
            b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2;
        } else {
            b0 = alpha, b1 = 0, b2 = -alpha;
        }
        const double a0 = 1 + alpha;
        f.b0_ = b0 / a0, f.b1_ = b1 / a0, f.b2_ = b2 / a0, f.a1_ = -2 * c / a0, f.a2_ = (1 - alpha) / a0;
        return f;
    }
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Runs a filter over a buffer. Circular: a first pass warms the filter on the loop itself so the
// output's end meets its start.
inline void filter(Buffer& b, Biquad f, bool circular = false) {
    if (circular)
        for (double x : b) f.process(x);
    for (double& x : b) x = f.process(x);
}
inline void lowpass(Buffer& b, double rate, double hz, bool circular = false, double q = 0.707) {
    filter(b, Biquad::lowpass(rate, hz, q), circular);
}
inline void highpass(Buffer& b, double rate, double hz, bool circular = false, double q = 0.707) {
    filter(b, Biquad::highpass(rate, hz, q), circular);
}
inline Buffer bandpassed(const Buffer& b, double rate, double hz, double q, bool circular = false) {
    Buffer out = b;
    filter(out, Biquad::bandpass(rate, hz, q), circular);
    return out;
}

// Adds `src` times `gain` into `dst` from frame `at`; circular wraps, otherwise the tail is cut.
inline void addAt(Buffer& dst, const Buffer& src, long at, double gain = 1.0, bool circular = false) {
    const long n = static_cast<long>(dst.size());
    if (n == 0) return;
    for (size_t i = 0; i < src.size(); ++i) {
        long k = at + static_cast<long>(i);
        if (circular) k = ((k % n) + n) % n;
        else if (k < 0 || k >= n) continue;
        dst[k] += src[i] * gain;
    }
}
inline void mixInto(Buffer& dst, const Buffer& src, double gain = 1.0) { addAt(dst, src, 0, gain); }

inline Buffer silence(double rate, double seconds) { return Buffer(static_cast<size_t>(rate * seconds + 0.5), 0.0); }

inline Buffer whiteNoise(Noise& n, size_t count) {
    Buffer b(count);
    for (double& x : b) x = n.white();
    return b;
}

// A decaying noise burst: `seconds` long, time constant `tau` s, after an attack of `attack` s.
inline Buffer noiseBurst(Noise& n, double rate, double seconds, double tau, double attack = 0.0) {
    Buffer b(static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / rate;
        const double env = (attack > 0 && t < attack) ? t / attack : std::exp(-(t - attack) / tau);
        b[i] = n.white() * env;
    }
    return b;
}

// A damped sinusoid (a struck mode): frequency may glide to `endHz` over its length.
inline Buffer ring(double rate, double seconds, double hz, double tau, double endHz = 0.0, double phase = 0.0) {
    Buffer b(static_cast<size_t>(rate * seconds));
    double ph = phase;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / rate, f = endHz > 0 ? hz + (endHz - hz) * (t / seconds) : hz;
        b[i] = std::sin(ph) * std::exp(-t / tau);
        ph += 2 * kPi * f / rate;
    }
    return b;
}

// Multiplies by a function of time (s).
inline void shape(Buffer& b, double rate, const std::function<double(double)>& env) {
    for (size_t i = 0; i < b.size(); ++i) b[i] *= env(i / rate);
}

// Linear ramp through (time s, value) points, held at the ends.
inline std::function<double(double)> ramp(std::vector<std::pair<double, double>> points) {
    return [points](double t) {
        if (t <= points.front().first) return points.front().second;
        for (size_t k = 1; k < points.size(); ++k) {
            if (t <= points[k].first) {
                const auto [t0, v0] = points[k - 1];
                const auto [t1, v1] = points[k];
                return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
            }
        }
        return points.back().second;
    };
}

inline void fadeEdges(Buffer& b, double rate, double in, double out) {
    const size_t ni = static_cast<size_t>(in * rate), no = static_cast<size_t>(out * rate);
    for (size_t i = 0; i < ni && i < b.size(); ++i) b[i] *= static_cast<double>(i) / ni;
    for (size_t i = 0; i < no && i < b.size(); ++i) b[b.size() - 1 - i] *= static_cast<double>(i) / no;
}

// Soft saturation, for the hard edge of gunfire and blasts.
inline void saturate(Buffer& b, double drive) {
    for (double& x : b) x = std::tanh(x * drive) / std::tanh(drive);
}

inline void normalize(Buffer& b, double peak) {
    double m = 0;
    for (double x : b) m = std::max(m, std::fabs(x));
    if (m > 0)
        for (double& x : b) x *= peak / m;
}

// Removes the mean, so that 8-bit files centre on their zero.
inline void removeDc(Buffer& b) {
    double s = 0;
    for (double x : b) s += x;
    s /= b.empty() ? 1 : static_cast<double>(b.size());
    for (double& x : b) x -= s;
}

// Reads `src` at a varying speed (frames of src per output frame), linear interpolation.
inline Buffer resample(const Buffer& src, size_t count, const std::function<double(double)>& speedAt, double rate,
                       bool loopSource) {
    Buffer out(count);
    double pos = 0;
    const double n = static_cast<double>(src.size());
    for (size_t i = 0; i < count; ++i) {
        if (loopSource) pos = std::fmod(pos, n);
        else if (pos >= n - 1) break;
        const size_t k = static_cast<size_t>(pos);
        const double f = pos - k;
        out[i] = src[k] * (1 - f) + src[(k + 1) % src.size()] * f;
        pos += speedAt(i / rate);
    }
    return out;
}

}  // namespace soundgen
