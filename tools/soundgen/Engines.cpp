#include "Engines.h"

namespace soundgen {
namespace {

constexpr double R = kEngineRate;

// How one engine's firings sound.
struct EngineVoice {
    int cylinders;        // firings per two revolutions
    double pulseTau;      // s, rise of the pressure pulse of one firing
    double pulseGain;
    double exhaustTau;    // s, decay of the exhaust noise of one firing
    double exhaustGain;
    double thumpHz;       // the low body of a firing
    double thumpTau;      // s
    double thumpGain;
    double raspGain;      // bright noise from open exhaust ports
    double tickGain;      // valve gear
    double levelJitter;   // firing-to-firing spread of strength
    double timeJitter;    // s
};

// A rotary throws its exhaust straight out of the spinning cylinders: short, raspy and uneven.
constexpr EngineVoice kRotary{9, 0.0011, 1.0, 0.0035, 0.8, 150.0, 0.0030, 0.15, 0.7, 0.10, 0.14, 0.00030};
// The inline six breathes through a manifold and water jackets: longer, rounder, even.
constexpr EngineVoice kInline{6, 0.0026, 1.0, 0.0060, 0.45, 95.0, 0.0045, 0.20, 0.15, 0.05, 0.05, 0.00015};

struct Firing {
    double time;   // s
    double level;  // relative strength; 0 a misfire
};

// One firing: exhaust noise burst, low thump, port rasp and valve tick.
Buffer firingPulse(const EngineVoice& v, Noise& n, double level) {
    Buffer exhaust = noiseBurst(n, R, v.exhaustTau * 6, v.exhaustTau, 0.0004);
    Buffer body = ring(R, v.thumpTau * 5, v.thumpHz * n.range(0.94, 1.06), v.thumpTau, v.thumpHz * 0.8);
    Buffer rasp = noiseBurst(n, R, 0.006, 0.0015);
    highpass(rasp, R, 2500);
    Buffer tick = ring(R, 0.004, 3100 * n.range(0.97, 1.03), 0.0008);
    Buffer pulse(body.size() > exhaust.size() ? body.size() : exhaust.size(), 0.0);
    // The pressure pulse: a quick rise, a decay, and a slower, shallower suck-back that leaves
    // no offset behind (the two lobes have equal area).
    Buffer pressure(static_cast<size_t>(v.pulseTau * 14 * R));
    for (size_t i = 0; i < pressure.size(); ++i) {
        const double t = i / R, a = t / v.pulseTau, b = t / (3 * v.pulseTau);
        pressure[i] = a * std::exp(1 - a) - b * std::exp(1 - b) / 3.0;
    }
    if (pressure.size() > pulse.size()) pulse.resize(pressure.size(), 0.0);
    addAt(pulse, pressure, 0, v.pulseGain);
    addAt(pulse, exhaust, 0, v.exhaustGain);
    addAt(pulse, body, 0, v.thumpGain);
    addAt(pulse, rasp, 0, v.raspGain);
    addAt(pulse, tick, static_cast<long>(0.011 * R), v.tickGain);
    for (double& x : pulse) x *= level;
    return pulse;
}

void renderFirings(Buffer& out, const EngineVoice& v, const std::vector<Firing>& firings, Noise& n, bool circular) {
    for (const Firing& f : firings) {
        if (f.level <= 0) continue;
        addAt(out, firingPulse(v, n, f.level), static_cast<long>(f.time * R), 1.0, circular);
    }
}

// Steady firing for a loop of `cycles` two-revolution cycles of `cycleFrames` frames each.
std::vector<Firing> steadyFirings(const EngineVoice& v, long cycleFrames, int cycles, Noise& n, double misfire,
                                  const std::vector<double>& cylinderLevel, double revWobble) {
    std::vector<Firing> out;
    const double interval = static_cast<double>(cycleFrames) / v.cylinders / R;
    const double revSeconds = cycleFrames / R / 2.0;  // a cycle is two revolutions
    for (int k = 0; k < cycles * v.cylinders; ++k) {
        const double t = k * interval + n.range(-v.timeJitter, v.timeJitter);
        double level = cylinderLevel[k % v.cylinders] * (1.0 + v.levelJitter * n.white());
        // A rotary's cylinders swing their ports past the pilot once a revolution.
        level *= 1.0 + revWobble * std::sin(2 * kPi * (k * interval) / revSeconds);
        if (n.chance(misfire)) level *= 0.1;
        out.push_back({t < 0 ? t + cycles * cycleFrames / R : t, level});
    }
    return out;
}

// Firing driven by a revolution rate (rev/s) and a probability of firing, both over time.
std::vector<Firing> varyingFirings(const EngineVoice& v, double seconds, const std::function<double(double)>& revs,
                                   const std::function<double(double)>& fires, Noise& n,
                                   const std::vector<double>& cylinderLevel) {
    std::vector<Firing> out;
    double phase = 0.0;
    int cylinder = 0;
    for (long i = 0; i < static_cast<long>(seconds * R); ++i) {
        const double t = i / R;
        phase += revs(t) * v.cylinders / 2.0 / R;
        if (phase >= 1.0) {
            phase -= 1.0;
            double level = cylinderLevel[cylinder] * (1.0 + v.levelJitter * n.white());
            if (!n.chance(fires(t))) level = 0.0;
            out.push_back({t, level});
            cylinder = (cylinder + 1) % v.cylinders;
        }
    }
    return out;
}

std::vector<double> cylinderLevels(const EngineVoice& v, Noise& n, double spread) {
    std::vector<double> levels(v.cylinders);
    for (double& l : levels) l = 1.0 + spread * n.white();
    return levels;
}

// The propeller: air chopped at the blade-pass rate, a low hum and its whup.
Buffer propeller(double seconds, const std::function<double(double)>& bladeHz, Noise& n, bool circular) {
    Buffer air = whiteNoise(n, static_cast<size_t>(seconds * R));
    lowpass(air, R, 500, circular);
    lowpass(air, R, 500, circular);
    Buffer out(air.size());
    double ph = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double c = 0.5 + 0.5 * std::cos(ph);
        out[i] = air[i] * (0.25 + c * c * 1.6) + 0.25 * std::sin(ph) + 0.10 * std::sin(2 * ph + 0.5);
        ph += 2 * kPi * bladeHz(i / R) / R;
    }
    return out;
}

// Rushing air past the cockpit and over the wires.
Buffer slipstream(double seconds, Noise& n, bool circular, double brightHz) {
    Buffer air = whiteNoise(n, static_cast<size_t>(seconds * R));
    lowpass(air, R, brightHz, circular);
    highpass(air, R, 120, circular);
    return air;
}

// The cowling and exhaust colour the raw firings.
Buffer colour(const Buffer& raw, bool circular, double lowHz, double midHz, double highHz, double lowGain,
              double midGain, double highGain, double topHz) {
    Buffer out = bandpassed(raw, R, lowHz, 1.2, circular);
    for (double& x : out) x *= lowGain;
    mixInto(out, bandpassed(raw, R, midHz, 1.8, circular), midGain);
    mixInto(out, bandpassed(raw, R, highHz, 1.4, circular), highGain);
    mixInto(out, raw, 0.35);
    lowpass(out, R, topHz, circular);
    return out;
}

Buffer finish(Buffer b, double peak) {
    removeDc(b);
    normalize(b, peak);
    return b;
}

// Engines are heard side by side as the player switches aircraft and views: match them by
// loudness (rms) rather than by peak, rounding off the rare firing that would stick out.
Buffer finishLoudness(Buffer b, double rms, double ceiling) {
    removeDc(b);
    double sum = 0;
    for (double x : b) sum += x * x;
    const double now = std::sqrt(sum / static_cast<double>(b.empty() ? 1 : b.size()));
    if (now > 0)
        for (double& x : b) x *= rms / now;
    for (double& x : b)
        if (std::fabs(x) > 0.6 * ceiling) {
            const double over = (std::fabs(x) - 0.6 * ceiling) / (0.4 * ceiling);
            x = std::copysign(0.6 * ceiling + 0.4 * ceiling * std::tanh(over), x);
        }
    return b;
}

// What a stationary engine makes besides its firings: valve gear and pushrods clattering,
// the magneto's whine, loose fittings buzzing.
Buffer mechanicalBed(double seconds, double rev, Noise& n, bool circular) {
    Buffer b = whiteNoise(n, static_cast<size_t>(seconds * R));
    filter(b, Biquad::bandpass(R, 1800, 0.8), circular);
    for (size_t i = 0; i < b.size(); ++i) {
        const double cam = 0.5 + 0.5 * std::cos(2 * kPi * rev * 1.5 * (i / R));  // a tappet every third of a turn
        b[i] *= 0.3 + cam * cam * cam;
    }
    return b;
}

// A steady rotary loop; `outside` moves the listener off the aircraft.
Buffer rotaryLoop(uint64_t seed, bool outside) {
    Noise n(seed);
    const long cycle = 5292;  // frames per two revolutions: 16.67 rev/s, 1,000 rpm
    const int cycles = 17;    // 2.04 s
    const double seconds = static_cast<double>(cycle * cycles) / R;
    Buffer raw(static_cast<size_t>(cycle * cycles), 0.0);
    renderFirings(raw, kRotary, steadyFirings(kRotary, cycle, cycles, n, 0.025, cylinderLevels(kRotary, n, 0.14), 0.18),
                  n, true);
    Buffer out = outside ? colour(raw, true, 170, 600, 1900, 1.2, 0.9, 0.45, 3200)
                         : colour(raw, true, 160, 750, 2400, 1.0, 1.1, 0.9, 7000);
    const double rev = 2.0 * R / cycle;  // rev/s
    mixInto(out, propeller(seconds, [=](double) { return 2.0 * rev; }, n, true), outside ? 0.55 : 0.22);
    mixInto(out, slipstream(seconds, n, true, outside ? 900 : 2200), outside ? 0.12 : 0.30);
    mixInto(out, mechanicalBed(seconds, rev, n, true), outside ? 0.02 : 0.05);
    return finishLoudness(out, outside ? 0.15 : 0.17, 0.9);
}

Buffer inlineLoop(uint64_t seed, long cycle, int cycles, bool outside, double misfire, double levelSpread,
                  double windGain) {
    Noise n(seed);
    const double seconds = static_cast<double>(cycle * cycles) / R;
    Buffer raw(static_cast<size_t>(cycle * cycles), 0.0);
    renderFirings(raw, kInline,
                  steadyFirings(kInline, cycle, cycles, n, misfire, cylinderLevels(kInline, n, levelSpread), 0.0), n,
                  true);
    Buffer out = outside ? colour(raw, true, 110, 320, 1200, 1.4, 0.8, 0.2, 2200)
                         : colour(raw, true, 105, 380, 1500, 1.3, 1.0, 0.35, 4500);
    const double rev = 2.0 * R / cycle;
    mixInto(out, propeller(seconds, [=](double) { return 2.0 * rev; }, n, true), outside ? 0.6 : 0.2);
    if (windGain > 0) mixInto(out, slipstream(seconds, n, true, outside ? 900 : 2000), windGain);
    mixInto(out, mechanicalBed(seconds, rev, n, true), outside ? 0.015 : 0.04);
    return finishLoudness(out, outside ? 0.15 : 0.17, 0.9);
}

}  // namespace

