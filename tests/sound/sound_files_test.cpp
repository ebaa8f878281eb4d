// Sound files: what the WAV reader accepts and refuses, the fixed-header readers' counts and
// values, which copy of a sound start-up loads, and the sounds our generator ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sound/SoundReaders.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using namespace soundtest;

std::vector<int16_t> pattern(size_t n) {
    std::vector<int16_t> v(n);
    for (size_t k = 0; k < n; ++k) v[k] = static_cast<int16_t>(k * 37 - 16000);
    return v;
}

TEST(SoundReaders, CanonicalWavIsReadSampleBySampleAndNothingElseIsAccepted) {
    auto samples = pattern(1000);
    samples[0] = -32768;
    samples[1] = 32767;
    const auto out = soundfile::readCanonicalWav(makeWav(samples));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 1000u);
    for (size_t k = 0; k < samples.size(); ++k) ASSERT_EQ((*out)[k], samples[k] / 32768.0f);

    for (const WavShape& shape : {WavShape{.channels = 2}, WavShape{.rate = 22050}, WavShape{.bits = 8},
                                  WavShape{.declaredDataBytes = 0}, WavShape{.declaredDataBytes = 2000001}})
        EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(samples, shape)));
    EXPECT_FALSE(soundfile::readCanonicalWav(makeWav(pattern(700))));  // 1,444 bytes
    EXPECT_TRUE(soundfile::readCanonicalWav(makeWav(pattern(728))));   // 1,500 bytes
    for (size_t at : {size_t{0}, size_t{10}}) {  // "RIFF", "WAVE"
        Bytes damaged = makeWav(samples);
        damaged[at] = 'X';
        EXPECT_FALSE(soundfile::readCanonicalWav(damaged));
    }

    // The data tag is looked for within the first 1,024 bytes; a size past the end is cut.
    EXPECT_EQ(soundfile::readCanonicalWav(makeWav(samples, {.extraChunk = true})).value_or(std::vector<float>{}).size(), 1000u);
    for (size_t tagAt : {size_t{1023}, size_t{1024}}) {
        Bytes moved = makeWav(samples);
        moved.insert(moved.begin() + 36, tagAt - 36, 0x20);
        EXPECT_EQ(soundfile::readCanonicalWav(moved).has_value(), tagAt < 1024) << tagAt;
    }

    auto file = makeWav(pattern(1001), {.declaredDataBytes = 1000000});
    file.push_back(0x7F);  // an odd byte at the end is not half a sample
    const auto cut = soundfile::readCanonicalWav(file);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->size(), 1001u);
    EXPECT_EQ(cut->back(), pattern(1001).back() / 32768.0f);
}

// Each reader on a file ending in half a sample, and on a bare or short header.
TEST(SoundReaders, FixedHeaderReadersScaleRepeatAndStopAtTheEnd) {
    Bytes u8(42, 0xEE);
    for (int k = 0; k < 256; ++k) u8.push_back(static_cast<uint8_t>(k));
    const auto at22 = soundfile::readUnsigned8At22k(u8);
    ASSERT_EQ(at22.size(), 512u);
    EXPECT_EQ(at22[2 * 255], 1.0f);
    EXPECT_TRUE(soundfile::readUnsigned8At22k(Bytes(10, 1)).empty());

    Bytes hi(44, 0xEE);
    for (uint8_t top : {0x80, 0x7F, 0xC0}) {
        hi.push_back(0x55);  // low byte, ignored
        hi.push_back(top);
    }
    hi.push_back(0x40);
    const std::vector<float> high = soundfile::readHigh8Of16At22k(hi, 44);
    EXPECT_EQ(high, (std::vector<float>{-1.0f, -1.0f, 127 / 128.0f, 127 / 128.0f, -0.5f, -0.5f, 0.0f}));

    Bytes be(80, 0xEE);
    for (uint16_t v : {0x8000, 0x7FFF, 0xFFFF}) {
        be.push_back(static_cast<uint8_t>(v >> 8));
        be.push_back(static_cast<uint8_t>(v));
    }
    be.push_back(0x12);  // half a sample: dropped
    const std::vector<float> at44 = soundfile::readBigEndian16At44k(be);
    EXPECT_EQ(at44, (std::vector<float>{-1.0f, 32767 / 32768.0f, -1 / 32768.0f}));
    EXPECT_EQ(soundfile::readBigEndian16At22k(be).size(), 6u);
    EXPECT_TRUE(soundfile::readBigEndian16At44k(Bytes(80, 0)).empty());

    Bytes five(44, 0);
    five.push_back(0);
    five.push_back(192);
    const auto at5 = soundfile::readUnsigned8At5k(five);
    ASSERT_EQ(at5.size(), 16u);
    EXPECT_EQ(at5[7], -1.0f);
    EXPECT_EQ(at5[8], 0.5f);
}

