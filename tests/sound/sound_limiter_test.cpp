// The output stage's limiter: a crash beside the camera piles loud sounds into every channel, and
// the mixer adds them up as it always has; what reaches the device stays within full scale and is
// still loud, and the gain comes home once the noise has passed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/audio/PeakLimiter.h"
#include "sound/PellamSound.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using namespace soundtest;

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
