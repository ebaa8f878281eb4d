// The sound object on SDL's audio drivers: none at all, and the disk driver, which writes every
// mixed buffer to a file as fast as it is asked for; and the output stage's limiter, which keeps a
// crash that piles loud sounds into every channel within full scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/Random.h"
#include "platform/audio/PeakLimiter.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using namespace soundtest;

TEST(SoundDevice, WithoutADeviceTheGameRunsSilentAndSaysSoOnce) {
    ScopedAppFolder app("silent");
    app.writeAllUserSounds(1000);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    {
        PellamSound first, second;
        first.init();
        second.init();
        setAllVolumes(second, 1.0);
        EXPECT_EQ(second.placeSingleSound(14, 255), 0);
        second.SetContinousVolume(17, 255);
        second.setCoreAudioOnOff(true);
        EXPECT_FALSE(first.canDoSound());
        EXPECT_FALSE(second.isRunning());
    }
    // A device that did not open, and none at all: the sounds still load and fill channels.
    auto closed = makeSounds(floatFormat(0, 0, 0), nullptr, false);
    setAllVolumes(*closed, 1.0);
    EXPECT_EQ(closed->placeSingleSound(14, 255), 0);
    EXPECT_EQ(closed->mixerState().PlaySounds[0].SoundID, 14);
    closed->setCoreAudioOnOff(true);
    EXPECT_FALSE(closed->isRunning());
    SoundGuy none{SoundGuy::DeviceOpener{}};
    none.init();
    EXPECT_FALSE(none.canDoSound());
    EXPECT_TRUE(none.isLoaded(14));
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string line = "the game runs silent";
    const size_t at = said.find(line);
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_EQ(said.find(line, at + 1), std::string::npos) << said;
}

TEST(SoundDevice, DiskDriverRecordsTheMixedSound) {
    ScopedAppFolder app("disk");
    app.writeAllUserSounds(3000);
    // About ten times real time: 1 ms per buffer.
    const auto floats = recordOnDiskDevice("disk_audio", "1", [](PellamSound& sounds) {
        setAllVolumes(sounds, 1.0);
        ASSERT_EQ(sounds.placeSingleSound(14, 255), 0);
        sounds.SetContinousVolume(38, 255);
        sounds.SetEngineAmpRate(38, 131072);
    }, [](const PlaySoundDef& ch) { return ch.SoundID == 14; });  // until the one-shot has played out
    const float both = userValue(14) + userValue(38), loopOnly = userValue(38);
    size_t first = 0;
    while (first < floats.size() && floats[first] == 0.0f) ++first;
    ASSERT_LT(first, floats.size()) << "nothing was heard";
    first &= ~size_t{1};
    // The one-shot of 3,000 samples over the loop; then the loop alone.
    size_t k = first;
    size_t withBoth = 0;
    while (k + 1 < floats.size() && floats[k] == both && floats[k + 1] == both) {
        k += 2;
        ++withBoth;
    }
    EXPECT_EQ(withBoth, 3000u);
    ASSERT_LT(k + 1, floats.size());
    EXPECT_EQ(floats[k], loopOnly);
    EXPECT_EQ(floats[k + 1], loopOnly);
}

// The main thread starting, retuning and stopping channels, 20,000 times as fast as it can, while the device's
// thread mixes them flat out, with sounds of one and two samples at the highest pitch among them:
// any read outside a sound's samples fails the sanitised build.
TEST(SoundDevice, ChannelsChangeHandsSafelyWhileTheDeviceMixes) {
    ScopedAppFolder app("stress");
    for (int k = 0; k < 44; ++k) {
        const char* name = SoundGuy::userFileName(k);
        if (!name) continue;
        // Short sounds, padded into a canonical file by a size that claims only what is wanted.
        const auto frames = static_cast<uint32_t>(1 + k % 3);
        writeFile(app.userSounds() / name, makeWav(constantSamples(800, static_cast<int16_t>(1000 + k)), {.declaredDataBytes = frames * 2}));
    }
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    PellamSound sounds;
    sounds.init();
    ASSERT_TRUE(sounds.isRunning());
    EXPECT_EQ(sounds.rawSound(17).size(), 1u + 17 % 3);
    setAllVolumes(sounds, 1.0);
    platform::seedRandom(3);
    for (int operation = 0; operation < 20000; ++operation) {
        const int32_t r = platform::nextRandom();
        const int sound = r % 44;
        switch ((r >> 8) % 4) {
            case 0: sounds.placeSingleSound(sound, r >> 16 & 255); break;
            case 1: sounds.SetContinousVolume(sound, r >> 16 & 255); break;
            case 2: sounds.SetEngineAmpRate(sound, 150000); break;
            default: sounds.setCoreAudioOnOff((r >> 12 & 7) != 0); break;
        }
    }
    sounds.ExitSoundRoutines();
}

// A full-scale square wave of `frames` samples, 441 Hz at 44.1 kHz.
std::vector<int16_t> loudSquare(size_t frames) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) s[i] = (i / 50) % 2 ? 32000 : -32000;
    return s;
}

TEST(SoundLimiter, EightLoudChannelsReachTheDeviceWithinFullScale) {
    ScopedAppFolder app("limiter");
    app.writeAllUserSounds(100);
    const int loud[] = {7, 8, 11, 12, 14, 21, 30, 41};
    for (int k : loud) writeFile(app.userSounds() / SoundGuy::userFileName(k), makeWav(loudSquare(8000)));
    const auto floats = recordOnDiskDevice("limiter", "0", [&](PellamSound& sounds) {
        sounds.setAppGlobalVolume(1.0);
        sounds.setOtherItemsVolume(1.0);
        for (int k : loud) ASSERT_EQ(sounds.placeSingleSound(k, 255), 0) << k;
    }, [](const PlaySoundDef& ch) { return ch.PlaySoundPtr != nullptr; });
    ASSERT_GT(floats.size(), 16000u);
    float peak = 0.0f;
    for (float f : floats) {
        ASSERT_TRUE(std::isfinite(f));
        peak = std::max(peak, std::fabs(f));
    }
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.95f) << "the crash should still be as loud as the device can play";
}

TEST(SoundLimiter, GainComesHomeAndQuietSoundPassesUnchanged) {
    platform::PeakLimiter limiter(44100.0);
    std::vector<float> burst(2 * 4410);
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = (i / 100) % 2 ? 6.5f : -6.5f;
    burst[7] = std::nanf("");
    limiter.process(burst.data(), burst.size() / 2, 2);
    for (float f : burst) ASSERT_LE(std::fabs(f), 1.0f);
    EXPECT_EQ(burst[7], 0.0f);
    EXPECT_LT(limiter.gain(), 0.2);

    // Two seconds of silence later the gain is home and quiet sound is left exactly as mixed.
    std::vector<float> quiet(2 * 88200, 0.0f);
    limiter.process(quiet.data(), quiet.size() / 2, 2);
    EXPECT_EQ(limiter.gain(), 1.0);
    std::vector<float> music(2 * 1000);
    for (size_t i = 0; i < music.size(); ++i) music[i] = 0.9f * std::sin(0.01f * float(i));
    const std::vector<float> mixed = music;
    limiter.process(music.data(), music.size() / 2, 2);
    EXPECT_EQ(music, mixed);
}

}  // namespace
}  // namespace pellam