Buffer rotaryRunningLoop() { return rotaryLoop(17, false); }
Buffer rotaryOutsideLoop() { return rotaryLoop(25, true); }

// The blip switch cuts the ignition in uneven bursts: "brrrp ... brrp ... brrrrp".
Buffer rotaryBlipIdleLoop() {
    Noise n(22);
    const double seconds = 2.4;
    const std::vector<std::pair<double, double>> on = {{0.00, 0.34}, {0.56, 1.06}, {1.25, 1.55}, {1.82, 2.28}};
    const auto running = [&](double t) {
        for (auto [a, b] : on)
            if (t >= a && t < b) return true;
        return false;
    };
    // Revolutions pick up while firing and sag while cut.
    const auto revs = [&](double t) {
        for (auto [a, b] : on)
            if (t >= a && t < b) return 9.0 + 5.0 * std::min(1.0, (t - a) / 0.25);
        return 10.0;
    };
    Buffer raw = silence(R, seconds);
    renderFirings(raw, kRotary,
                  varyingFirings(kRotary, seconds, revs, [&](double t) { return running(t) ? 0.93 : 0.0; }, n,
                                 cylinderLevels(kRotary, n, 0.2)),
                  n, true);
    Buffer out = colour(raw, true, 150, 700, 2300, 1.0, 1.1, 0.8, 6500);
    mixInto(out, propeller(seconds, [&](double t) { return 2.0 * revs(t); }, n, true), 0.3);
    mixInto(out, slipstream(seconds, n, true, 1200), 0.06);
    mixInto(out, mechanicalBed(seconds, 10.0, n, true), 0.04);
    return finishLoudness(out, 0.13, 0.9);
}

