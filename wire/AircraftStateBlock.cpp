#include "wire/AircraftStateBlock.h"

#include <algorithm>
#include <cmath>

namespace pellam::wire {
namespace {

// A value to encode: NaN stands for 0, the field's centre.
double sane(double v) { return v == v ? v : 0.0; }

// Truncated toward zero after clamping into [lo, hi]. A value a decode gave lies on a code or a
// rounding error short of it (-0.475 x 200 + 4095 is 3999.99999...); a millionth of a step
// away from zero brings it back to its own code, so decode, encode, decode gives the same value
// and a relayed block does not drift.
int64_t field(double v, int64_t lo, int64_t hi) {
    constexpr double kCodeSlack = 1e-6;  // codes
    const double c = std::clamp(v, static_cast<double>(lo), static_cast<double>(hi));
    return static_cast<int64_t>(std::trunc(c + std::copysign(kCodeSlack, c)));
}

void put24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 16);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v);
}
void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v >> 16);
    put16(p + 2, v);
}
uint32_t get24(const uint8_t* p) { return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]; }
uint32_t get16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t get32(const uint8_t* p) { return (get16(p) << 16) | get16(p + 2); }

constexpr int64_t kHalfFeet = (1 << 23) - 1;  // 24-bit two's complement

uint32_t encodeHorizontal(double feet) {
    return static_cast<uint32_t>(field(2.0 * sane(feet), -kHalfFeet - 1, kHalfFeet)) & 0xFFFFFF;
}
double decodeHorizontal(uint32_t v) {
    const int32_t s = (v & 0x800000) ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
    return s / 2.0;
}
uint32_t velocityField(double v) { return static_cast<uint32_t>(field(sane(v) * 200.0 + 4095.0, 0, 0x1FFF)); }
double velocityValue(uint32_t v) { return (static_cast<double>(v & 0x1FFF) - 4095.0) / 200.0; }
uint32_t rateField(double r) {
    return static_cast<uint32_t>(field(std::clamp(sane(r), -0.2, 0.2) * 2555.0 + 511.0, 0, 1022));
}
double rateValue(uint32_t r) { return std::clamp((static_cast<double>(r & 0x3FF) - 511.0) / 2555.0, -0.2, 0.2); }
uint32_t controlField(double v) {
    return static_cast<uint32_t>(field(std::clamp(sane(v), -1.0, 1.0) * 4095.0 + 4095.0, 0, 8190));
}
double controlValue(uint32_t v) { return std::clamp((static_cast<double>(v & 0x1FFF) - 4095.0) / 4095.0, -1.0, 1.0); }

using Attitude = std::array<double, 4>;
using AttitudeCodes = std::array<int64_t, 4>;
constexpr double kAttitudeScale = 32767.0;

// The decoded attitude: the codes' quaternion scaled to unit length; no length at all is level.
Attitude attitudeValue(const AttitudeCodes& codes) {
    Attitude q;
    double length2 = 0.0;
    for (int i = 0; i < 4; ++i) {
        q[i] = static_cast<double>(codes[i]) / kAttitudeScale - 1.0;
        length2 += q[i] * q[i];
    }
    if (length2 == 0.0) return {1.0, 0.0, 0.0, 0.0};
    const double n = std::sqrt(length2);
    for (double& c : q) c /= n;
    return q;
}

int64_t attitudeCode(double v) {
    return std::clamp<int64_t>(std::llround((v + 1.0) * kAttitudeScale), 0, 0xFFFF);
}

// The codes of a unit quaternion, each rounded to the nearest. Decoding scales the codes back to
// unit length, which moves each component by up to two codes; so an attitude that a decode gave
// is given the codes it came from, found from its largest component (the rest follow from the
// scale that one fixes), and a relayed or replayed block keeps its bytes. Among codes that
// decode to the same attitude, the ones nearest unit length are taken, as rounding would.
AttitudeCodes attitudeCodes(const Attitude& raw) {
    Attitude q;
    for (int i = 0; i < 4; ++i) q[i] = sane(raw[i]);
    AttitudeCodes rounded;
    for (int i = 0; i < 4; ++i) rounded[i] = attitudeCode(q[i]);
    int largest = 0;
    for (int i = 1; i < 4; ++i)
        if (std::fabs(q[i]) > std::fabs(q[largest])) largest = i;
    if (q[largest] == 0.0) return rounded;
    AttitudeCodes best = rounded;
    double bestOff = -1.0;
    for (int64_t step = -3; step <= 3; ++step) {
        const int64_t code = rounded[largest] + step;
        if (code < 0 || code > 0xFFFF) continue;
        const double scale = (static_cast<double>(code) / kAttitudeScale - 1.0) / q[largest];
        AttitudeCodes c;
        double length2 = 0.0;
        for (int i = 0; i < 4; ++i) {
            c[i] = i == largest ? code : attitudeCode(scale * q[i]);
            const double d = static_cast<double>(c[i]) / kAttitudeScale - 1.0;
            length2 += d * d;
        }
        if (attitudeValue(c) != q) continue;
        const double off = std::fabs(std::sqrt(length2) - 1.0);
        if (bestOff < 0.0 || off < bestOff) best = c, bestOff = off;
    }
    return best;
}

}  // namespace

