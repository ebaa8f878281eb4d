#include "Sounds.h"

namespace soundgen {
namespace {

Buffer finish(Buffer b, double rate, double peak) {
    removeDc(b);
    fadeEdges(b, rate, 0.002, 0.03);
    normalize(b, peak);
    return b;
}

// A short metallic click, the building block of ratchets and latches.
Buffer click(Noise& n, double rate, double hz, double tau) {
    Buffer c = ring(rate, tau * 6, hz * n.range(0.95, 1.05), tau);
    mixInto(c, noiseBurst(n, rate, 0.004, 0.0007), 0.4);
    return c;
}

// Clicks at a rate that moves over time (clicks/s).
void clickTrain(Buffer& out, Noise& n, double rate, double from, double to, const std::function<double(double)>& perSecond,
                double hz, double tau, double gain) {
    for (double t = from; t < to; t += 1.0 / perSecond(t)) addAt(out, click(n, rate, hz, tau), static_cast<long>(t * rate), gain);
}

Buffer thud(Noise& n, double rate, double hz, double tau, double seconds) {
    Buffer b = ring(rate, seconds, hz, tau, hz * 0.8);
    Buffer body = noiseBurst(n, rate, seconds, tau * 0.6);
    lowpass(body, rate, 400);
    mixInto(b, body, 1.2);
    return b;
}

// Bursts of noise at a rate: tearing cloth, creaking wood.
Buffer rip(Noise& n, double rate, double seconds, double density, const std::function<double(double)>& env, double hz) {
    Buffer out = silence(rate, seconds);
    for (double t = 0; t < seconds; t += -std::log(1.0 - n.uniform()) / density) {
        Buffer b = noiseBurst(n, rate, 0.004, 0.001);
        addAt(out, b, static_cast<long>(t * rate), env(t) * n.range(0.3, 1.0));
    }
    filter(out, Biquad::bandpass(rate, hz, 0.7));
    return out;
}

// A brass note as a bugle sounds it: a scoop up to pitch, brightness growing with the breath,
// a slight waver held long.
Buffer brassNote(Noise& n, double rate, double hz, double seconds) {
    Buffer out(static_cast<size_t>(seconds * rate), 0.0);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double attack = std::min(1.0, t / 0.035), release = std::min(1.0, (seconds - t) / 0.06);
        const double level = std::max(0.0, std::min(attack, release));
        const double scoop = 1.0 - 0.03 * std::exp(-t / 0.02);
        const double vibrato = 1.0 + 0.004 * std::sin(2 * kPi * 5.2 * t) * std::min(1.0, t / 0.4);
        phase += 2 * kPi * hz * scoop * vibrato / rate;
        double s = 0;
        for (int k = 1; k <= 14; ++k) s += std::exp(-k / (1.2 + 3.0 * level)) * std::sin(k * phase);
        out[i] = s * level + 0.015 * n.white() * level;
    }
    return out;
}

// Outdoors: a few late echoes off the ground and trees.
Buffer outdoors(const Buffer& dry, double rate) {
    Buffer out = dry;
    out.resize(dry.size() + static_cast<size_t>(0.6 * rate), 0.0);
    const double taps[][2] = {{0.087, 0.25}, {0.161, 0.18}, {0.283, 0.12}, {0.41, 0.07}};
    for (const auto& t : taps) addAt(out, dry, static_cast<long>(t[0] * rate), t[1]);
    lowpass(out, rate, 6000);
    return out;
}

}  // namespace

// The undercarriage cranked up: a ratchet speeding up, then the clunk of the lock.
Buffer gearUp(double rate) {
    Noise n(2);
    Buffer out = silence(rate, 1.3);
    clickTrain(out, n, rate, 0.0, 1.05, ramp({{0.0, 8.0}, {1.0, 15.0}}), 2600, 0.003, 0.5);
    addAt(out, thud(n, rate, 110, 0.04, 0.2), static_cast<long>(1.1 * rate), 0.8);
    addAt(out, click(n, rate, 900, 0.01), static_cast<long>(1.1 * rate), 0.5);
    return finish(out, rate, 0.55);
}

// Let down: the freewheeling ratchet whirring slower, and the legs banging down.
Buffer gearDown(double rate) {
    Noise n(3);
    Buffer out = silence(rate, 1.2);
    clickTrain(out, n, rate, 0.0, 0.85, ramp({{0.0, 32.0}, {0.85, 12.0}}), 2300, 0.0025, 0.35);
    addAt(out, thud(n, rate, 95, 0.05, 0.3), static_cast<long>(0.9 * rate), 1.0);
    return finish(out, rate, 0.55);
}

