#include "Sounds.h"

namespace soundgen {
namespace {

// Sparse short clicks: splinters, gravel, shrapnel. `density` clicks per second at envelope 1.
Buffer crackle(Noise& n, double rate, double seconds, double density, const std::function<double(double)>& env,
               double lowHz, double highHz) {
    Buffer out = silence(rate, seconds);
    for (double t = 0; t < seconds;) {
        t += -std::log(1.0 - n.uniform()) / density;
        if (t >= seconds) break;
        const double level = env(t) * n.range(0.2, 1.0);
        if (level <= 0) continue;
        Buffer click = noiseBurst(n, rate, 0.006, n.range(0.0004, 0.0015));
        click = bandpassed(click, rate, n.range(lowHz, highHz), 1.2);
        addAt(out, click, static_cast<long>(t * rate), level);
    }
    return out;
}

// One round: the muzzle crack, the bang of the breech, the thump through the airframe and the
// lock clacking back and forth.
Buffer gunShot(Noise& n, double rate, double pitch) {
    Buffer shot = silence(rate, 0.11);
    Buffer crack = noiseBurst(n, rate, 0.012, 0.0015);
    highpass(crack, rate, 1500);
    addAt(shot, crack, 0, 1.1);
    Buffer bang = noiseBurst(n, rate, 0.08, 0.016, 0.0006);
    filter(bang, Biquad::bandpass(rate, 520 * pitch, 0.8));
    addAt(shot, bang, 0, 2.2);
    addAt(shot, ring(rate, 0.06, 78 * pitch, 0.012), 0, 0.7);
    addAt(shot, ring(rate, 0.02, 2300 * pitch, 0.003), static_cast<long>(0.030 * rate), 0.3);
    addAt(shot, ring(rate, 0.02, 1750 * pitch, 0.004), static_cast<long>(0.058 * rate), 0.25);
    return shot;
}

// The big bang of a shell or bomb: crack, blast, ground-shaking low end, rumbling tail.
Buffer blast(Noise& n, double rate, double seconds, double blastHz, double blastTau, double rumbleTau, double subHz) {
    Buffer out = silence(rate, seconds);
    Buffer crack = noiseBurst(n, rate, 0.02, 0.003);
    highpass(crack, rate, 900);
    addAt(out, crack, 0, 0.8);
    Buffer boom = noiseBurst(n, rate, seconds, blastTau, 0.004);
    lowpass(boom, rate, blastHz);
    lowpass(boom, rate, blastHz);
    addAt(out, boom, 0, 3.0);
    Buffer rumble = noiseBurst(n, rate, seconds, rumbleTau, 0.06);
    lowpass(rumble, rate, 180);
    lowpass(rumble, rate, 180);
    addAt(out, rumble, 0, 3.5);
    addAt(out, ring(rate, 0.8, subHz, 0.18, subHz * 0.7), 0, 0.8);
    return out;
}

Buffer finish(Buffer b, double rate, double peak, double drive = 0.0) {
    if (drive > 0) saturate(b, drive);
    removeDc(b);
    fadeEdges(b, rate, 0.0, 0.02);
    normalize(b, peak);
    return b;
}

}  // namespace

Buffer machineGunLoop(double rate) {
    Noise n(5);
    const double period = 0.12;  // s: 500 rounds a minute each
    const int rounds = 8;
    Buffer out = silence(rate, period * rounds);
    const double first = 0.03;  // s: the loop point falls between rounds, not on a crack
    for (int k = 0; k < rounds; ++k) {
        // The second gun's interrupter gear lets it fire a little behind the half beat.
        const double a = first + k * period + n.range(-0.002, 0.002);
        const double b = first + k * period + 0.064 + n.range(-0.002, 0.002);
        addAt(out, gunShot(n, rate, 1.0), static_cast<long>(a * rate), 1.0, true);
        addAt(out, gunShot(n, rate, 0.93), static_cast<long>(b * rate), 0.9, true);
    }
    saturate(out, 1.8);
    removeDc(out);
    normalize(out, 0.75);
    return out;
}

// Three rounds, then the lock stops half-way with a dead clack.
Buffer gunJam(double rate) {
    Noise n(41);
    Buffer out = silence(rate, 0.9);
    for (int k = 0; k < 3; ++k) addAt(out, gunShot(n, rate, 1.0), static_cast<long>(k * 0.12 * rate));
    Buffer clack = ring(rate, 0.06, 1300, 0.008);
    mixInto(clack, ring(rate, 0.06, 410, 0.015), 0.8);
    addAt(out, clack, static_cast<long>(0.40 * rate), 0.7);
    addAt(out, ring(rate, 0.05, 2900, 0.004), static_cast<long>(0.43 * rate), 0.25);
    return finish(out, rate, 0.7, 1.5);
}

// The pilot hammers the cocking handle back and lets it snap home: twice.
Buffer clearGunJam(double rate) {
    Noise n(42);
    Buffer out = silence(rate, 1.3);
    for (double at : {0.05, 0.62}) {
        Buffer pull = crackle(n, rate, 0.12, 180, [](double t) { return 1.0 - t / 0.12; }, 1800, 4200);
        addAt(out, pull, static_cast<long>(at * rate), 0.6);
        Buffer snap = ring(rate, 0.08, 1650, 0.01);
        mixInto(snap, ring(rate, 0.08, 620, 0.02), 0.9);
        mixInto(snap, noiseBurst(n, rate, 0.01, 0.0015), 0.6);
        addAt(out, snap, static_cast<long>((at + 0.22) * rate), 1.0);
    }
    return finish(out, rate, 0.6);
}

// A round through taut doped linen: a sharp pap and the panel's brief drum note.
Buffer hitFabric(double rate) {
    Noise n(6);
    Buffer out = silence(rate, 0.28);
    Buffer pap = noiseBurst(n, rate, 0.04, 0.004);
    filter(pap, Biquad::bandpass(rate, 2600, 0.9));
    addAt(out, pap, 0, 2.0);
    addAt(out, ring(rate, 0.15, 170, 0.025), 0, 0.6);
    addAt(out, crackle(n, rate, 0.06, 300, [](double t) { return 1.0 - t / 0.06; }, 2000, 5000), 15, 0.5);
    return finish(out, rate, 0.65);
}

// A round into a spar or strut: the wood's crack and the splinters.
Buffer hitWood(double rate) {
    Noise n(16);
    Buffer out = silence(rate, 0.35);
    Buffer crack = noiseBurst(n, rate, 0.03, 0.004);
    filter(crack, Biquad::bandpass(rate, 2200, 0.7));
    addAt(out, crack, 0, 2.5);
    // Wood is heavily damped: its modes knock rather than ring.
    const double modes[][3] = {{180, 0.012, 0.8}, {640, 0.018, 1.0}, {1480, 0.012, 0.7}, {2650, 0.008, 0.5},
                               {4100, 0.005, 0.35}};
    for (const auto& m : modes) addAt(out, ring(rate, 0.12, m[0] * n.range(0.95, 1.05), m[1]), 0, m[2]);
    addAt(out, crackle(n, rate, 0.12, 320, [](double t) { return 1.0 - t / 0.12; }, 1500, 5000),
          static_cast<long>(0.004 * rate), 0.7);
    return finish(out, rate, 0.65);
}

Buffer hitFabricTear(double rate) {
    Noise n(33);
    Buffer out = hitFabric(rate);
    out.resize(static_cast<size_t>(0.45 * rate), 0.0);
    Buffer rip = crackle(n, rate, 0.22, 900, [](double t) { return std::sin(kPi * t / 0.22); }, 1200, 4000);
    addAt(out, rip, static_cast<long>(0.02 * rate), 0.6);
    Buffer flap = noiseBurst(n, rate, 0.3, 0.08);
    lowpass(flap, rate, 500);
    shape(flap, rate, [](double t) { return 0.6 + 0.4 * std::sin(2 * kPi * 21 * t); });
    addAt(out, flap, static_cast<long>(0.05 * rate), 0.8);
    return finish(out, rate, 0.6);
}

// Wood with a steel fitting in it: the crack and a short ring of metal.
Buffer hitWoodAndMetal(double rate) {
    Noise n(34);
    Buffer out = hitWood(rate);
    out.resize(static_cast<size_t>(0.5 * rate), 0.0);
    const double partials[][3] = {{2350, 0.11, 0.35}, {3920, 0.08, 0.25}, {5710, 0.05, 0.18}};
    for (const auto& p : partials) addAt(out, ring(rate, 0.45, p[0] * n.range(0.98, 1.02), p[1]), 5, p[2]);
    return finish(out, rate, 0.65);
}

// A shell bursting close by: a hard crack-boom, and splinters whirring past.
Buffer flakNear(double rate) {
    Noise n(35);
    Buffer out = blast(n, rate, 2.2, 700, 0.22, 0.7, 48);
    addAt(out, crackle(n, rate, 0.9, 45, [](double t) { return std::exp(-t / 0.4); }, 900, 3500),
          static_cast<long>(0.25 * rate), 0.35);
    return finish(out, rate, 0.85, 1.6);
}

// A burst further off: softer, darker, and its echo from the ground.
Buffer flakFar(double rate) {
    Noise n(36);
    Buffer b = blast(n, rate, 2.6, 320, 0.3, 0.9, 40);
    lowpass(b, rate, 1200);
    Buffer out = b;
    addAt(out, b, static_cast<long>(0.34 * rate), 0.3);
    return finish(out, rate, 0.7, 1.2);
}

// An aircraft blowing up in the air: blast, long rumble, burning fabric and fuel.
Buffer airExplosion(double rate) {
    Noise n(11);
    Buffer out = blast(n, rate, 3.2, 900, 0.45, 1.3, 36);
    addAt(out, crackle(n, rate, 2.4, 60, [](double t) { return 0.5 * std::exp(-t / 1.2); }, 700, 3000),
          static_cast<long>(0.5 * rate), 0.5);
    return finish(out, rate, 0.9, 1.8);
}

// A bomb or a crash into the ground: the blast, then earth and stones raining back down.
Buffer groundExplosion(double rate) {
    Noise n(12);
    Buffer out = blast(n, rate, 3.2, 600, 0.35, 1.0, 32);
    for (double t = 0.4; t < 2.4; t += n.range(0.02, 0.09) * (1 + t)) {
        Buffer clod = ring(rate, 0.1, n.range(90, 170), 0.025);
        mixInto(clod, noiseBurst(n, rate, 0.03, 0.006), 0.3);
        addAt(out, clod, static_cast<long>(t * rate), 0.5 * std::exp(-(t - 0.4) / 1.0) * n.range(0.3, 1.0));
    }
    addAt(out, crackle(n, rate, 1.8, 70, [](double t) { return std::exp(-t / 0.8); }, 1500, 4000),
          static_cast<long>(0.45 * rate), 0.3);
    return finish(out, rate, 0.9, 1.8);
}

// The rack's latch lets go: a clunk, the spring, the cable rattling.
Buffer bombRelease(double rate) {
    Noise n(14);
    Buffer out = silence(rate, 0.7);
    addAt(out, ring(rate, 0.12, 140, 0.03), 0, 1.0);
    addAt(out, ring(rate, 0.03, 1800, 0.004), 0, 0.5);
    addAt(out, ring(rate, 0.5, 620, 0.12, 560), static_cast<long>(0.01 * rate), 0.3);
    addAt(out, crackle(n, rate, 0.15, 120, [](double) { return 1.0; }, 1500, 3500), static_cast<long>(0.04 * rate),
          0.35);
    return finish(out, rate, 0.6);
}

}  // namespace soundgen
