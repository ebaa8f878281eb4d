// Start-up of the sound object: which copy of each sound is loaded, sound 15, missing files,
// the shared values taken from the device's format, and the sounds our generator ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sound/PellamSound.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using namespace soundtest;

std::unique_ptr<SoundGuy> makeSounds(platform::AudioStreamFormat format, FakeAudioOutput** device = nullptr,
                                     bool open = true) {
    auto sounds = std::make_unique<PellamSound>([=]() {
        auto d = std::make_unique<FakeAudioOutput>(format, open);
        if (device) *device = d.get();
        return d;
    });
    sounds->init();
    return sounds;
}

TEST(SoundLoading, UserCopyWinsOnlyWhenItIsACanonicalWav) {
    ScopedAppFolder app("user");
    // Bundle copies: an 8-bit "Hit3.wav" would be refused by the WAV reader, so give the bundle a
    // canonical WAV of value 1000 and the user folder various copies.
    writeFile(app.bundleSounds() / "Hit3.wav", makeWav(constantSamples(1000, 1000)));
    writeFile(app.bundleSounds() / "Hit4.wav", makeWav(constantSamples(1000, 1000)));
    writeFile(app.bundleSounds() / "Flak1.wav", makeWav(constantSamples(1000, 1000)));
    writeFile(app.bundleSounds() / "Flak2.wav", makeWav(constantSamples(1000, 1000)));
    writeFile(app.bundleSounds() / "gunjam2.wav", makeWav(constantSamples(1000, 1000)));
    WavShape stereo;
    stereo.channels = 2;
    WavShape eightBit;
    eightBit.bits = 8;
    WavShape slow;
    slow.rate = 22050;
    writeFile(app.userSounds() / "Hit3.wav", makeWav(constantSamples(1000, 2000), stereo));
    writeFile(app.userSounds() / "Hit4.wav", makeWav(constantSamples(1000, 2000), eightBit));
    writeFile(app.userSounds() / "Flak1.wav", makeWav(constantSamples(1000, 2000), slow));
    writeFile(app.userSounds() / "Flak2.wav", makeWav(constantSamples(100, 2000)));  // too short
    writeFile(app.userSounds() / "gunjam2.wav", makeWav(constantSamples(900, 2000)));

    auto sounds = makeSounds(floatFormat(44100, 2));
    for (int refused : {33, 34, 35, 36}) {
        ASSERT_EQ(sounds->rawSound(refused).size(), 1000u) << refused;
        EXPECT_EQ(sounds->rawSound(refused)[0], 1000 / 32768.0f) << refused;
    }
    ASSERT_EQ(sounds->rawSound(41).size(), 900u);
    EXPECT_EQ(sounds->rawSound(41)[0], 2000 / 32768.0f);
}

TEST(SoundLoading, BundleReadersAreChosenBySound) {
    ScopedAppFolder app("bundle");
    Bytes snd(42, 0);
    for (int k = 0; k < 1000; ++k) snd.push_back(255);
    writeFile(app.bundleSounds() / "initsound", snd);
    writeFile(app.bundleSounds() / "GearUp", snd);
    Bytes be(80, 0);
    for (int k = 0; k < 500; ++k) {
        be.push_back(0x40);
        be.push_back(0x00);
    }
    writeFile(app.bundleSounds() / "Hit2", be);         // 44 kHz
    writeFile(app.bundleSounds() / "PlayRequest", be);  // 22 kHz
    Bytes wind(44, 0);
    for (int k = 0; k < 500; ++k) {
        wind.push_back(0x00);
        wind.push_back(0xC0);
    }
    writeFile(app.bundleSounds() / "windsound.wav", wind);
    writeFile(app.bundleSounds() / "Hit1", makeWav(constantSamples(1000, 300)));

    auto sounds = makeSounds(floatFormat(44100, 2));
    EXPECT_EQ(sounds->rawSound(0).size(), 2000u);
    EXPECT_EQ(sounds->rawSound(0)[0], 1.0f);
    EXPECT_EQ(sounds->rawSound(2).size(), 2000u);
    EXPECT_EQ(sounds->rawSound(16).size(), 500u);
    EXPECT_EQ(sounds->rawSound(16)[0], 0.5f);
    EXPECT_EQ(sounds->rawSound(24).size(), 1000u);
    EXPECT_EQ(sounds->rawSound(28).size(), 1000u);
    EXPECT_EQ(sounds->rawSound(28)[0], -0.5f);
    EXPECT_EQ(sounds->rawSound(6).size(), 1000u);
    EXPECT_FALSE(sounds->isLoaded(5)) << "no file anywhere";
    EXPECT_TRUE(sounds->rawSound(5).empty());
    EXPECT_TRUE(sounds->rawSound(18).empty());
    EXPECT_TRUE(sounds->rawSound(-1).empty());
    EXPECT_TRUE(sounds->rawSound(50).empty());
}