void encodeAircraftState(const AircraftState& s, uint8_t* out) {
    put24(out, encodeHorizontal(s.position[0]));
    double y = sane(s.position[1]);
    if (y < -1000.0) y = -2000.0;
    put16(out + 3, static_cast<uint32_t>(field(y + 2000.0, 0, 0xFFFF)));
    put24(out + 5, encodeHorizontal(s.position[2]));
    const AttitudeCodes attitude = attitudeCodes(s.attitude);
    for (int i = 0; i < 4; ++i) put16(out + 8 + 2 * i, static_cast<uint32_t>(attitude[i]));

    const uint32_t vx = velocityField(s.velocity[0]), vy = velocityField(s.velocity[1]),
                   vz = velocityField(s.velocity[2]);
    put32(out + 16, (vx << 19) | (vy << 6) | ((vz >> 7) & 0x3F));
    out[20] = static_cast<uint8_t>(((vz & 0x7F) << 1) | (s.restart ? 1 : 0));

    const uint32_t rates = (rateField(s.rates[0]) << 22) | (rateField(s.rates[1]) << 12) |
                           (rateField(s.rates[2]) << 2) | (s.blownUp ? 2u : 0u) | (s.engineDamaged ? 1u : 0u);
    put32(out + 21, rates);

    const uint32_t e = controlField(s.elevator), a = controlField(s.ailerons), r = controlField(s.rudder);
    put32(out + 25, (e << 19) | ((a << 6) & 0x7FFC0) | ((r >> 7) & 0x3F));
    out[29] = static_cast<uint8_t>(((r << 1) & 0xFE) | (s.firing ? 1 : 0));

    out[30] = s.hits;
    out[31] = s.engine;
    out[32] = s.flags;
    out[33] = s.result;
    out[34] = static_cast<uint8_t>(std::min<uint8_t>(s.bombs, 8) | (s.damage & 0xF0));
}

bool decodeAircraftState(const uint8_t* data, size_t length, AircraftState* state) {
    if (!data || !state || length < kStateBlockSize) return false;
    AircraftState s;
    s.position[0] = decodeHorizontal(get24(data));
    s.position[1] = static_cast<double>(get16(data + 3)) - 2000.0;
    if (s.position[1] < -1000.0) s.position[1] = kHiddenHeight;
    s.position[2] = decodeHorizontal(get24(data + 5));

    AttitudeCodes attitude;
    for (int i = 0; i < 4; ++i) attitude[i] = get16(data + 8 + 2 * i);
    s.attitude = attitudeValue(attitude);

    const uint32_t v = get32(data + 16);
    s.velocity[0] = velocityValue(v >> 19);
    s.velocity[1] = velocityValue(v >> 6);
    s.velocity[2] = velocityValue(((v & 0x3F) << 7) | (data[20] >> 1));
    s.restart = data[20] & 1;

    const uint32_t w = get32(data + 21);
    s.rates = {rateValue(w >> 22), rateValue(w >> 12), rateValue(w >> 2)};
    s.blownUp = w & 2;
    s.engineDamaged = w & 1;

    const uint32_t c = get32(data + 25);
    s.elevator = controlValue(c >> 19);
    s.ailerons = controlValue(c >> 6);
    s.rudder = controlValue(((c & 0x3F) << 7) | (data[29] >> 1));
    s.firing = data[29] & 1;

    s.hits = data[30];
    s.engine = data[31];
    s.flags = data[32];
    s.result = data[33];
    s.bombs = std::min<uint8_t>(data[34] & 0x0F, 8);
    s.damage = data[34] & 0xF0;
    *state = s;
    return true;
}

}  // namespace pellam::wire
