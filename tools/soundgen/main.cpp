// pellam_soundgen <output folder>: synthesises every sound the game loads from its resources and
// writes each in the file form its loader reads. Deterministic: fixed seeds, no clock.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Engines.h"
#include "Sounds.h"

namespace {

using soundgen::Buffer;
using Bytes = std::vector<uint8_t>;

int16_t to16(double x) {
    const double v = std::round(std::max(-1.0, std::min(1.0, x)) * 32767.0);
    return static_cast<int16_t>(v);
}

void putLE(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putBE(Bytes& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The 44-byte header of a mono 16-bit PCM RIFF file.
Bytes wavHeader(uint32_t rate, uint32_t dataBytes) {
    Bytes h;
    for (char ch : std::string("RIFF")) h.push_back(static_cast<uint8_t>(ch));
    putLE(h, 36 + dataBytes, 4);
    for (char ch : std::string("WAVEfmt ")) h.push_back(static_cast<uint8_t>(ch));
    putLE(h, 16, 4);
    putLE(h, 1, 2);  // PCM
    putLE(h, 1, 2);  // mono
    putLE(h, rate, 4);
    putLE(h, rate * 2, 4);
    putLE(h, 2, 2);
    putLE(h, 16, 2);
    for (char ch : std::string("data")) h.push_back(static_cast<uint8_t>(ch));
    putLE(h, dataBytes, 4);
    return h;
}

// Our own raw-sample header: a tag, the rate and the sample count, big-endian, padded out.
Bytes rawHeader(const char* tag, uint32_t rate, uint32_t count, size_t size) {
    Bytes h;
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(tag[i]));
    putBE(h, rate, 4);
    putBE(h, count, 4);
    h.resize(size, 0);
    return h;
}

Bytes samples16(const Buffer& s, bool bigEndian) {
    Bytes b;
    for (double x : s) {
        const auto v = static_cast<uint16_t>(to16(x));
        if (bigEndian) putBE(b, v, 2);
        else putLE(b, v, 2);
    }
    return b;
}

// Canonical mono 16-bit 44.1 kHz WAV, never shorter than the loader's 1,500-byte minimum.
Bytes canonicalWav(Buffer s) {
    if (s.size() < 800) s.resize(800, 0.0);
    Bytes data = samples16(s, false);
    Bytes out = wavHeader(44100, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// 42-byte header, unsigned 8-bit samples at 22,050/s.
Bytes unsigned8(const Buffer& s) {
    Bytes out = rawHeader("PS08", 22050, static_cast<uint32_t>(s.size()), 42);
    for (double x : s) {
        const double v = std::round((std::max(-1.0, std::min(1.0, x)) + 1.0) * 127.5);
        out.push_back(static_cast<uint8_t>(std::max(0.0, std::min(255.0, v))));
    }
    return out;
}

// 42-byte header, 16-bit little-endian samples at 22,050/s.
Bytes signed16After42(const Buffer& s) {
    Bytes out = rawHeader("PS16", 22050, static_cast<uint32_t>(s.size()), 42);
    const Bytes data = samples16(s, false);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A 22,050/s mono 16-bit WAV (its 44-byte header is what the loader skips).
Bytes wav22(const Buffer& s) {
    Bytes data = samples16(s, false);
    Bytes out = wavHeader(22050, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// 80-byte header, 16-bit big-endian samples.
Bytes bigEndian16(const Buffer& s, uint32_t rate) {
    Bytes out = rawHeader("PSBE", rate, static_cast<uint32_t>(s.size()), 80);
    const Bytes data = samples16(s, true);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "pellam_soundgen: cannot write %s\n", (folder / name).string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellam_soundgen <output folder>\n");
        return 2;
    }
    namespace sg = soundgen;
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const double lo = sg::kLowRate, hi = sg::kHighRate;

    struct Item {
        const char* name;
        Bytes bytes;
    };
    const std::vector<Item> items = {
        {"initsound", unsigned8(sg::startSignal(lo))},
        {"StallHorn.wav", signed16After42(sg::stallHornLoop(lo))},
        {"GearUp", unsigned8(sg::gearUp(lo))},
        {"GearDown", unsigned8(sg::gearDown(lo))},
        {"FlapsMove", unsigned8(sg::flapsMove(lo))},
        {"MachineGun", unsigned8(sg::machineGunLoop(lo))},
        {"Hit1", canonicalWav(sg::hitFabric(hi))},
        {"LoudTireSmoke", unsigned8(sg::tyreRumble(lo, true))},
        {"QuietTireSmoke", unsigned8(sg::tyreRumble(lo, false))},
        {"FrameBreaks", unsigned8(sg::frameBreaks(lo))},
        {"CloseToBreak", unsigned8(sg::closeToBreak(lo))},
        {"AirExplosion", unsigned8(sg::airExplosion(lo))},
        {"HitGroundExplosion", unsigned8(sg::groundExplosion(lo))},
        {"TearOff", unsigned8(sg::tearOff(lo))},
        {"BombRelease", unsigned8(sg::bombRelease(lo))},
        {"Hit2", bigEndian16(sg::hitWood(hi), 44100)},
        {"SCEngineloop.wav", canonicalWav(sg::rotaryRunningLoop())},
        {"ExitCanopy", unsigned8(sg::leaveCockpit(lo))},
        {"WaterSplash", unsigned8(sg::waterSplash(lo))},
        {"blitidle.wav", canonicalWav(sg::rotaryBlipIdleLoop())},
        {"PlayRequest", bigEndian16(sg::requestBell(lo), 22050)},
        {"SCEngineOutsideloop.wav", canonicalWav(sg::rotaryOutsideLoop())},
        {"ChuteOpens", unsigned8(sg::chuteOpens(lo))},
        {"flybysound1.wav", canonicalWav(sg::rotaryFlyBy())},
        {"windsound.wav", wav22(sg::windLoop(lo))},
        {"guyhitsground", unsigned8(sg::bodyHitsGround(lo))},
        {"ess.wav", wav22(sg::escapingSteam(lo))},
        {"SCEngineStartUp.wav", canonicalWav(sg::rotaryStartUp())},
        {"SCEngineShutDown.wav", canonicalWav(sg::engineShutDown())},
        {"Hit3.wav", canonicalWav(sg::hitFabricTear(hi))},
        {"Hit4.wav", canonicalWav(sg::hitWoodAndMetal(hi))},
        {"Flak1.wav", canonicalWav(sg::flakNear(hi))},
        {"Flak2.wav", canonicalWav(sg::flakFar(hi))},
        {"FK7InlineIdle.wav", canonicalWav(sg::inlineIdleLoop())},
        {"FK7InlineEngine.wav", canonicalWav(sg::inlineRunningLoop())},
        {"FK7InlineOutsideEngine.wav", canonicalWav(sg::inlineOutsideLoop())},
        {"FK7EngineStartUp.wav", canonicalWav(sg::inlineStartUp())},
        {"gunjam2.wav", canonicalWav(sg::gunJam(hi))},
        {"fixgun.wav", canonicalWav(sg::clearGunJam(hi))},
        {"tapshorn.wav", canonicalWav(sg::tapsBugle(hi))},
    };
    bool ok = true;
    for (const Item& item : items) ok = write(folder, item.name, item.bytes) && ok;
    return ok ? 0 : 1;
}