// Control cables dragging through their pulleys, and the lever's detents.
Buffer flapsMove(double rate) {
    Noise n(4);
    Buffer out = silence(rate, 0.9);
    Buffer squeak(out.size());
    double ph = 0;
    for (size_t i = 0; i < squeak.size(); ++i) {
        const double t = i / rate;
        ph += 2 * kPi * (900 + 220 * t + 30 * std::sin(2 * kPi * 3 * t)) / rate;
        squeak[i] = std::sin(ph) * (0.5 + 0.5 * std::sin(2 * kPi * 11 * t)) * std::sin(kPi * t / 0.9);
    }
    mixInto(out, squeak, 0.3);
    clickTrain(out, n, rate, 0.05, 0.85, [](double) { return 10.0; }, 1900, 0.003, 0.5);
    return finish(out, rate, 0.5);
}

// Wheels on a grass field: thumps over the ruts, the rumble, the tail skid scraping.
Buffer tyreRumble(double rate, bool loud) {
    Noise n(loud ? 7 : 8);
    const double seconds = loud ? 1.6 : 0.9;
    Buffer out = silence(rate, seconds);
    Buffer rumble = whiteNoise(n, out.size());
    lowpass(rumble, rate, 220);
    lowpass(rumble, rate, 220);
    mixInto(out, rumble, 2.0);
    for (double t = loud ? 0.12 : 0.02; t < seconds - 0.1; t += n.range(0.05, 0.12))
        addAt(out, thud(n, rate, n.range(55, 95), 0.04, 0.15), static_cast<long>(t * rate), n.range(0.3, 0.8));
    if (loud) addAt(out, thud(n, rate, 70, 0.08, 0.4), 0, 1.6);  // touching down
    Buffer scrape = whiteNoise(n, out.size());
    filter(scrape, Biquad::bandpass(rate, 1400, 1.0));
    shape(scrape, rate, [](double t) { return 0.5 + 0.5 * std::sin(2 * kPi * 7 * t); });
    mixInto(out, scrape, 0.25);
    shape(out, rate, ramp({{0.0, 1.0}, {seconds * 0.6, 1.0}, {seconds, 0.0}}));
    return finish(out, rate, loud ? 0.7 : 0.45);
}

// A wing giving way: spars cracking one after the other, a bracing wire snapping, then the
// loose fabric flogging in the slipstream.
Buffer frameBreaks(double rate) {
    Noise n(9);
    Buffer out = silence(rate, 2.0);
    for (double at : {0.0, 0.11, 0.19, 0.42}) {
        Buffer crack = noiseBurst(n, rate, 0.05, 0.006);
        mixInto(crack, ring(rate, 0.2, n.range(280, 420), 0.04), 0.8);
        mixInto(crack, ring(rate, 0.2, n.range(800, 1100), 0.025), 0.5);
        addAt(out, crack, static_cast<long>(at * rate), n.range(0.7, 1.0));
    }
    addAt(out, rip(n, rate, 0.6, 400, [](double t) { return std::exp(-t / 0.25); }, 2500), 0, 0.8);
    Buffer twang = ring(rate, 1.0, 330, 0.3, 240);
    mixInto(twang, ring(rate, 1.0, 660, 0.2, 480), 0.4);
    addAt(out, twang, static_cast<long>(0.3 * rate), 0.5);
    Buffer flog = whiteNoise(n, static_cast<size_t>(1.4 * rate));
    lowpass(flog, rate, 700);
    shape(flog, rate, [](double t) { return (0.5 + 0.5 * std::sin(2 * kPi * 17 * t)) * std::exp(-t / 0.7); });
    addAt(out, flog, static_cast<long>(0.5 * rate), 0.6);
    return finish(out, rate, 0.8);
}

// Overstressed: the wood creaking and the wires humming higher under the load.
Buffer closeToBreak(double rate) {
    Noise n(10);
    const double seconds = 1.4;
    Buffer out = silence(rate, seconds);
    Buffer creak = silence(rate, seconds);
    const auto perSecond = ramp({{0.0, 35.0}, {0.6, 90.0}, {1.2, 50.0}});
    for (double t = 0.05; t < seconds - 0.15; t += 1.0 / perSecond(t) * n.range(0.8, 1.2))
        addAt(creak, noiseBurst(n, rate, 0.003, 0.0008), static_cast<long>(t * rate), n.range(0.5, 1.0));
    mixInto(out, bandpassed(creak, rate, 460, 4.0), 2.0);
    mixInto(out, bandpassed(creak, rate, 1150, 6.0), 1.2);
    Buffer hum(out.size());
    double ph = 0;
    for (size_t i = 0; i < hum.size(); ++i) {
        const double t = i / rate;
        ph += 2 * kPi * (205 + 40 * t / seconds) / rate;
        hum[i] = (std::sin(ph) + 0.4 * std::sin(2 * ph) + 0.2 * std::sin(3 * ph)) * std::sin(kPi * t / seconds);
    }
    mixInto(out, hum, 0.25);
    return finish(out, rate, 0.6);
}