Buffer inlineRunningLoop() { return inlineLoop(38, 4070, 22, false, 0.0, 0.04, 0.28); }
Buffer inlineIdleLoop() { return inlineLoop(37, 11760, 8, false, 0.01, 0.10, 0.0); }
Buffer inlineOutsideLoop() { return inlineLoop(39, 4070, 22, true, 0.0, 0.04, 0.10); }

namespace {

// The mechanic swings the propeller: a rush of air and the compression's dull knock.
void propSwing(Buffer& out, Noise& n, double at, double gain) {
    Buffer whoosh = noiseBurst(n, R, 0.45, 0.12, 0.12);
    filter(whoosh, Biquad::bandpass(R, 380, 1.0));
    addAt(out, whoosh, static_cast<long>(at * R), gain);
    Buffer knock = ring(R, 0.12, 70, 0.03);
    addAt(out, knock, static_cast<long>((at + 0.18) * R), gain * 0.8);
}

Buffer startUp(const EngineVoice& v, uint64_t seed, double seconds, const std::function<double(double)>& revs,
               const std::function<double(double)>& fires, const std::vector<double>& swings, bool rotary) {
    Noise n(seed);
    Buffer raw = silence(R, seconds);
    renderFirings(raw, v, varyingFirings(v, seconds, revs, fires, n, cylinderLevels(v, n, rotary ? 0.2 : 0.1)), n,
                  false);
    Buffer out = rotary ? colour(raw, false, 160, 720, 2300, 1.0, 1.1, 0.8, 6500)
                        : colour(raw, false, 105, 380, 1500, 1.3, 1.0, 0.35, 4500);
    for (double at : swings) propSwing(out, n, at, 0.5);
    mixInto(out, propeller(seconds, [&](double t) { return 2.0 * revs(t); }, n, false), 0.25);
    fadeEdges(out, R, 0.0, 0.35);
    return finish(out, 0.6);
}

}  // namespace