TEST(SoundLoading, UserCopyWinsOnlyWhenCanonicalAndSoundFifteenRepeatsSoundZero) {
    ScopedAppFolder app("user");
    const struct {
        const char* name;
        Bytes user;
    } copies[] = {{"Hit3.wav", makeWav(constantSamples(1000, 2000), {.channels = 2})},
                  {"Flak2.wav", makeWav(constantSamples(100, 2000))},  // too short
                  {"gunjam2.wav", makeWav(constantSamples(900, 2000))}};
    for (const auto& c : copies) {
        writeFile(app.bundleSounds() / c.name, makeWav(constantSamples(1000, 1000)));
        writeFile(app.userSounds() / c.name, c.user);
    }
    Bytes snd(42, 0);
    for (int k = 0; k < 300; ++k) snd.push_back(static_cast<uint8_t>(k));
    writeFile(app.bundleSounds() / "initsound", snd);

    auto sounds = makeSounds(floatFormat(44100, 2));
    for (int refused : {33, 36}) {
        ASSERT_EQ(sounds->rawSound(refused).size(), 1000u) << refused;
        EXPECT_EQ(sounds->rawSound(refused)[0], 1000 / 32768.0f) << refused;
    }
    ASSERT_EQ(sounds->rawSound(41).size(), 900u);
    EXPECT_EQ(sounds->rawSound(41)[0], 2000 / 32768.0f);
    ASSERT_EQ(sounds->rawSound(0).size(), 600u);
    EXPECT_EQ(sounds->rawSound(15), sounds->rawSound(0));
    EXPECT_NE(sounds->rawSound(15).data(), sounds->rawSound(0).data());
    EXPECT_FALSE(sounds->isLoaded(5)) << "no file anywhere";
    for (int outside : {-1, 18, 50}) EXPECT_TRUE(sounds->rawSound(outside).empty()) << outside;

    ScopedAppFolder all("user_all");
    all.writeAllUserSounds(1000);
    auto fromUser = makeSounds(floatFormat(44100, 2));
    EXPECT_EQ(fromUser->rawSound(15)[0], userValue(0));
    EXPECT_EQ(fromUser->rawSound(15), fromUser->rawSound(0));
}

// Only a float device with a pair of channels or eight can play; a 48 kHz one steps more slowly.
TEST(SoundLoading, DeviceFormatSetsRateFactorAndWhetherSoundCanPlay) {
    ScopedAppFolder app("format");
    const struct { platform::AudioStreamFormat format; bool plays; } devices[] = {
        {floatFormat(48000, 2), true}, {floatFormat(44100, 8), true},
        {floatFormat(44100, 6), false}, {floatFormat(44100, 2, 16), false}};
    for (const auto& d : devices) {
        FakeAudioOutput* device = nullptr;
        auto sounds = makeSounds(d.format, &device);
        EXPECT_EQ(sounds->canDoSound(), d.plays);
        EXPECT_EQ(device->starts, d.plays ? 1 : 0);
    }
    EXPECT_DOUBLE_EQ(makeSounds(floatFormat(48000, 2))->getSampleRateMod(), 0.91875);
}

// The files our generator writes into the build's data folder, read as the game reads them; a
// loop must meet itself: the step from its last sample to its first is no larger than all but
// the sharpest of its own steps.
TEST(SoundLoading, GeneratedSoundsLoadAudibleCentredAndLoopWithoutAClick) {
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    platform::setApplicationFolder(build);
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    sounds.init();
    platform::setApplicationFolder("");
    for (int k = 0; k <= SoundGuy::kLastSound; ++k) {
        if (k == 18 || k == 19 || k == 23) continue;
        const auto& s = sounds.rawSound(k);
        ASSERT_TRUE(sounds.isLoaded(k)) << "sound " << k;
        EXPECT_GT(s.size(), 4410u) << "sound " << k << " is shorter than 0.1 s";
        float peak = 0;
        double mean = 0;
        for (float x : s) {
            peak = std::max(peak, std::fabs(x));
            mean += x;
        }
        mean /= static_cast<double>(s.size());
        EXPECT_GT(peak, 0.3f) << "sound " << k << " is nearly silent";
        EXPECT_LE(peak, 1.0f) << "sound " << k;
        EXPECT_LT(std::fabs(mean), 0.02) << "sound " << k << " sits off its zero";
    }
    for (int loop : {1, 5, 17, 22, 25, 28, 37, 38, 39}) {
        const auto& s = sounds.rawSound(loop);
        std::vector<float> steps;
        for (size_t k = 1; k < s.size(); ++k) steps.push_back(std::fabs(s[k] - s[k - 1]));
        const size_t rank = steps.size() * 995 / 1000;
        std::nth_element(steps.begin(), steps.begin() + rank, steps.end());
        EXPECT_LE(std::fabs(s.front() - s.back()), steps[rank] + 1e-6) << "loop " << loop;
    }
}

}  // namespace
}  // namespace pellam