// A panel of fabric ripping away: the snap, the tear running, the flap as it goes.
Buffer tearOff(double rate) {
    Noise n(13);
    Buffer out = silence(rate, 1.2);
    addAt(out, noiseBurst(n, rate, 0.03, 0.004), 0, 1.0);
    addAt(out, rip(n, rate, 0.7, 1500, [](double t) { return std::sin(kPi * std::min(1.0, t / 0.7)) * (1.2 - t); }, 2600),
          static_cast<long>(0.02 * rate), 1.2);
    Buffer flap = whiteNoise(n, static_cast<size_t>(0.9 * rate));
    lowpass(flap, rate, 600);
    shape(flap, rate, [](double t) { return (0.4 + 0.6 * std::sin(2 * kPi * 13 * t)) * std::exp(-t / 0.35); });
    addAt(out, flap, static_cast<long>(0.25 * rate), 0.8);
    return finish(out, rate, 0.7);
}

// Climbing out over the side: the harness buckle, a scramble, the slipstream taking hold.
Buffer leaveCockpit(double rate) {
    Noise n(20);
    const double seconds = 1.6;
    Buffer out = silence(rate, seconds);
    addAt(out, click(n, rate, 1400, 0.012), 0, 0.6);
    for (double at : {0.12, 0.3, 0.42}) addAt(out, thud(n, rate, n.range(80, 120), 0.03, 0.12), static_cast<long>(at * rate), 0.5);
    Buffer wind = whiteNoise(n, out.size());
    lowpass(wind, rate, 1400);
    highpass(wind, rate, 150);
    shape(wind, rate, ramp({{0.0, 0.0}, {0.4, 0.1}, {1.0, 1.0}, {1.6, 0.9}}));
    shape(wind, rate, [](double t) { return 0.8 + 0.2 * std::sin(2 * kPi * 23 * t); });
    mixInto(out, wind, 1.0);
    return finish(out, rate, 0.6);
}

// Into water: the slap, the spray and the bubbles after it.
Buffer waterSplash(double rate) {
    Noise n(21);
    const double seconds = 1.6;
    Buffer out = silence(rate, seconds);
    Buffer slap = noiseBurst(n, rate, 0.4, 0.08, 0.003);
    lowpass(slap, rate, 2500);
    addAt(out, slap, 0, 1.2);
    addAt(out, ring(rate, 0.3, 80, 0.06), 0, 0.8);
    Buffer spray = noiseBurst(n, rate, 0.9, 0.3, 0.02);
    highpass(spray, rate, 2000);
    addAt(out, spray, 0, 0.5);
    for (double t = 0.05; t < 1.3; t += n.range(0.01, 0.05) * (1 + 2 * t)) {
        const double hz = n.range(600, 2200), len = n.range(0.01, 0.04);
        addAt(out, ring(rate, len, hz, len * 0.4, hz * 1.15), static_cast<long>(t * rate), 0.25 * std::exp(-t / 0.6));
    }
    return finish(out, rate, 0.7);
}

// Silk streaming out, then the canopy filling with a whump, and its flutter.
Buffer chuteOpens(double rate) {
    Noise n(26);
    Buffer out = silence(rate, 1.5);
    addAt(out, rip(n, rate, 0.55, 700, [](double t) { return t / 0.55; }, 3000), 0, 0.6);
    Buffer whump = noiseBurst(n, rate, 0.4, 0.1, 0.005);
    lowpass(whump, rate, 300);
    addAt(out, whump, static_cast<long>(0.55 * rate), 2.5);
    addAt(out, ring(rate, 0.3, 62, 0.07), static_cast<long>(0.55 * rate), 0.7);
    Buffer flutter = whiteNoise(n, static_cast<size_t>(0.9 * rate));
    lowpass(flutter, rate, 900);
    shape(flutter, rate, [](double t) { return (0.5 + 0.5 * std::sin(2 * kPi * 9 * t)) * std::exp(-t / 0.3); });
    addAt(out, flutter, static_cast<long>(0.6 * rate), 0.4);
    return finish(out, rate, 0.65);
}

// A man landing hard in a field.
Buffer bodyHitsGround(double rate) {
    Noise n(29);
    Buffer out = silence(rate, 0.7);
    addAt(out, thud(n, rate, 72, 0.06, 0.35), 0, 1.0);
    addAt(out, thud(n, rate, 95, 0.04, 0.2), static_cast<long>(0.18 * rate), 0.4);
    Buffer grass = noiseBurst(n, rate, 0.3, 0.1);
    highpass(grass, rate, 2000);
    addAt(out, grass, 0, 0.3);
    return finish(out, rate, 0.65);
}