Buffer rotaryStartUp() {
    // Two swings, a cough, a catch, a stumble on the blip switch, then it runs.
    const auto revs = ramp({{0.0, 1.2}, {1.2, 1.5}, {1.6, 4.0}, {2.4, 13.0}, {3.2, 15.0}, {3.4, 11.0}, {3.7, 16.0}});
    const auto fires = [](double t) {
        if (t < 1.15) return 0.0;
        if (t < 1.35) return 0.6;   // the first cough
        if (t < 1.6) return 0.0;
        if (t < 2.5) return 0.35 + 0.6 * (t - 1.6) / 0.9;
        if (t > 3.2 && t < 3.45) return 0.0;  // blip
        return 0.97;
    };
    return startUp(kRotary, 31, 4.6, revs, fires, {0.05, 0.6}, true);
}

Buffer inlineStartUp() {
    const auto revs = ramp({{0.0, 1.0}, {1.3, 1.3}, {1.5, 3.5}, {2.6, 10.5}, {3.6, 8.0}, {4.4, 7.5}});
    const auto fires = [](double t) {
        if (t < 1.2) return 0.0;
        if (t < 1.45) return 0.5;
        if (t < 1.6) return 0.0;
        if (t < 2.8) return 0.5 + 0.5 * (t - 1.6) / 1.2;
        return 0.99;
    };
    return startUp(kInline, 40, 5.2, revs, fires, {0.05, 0.65}, false);
}