TEST(SoundLoading, SoundFifteenIsSoundZeroAgainFromEitherCopy) {
    {
        ScopedAppFolder app("fifteen_bundle");
        Bytes snd(42, 0);
        for (int k = 0; k < 300; ++k) snd.push_back(static_cast<uint8_t>(k));
        writeFile(app.bundleSounds() / "initsound", snd);
        auto sounds = makeSounds(floatFormat(44100, 2));
        ASSERT_EQ(sounds->rawSound(0).size(), 600u);
        EXPECT_EQ(sounds->rawSound(15), sounds->rawSound(0));
        EXPECT_NE(sounds->rawSound(15).data(), sounds->rawSound(0).data());
        EXPECT_TRUE(sounds->isLoaded(15));
    }
    {
        ScopedAppFolder app("fifteen_user");
        app.writeAllUserSounds(1000);
        auto sounds = makeSounds(floatFormat(44100, 2));
        ASSERT_EQ(sounds->rawSound(15).size(), 1000u);
        EXPECT_EQ(sounds->rawSound(15)[0], userValue(0));
        EXPECT_EQ(sounds->rawSound(15), sounds->rawSound(0));
    }
}

TEST(SoundLoading, DeviceFormatSetsRateFactorFrameSizeAndWhetherSoundCanPlay) {
    ScopedAppFolder app("format");
    FakeAudioOutput* device = nullptr;
    auto at48 = makeSounds(floatFormat(48000, 2), &device);
    EXPECT_DOUBLE_EQ(at48->getSampleRateMod(), 0.91875);
    EXPECT_TRUE(at48->canDoSound());
    EXPECT_TRUE(at48->isRunning());
    EXPECT_EQ(device->starts, 1);

    auto at44 = makeSounds(floatFormat(44100, 2));
    EXPECT_EQ(at44->getSampleRateMod(), 1.0);
    EXPECT_EQ(at44->getBytesPerFrame(), 8);

    auto eight = makeSounds(floatFormat(44100, 8));
    EXPECT_TRUE(eight->canDoSound());
    EXPECT_EQ(eight->getBytesPerFrame(), 32);

    for (auto format : {floatFormat(44100, 6), floatFormat(44100, 2, 16)}) {
        auto unusable = makeSounds(format, &device);
        EXPECT_FALSE(unusable->canDoSound());
        EXPECT_FALSE(unusable->isRunning());
        EXPECT_EQ(device->starts, 0);
    }
}

TEST(SoundLoading, NoDeviceRunsSilentAndStillFillsChannels) {
    ScopedAppFolder app("nodevice");
    app.writeAllUserSounds(2000);
    auto closed = makeSounds(floatFormat(0, 0, 0), nullptr, false);
    EXPECT_FALSE(closed->canDoSound());
    EXPECT_FALSE(closed->isRunning());
    closed->setAppGlobalVolume(1.0);
    closed->setOtherItemsVolume(1.0);
    EXPECT_EQ(closed->placeSingleSound(14, 255), 0);
    EXPECT_EQ(closed->mixerState().PlaySounds[0].SoundID, 14);
    closed->setCoreAudioOnOff(true);
    EXPECT_FALSE(closed->isRunning());

    SoundGuy none{SoundGuy::DeviceOpener{}};
    none.init();
    EXPECT_FALSE(none.canDoSound());
    EXPECT_TRUE(none.isLoaded(14));
}

// The files our generator writes into the build's data folder, read as the game reads them.
TEST(SoundLoading, GeneratedSoundsAllLoadThroughTheirReaders) {
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
}

// A loop must meet itself: the step from its last sample to its first is no larger than all but
// the sharpest of its own steps.
TEST(SoundLoading, GeneratedLoopsRepeatWithoutAClick) {
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    platform::setApplicationFolder(build);
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    sounds.init();
    platform::setApplicationFolder("");
    for (int loop : {1, 5, 17, 22, 25, 28, 37, 38, 39}) {
        const auto& s = sounds.rawSound(loop);
        ASSERT_GT(s.size(), 2u);
        std::vector<float> steps;
        for (size_t k = 1; k < s.size(); ++k) steps.push_back(std::fabs(s[k] - s[k - 1]));
        const size_t rank = steps.size() * 995 / 1000;
        std::nth_element(steps.begin(), steps.begin() + rank, steps.end());
        EXPECT_LE(std::fabs(s.front() - s.back()), steps[rank] + 1e-6) << "loop " << loop;
    }
}

}  // namespace
}  // namespace pellam