// Steam and water escaping from a holed radiator.
Buffer escapingSteam(double rate) {
    Noise n(30);
    Buffer out = whiteNoise(n, static_cast<size_t>(1.2 * rate));
    highpass(out, rate, 2500);
    lowpass(out, rate, 8000);
    shape(out, rate, ramp({{0.0, 0.0}, {0.03, 1.0}, {0.5, 0.7}, {1.2, 0.0}}));
    shape(out, rate, [](double t) { return 0.85 + 0.15 * std::sin(2 * kPi * 13 * t); });
    return finish(out, rate, 0.55);
}

// A reed horn buzzing on a diaphragm: 380 Hz, a whole number of periods long, so it loops.
Buffer stallHornLoop(double rate) {
    const int periodFrames = static_cast<int>(rate / 380.0 + 0.5);
    const double hz = rate / periodFrames;
    Buffer out(static_cast<size_t>(periodFrames * 152), 0.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        double s = 0;
        for (int k = 1; k * hz < rate * 0.45; ++k) {
            // Formants of the horn's bell at about 1.1 and 2.7 kHz.
            const double f = k * hz, w = 1.0 / k * (1.0 + 2.5 * std::exp(-std::pow((f - 1100) / 400, 2)) +
                                                     1.5 * std::exp(-std::pow((f - 2700) / 500, 2)));
            s += w * std::sin(2 * kPi * f * t);
        }
        out[i] = s;
    }
    normalize(out, 0.6);
    return out;
}

// The slipstream over the wings and the bracing wires singing in it; loops.
Buffer windLoop(double rate) {
    Noise n(28);
    const double seconds = 3.2;
    const size_t frames = static_cast<size_t>(seconds * rate);
    Buffer air = whiteNoise(n, frames);
    lowpass(air, rate, 700, true);
    highpass(air, rate, 90, true);
    Buffer out(frames, 0.0);
    for (size_t i = 0; i < frames; ++i) {
        const double u = static_cast<double>(i) / frames;  // one loop = 1.0
        out[i] = air[i] * (0.75 + 0.18 * std::sin(2 * kPi * u) + 0.07 * std::sin(2 * kPi * 3 * u + 1.0));
    }
    const double wires[][2] = {{540, 0.0}, {810, 1.3}, {1130, 2.1}, {1620, 4.0}};
    for (const auto& w : wires) {
        Buffer whistle = whiteNoise(n, frames);
        filter(whistle, Biquad::bandpass(rate, w[0], 60.0), true);
        for (size_t i = 0; i < frames; ++i) {
            const double u = static_cast<double>(i) / frames;
            whistle[i] *= 0.6 + 0.4 * std::sin(2 * kPi * 2 * u + w[1]);
        }
        mixInto(out, whistle, 2.2);
    }
    removeDc(out);
    normalize(out, 0.9);  // the file keeps 8 bits of it: use them
    return out;
}

// Played as the game starts: the bugle's "attention", two notes.
Buffer startSignal(double rate) {
    Noise n(0);
    Buffer out = silence(rate, 1.0);
    addAt(out, brassNote(n, rate, 392.4, 0.22), 0);
    addAt(out, brassNote(n, rate, 523.3, 0.55), static_cast<long>(0.26 * rate));
    return finish(outdoors(out, rate), rate, 0.6);
}

// A small hand bell, struck twice: short, clear, easy to tell from battle noise.
Buffer requestBell(double rate) {
    Noise n(24);
    Buffer out = silence(rate, 0.8);
    const double partials[][3] = {{1.0, 0.35, 1.0}, {2.0, 0.22, 0.5}, {2.41, 0.18, 0.45}, {3.02, 0.12, 0.3}, {4.2, 0.08, 0.2}};
    for (double at : {0.0, 0.16}) {
        Buffer bell = silence(rate, 0.6);
        for (const auto& p : partials) mixInto(bell, ring(rate, 0.6, 1320 * p[0], p[1]), p[2]);
        addAt(out, bell, static_cast<long>(at * rate), at == 0 ? 1.0 : 0.8);
    }
    return finish(out, rate, 0.55);
}

// The last call of the day on a bugle, opening phrases, heard across an airfield.
Buffer tapsBugle(double rate) {
    Noise n(43);
    const double g = 392.4, c = 523.3, e = 654.1;  // the bugle's 3rd, 4th and 5th partials, Hz
    const double notes[][2] = {{g, 0.32}, {g, 0.75}, {c, 1.5}, {g, 0.32}, {c, 0.32}, {e, 1.6}};
    Buffer out = silence(rate, 5.4);
    double at = 0.05;
    for (const auto& note : notes) {
        addAt(out, brassNote(n, rate, note[0], note[1]), static_cast<long>(at * rate));
        at += note[1] + 0.08;
    }
    return finish(outdoors(out, rate), rate, 0.6);
}

}  // namespace soundgen