// Running down: fewer firings, a pop or two, then the propeller windmills to a stop.
Buffer engineShutDown() {
    Noise n(32);
    const double seconds = 3.6;
    const auto revs = ramp({{0.0, 15.0}, {0.5, 12.0}, {1.6, 5.0}, {2.8, 1.2}, {3.4, 0.0}});
    const auto fires = ramp({{0.0, 0.95}, {0.4, 0.7}, {1.2, 0.3}, {1.8, 0.08}, {2.0, 0.0}});
    Buffer raw = silence(R, seconds);
    renderFirings(raw, kRotary, varyingFirings(kRotary, seconds, revs, fires, n, cylinderLevels(kRotary, n, 0.2)), n,
                  false);
    // Unburnt fuel catching in the hot cylinders.
    for (double at : {1.35, 1.9}) addAt(raw, firingPulse(kRotary, n, 2.2), static_cast<long>(at * R));
    Buffer out = colour(raw, false, 140, 650, 2200, 1.1, 1.0, 0.7, 6000);
    Buffer prop = propeller(seconds, [&](double t) { return 2.0 * revs(t); }, n, false);
    shape(prop, R, ramp({{0.0, 1.0}, {2.5, 0.6}, {3.4, 0.0}}));
    mixInto(out, prop, 0.35);
    addAt(out, ring(R, 0.15, 60, 0.04), static_cast<long>(3.35 * R), 0.3);  // the propeller rocks back
    fadeEdges(out, R, 0.03, 0.1);
    return finish(out, 0.6);
}

// A Camel passing 150 ft away at 120 mph: rising pitch, a roar, and the drop as it goes.
Buffer rotaryFlyBy() {
    Noise n(27);
    const double seconds = 3.6, passAt = 1.8;
    const double speed = 176.0, closest = 150.0, soundSpeed = 1125.0;  // ft/s, ft, ft/s
    const auto range = [=](double t) { return std::hypot(speed * (t - passAt), closest); };
    const auto doppler = [=](double t) {
        const double closing = speed * speed * (t - passAt) / range(t);  // ft/s, positive while leaving
        return 1.0 / (1.0 + closing / soundSpeed);
    };
    const Buffer engine = rotaryLoop(2727, true);
    const Buffer near = resample(engine, static_cast<size_t>(seconds * R), doppler, R, true);
    // Air takes the top off a distant engine: only the close pass is bright.
    Buffer far = near;
    lowpass(far, R, 700);
    Buffer out(near.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const double w = std::pow(closest / range(i / R), 2.0);
        out[i] = near[i] * w + far[i] * (1.0 - w) * 1.4;
    }
    Buffer air = slipstream(seconds, n, false, 1500);
    mixInto(out, air, 0.25);
    shape(out, R, [&](double t) { return closest / range(t); });
    fadeEdges(out, R, 0.2, 0.3);
    return finish(out, 0.7);
}

}  // namespace soundgen
