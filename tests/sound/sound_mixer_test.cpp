// The mixer on hand-made channel tables: positions, ends, wraps, pitch, summing, panning and
// the guards. Samples are ramps (sample k = k) so the value mixed names the position read.
#include <gtest/gtest.h>

#include <numeric>

#include "sound/SoundMixer.h"

namespace pellam {
namespace {

struct Mixer {
    SoundMixerState state;
    Mixer() {
        state.PlaySounds[0].Valid1 = kMixerValid1;
        state.PlaySounds[0].Valid2 = kMixerValid2;
    }
    PlaySoundDef& play(int channel, const std::vector<float>& samples, char once, double gain = 1.0, double pitch = 1.0) {
        PlaySoundDef& ch = state.PlaySounds[channel];
        ch.SoundID = channel;
        ch.CurrentIndexIntoSample = 0.0;
        ch.PlayOnce = once;
        ch.LeftVolume = ch.RightVolume = gain;
        ch.Pitch = pitch;
        ch.Samples = static_cast<int32_t>(samples.size());
        ch.SoundData = &samples;
        ch.PlaySoundPtr = samples.data();
        return ch;
    }
    // Frames of interleaved floats, pre-filled with 99 so that anything left unwritten shows.
    std::vector<float> mix(uint32_t frames, double sampleTime = 1.0) {
        std::vector<float> out(frames * state.myBytesPerFrame / 4, 99.0f);
        flightSimSoundMixer(out.data(), static_cast<uint32_t>(out.size() * 4), sampleTime, &state);
        return out;
    }
};

std::vector<float> ramp(size_t n) {
    std::vector<float> v(n);
    std::iota(v.begin(), v.end(), 0.0f);
    return v;
}

TEST(SoundMixer, OneShotPlaysEverySampleOnceAndFreesItsChannelOnTheLast) {
    Mixer m;
    const auto sound = ramp(1000);
    m.play(0, sound, 1);
    const auto out = m.mix(999);
    for (int f = 0; f < 999; ++f) ASSERT_EQ(out[2 * f], static_cast<float>(f));
    EXPECT_NE(m.state.PlaySounds[0].PlaySoundPtr, nullptr);
    const auto last = m.mix(2);
    EXPECT_EQ(last[0], 999.0f);
    EXPECT_EQ(m.state.PlaySounds[0].PlaySoundPtr, nullptr);
    EXPECT_EQ(m.state.PlaySounds[0].SoundID, -1);
    EXPECT_EQ(m.state.PlaySounds[0].SoundData, nullptr);
    EXPECT_EQ(last[2], 0.0f);  // nothing plays after it
}

TEST(SoundMixer, LoopCarriesTheFractionOverTheWrap) {
    Mixer m;
    const auto sound = ramp(1000);
    PlaySoundDef& ch = m.play(0, sound, 0, 1.0, 1.5);
    ch.CurrentIndexIntoSample = 999.0;
    const auto out = m.mix(3);
    EXPECT_EQ(out[0], 999.0f);
    EXPECT_EQ(out[2], 0.0f);  // position 0.5
    EXPECT_EQ(out[4], 2.0f);  // position 2.0
    EXPECT_DOUBLE_EQ(ch.CurrentIndexIntoSample, 3.5);
    EXPECT_NE(ch.PlaySoundPtr, nullptr);
}

TEST(SoundMixer, PitchAndDeviceRateSetTheStep) {
    Mixer m;
    const auto sound = ramp(100);
    m.play(0, sound, 0, 1.0, 2.0);
    const auto doubled = m.mix(4);
    EXPECT_EQ(doubled[0], 0.0f);
    EXPECT_EQ(doubled[2], 2.0f);
    EXPECT_EQ(doubled[6], 6.0f);

    Mixer slow;
    slow.state.SampleRateMod = 44100.0 / 48000.0;
    slow.play(0, sound, 0);
    const auto out = slow.mix(13);
    // Steps of 0.91875: sample 0 is heard at frames 0 and 1; frame 12 is at position 11.025.
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[4], 1.0f);
    EXPECT_EQ(out[2 * 11], 10.0f);
    EXPECT_EQ(out[2 * 12], 11.0f);
    EXPECT_NEAR(slow.state.PlaySounds[0].CurrentIndexIntoSample, 13 * 0.91875, 1e-9);
}

TEST(SoundMixer, EightChannelsSumWithoutLimitAndEightChannelDevicesGetZerosAfterThePair) {
    Mixer m;
    const std::vector<float> full(50, 1.0f);
    for (int c = 0; c < 8; ++c) m.play(c, full, 0);
    const auto stereo = m.mix(2);
    EXPECT_EQ(stereo[0], 8.0f);
    EXPECT_EQ(stereo[1], 8.0f);

    m.state.myBytesPerFrame = 32;
    m.state.PlaySounds[1].LeftVolume = 0.5;
    m.state.PlaySounds[1].RightVolume = 0.25;
    const auto eight = m.mix(2);
    ASSERT_EQ(eight.size(), 16u);
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(eight[8 * f], 7.5f);
        EXPECT_EQ(eight[8 * f + 1], 7.25f);
        for (int k = 2; k < 8; ++k) EXPECT_EQ(eight[8 * f + k], 0.0f);
    }
}

TEST(SoundMixer, SweepsPanAcrossTheSound) {
    Mixer m;
    const std::vector<float> full(1000, 1.0f);
    PlaySoundDef& right = m.play(0, full, 1);
    right.PanEffect = 1;
    right.PanPosition = 0.6;
    right.CurrentIndexIntoSample = 250.0;
    auto out = m.mix(1);
    EXPECT_FLOAT_EQ(out[0], 0.6f);
    EXPECT_FLOAT_EQ(out[1], 0.3f);
    right.CurrentIndexIntoSample = 750.0;
    out = m.mix(1);
    EXPECT_FLOAT_EQ(out[0], 0.3f);
    EXPECT_FLOAT_EQ(out[1], 0.6f);

    right.PanEffect = 2;  // the mirror image
    right.CurrentIndexIntoSample = 250.0;
    out = m.mix(1);
    EXPECT_FLOAT_EQ(out[0], 0.3f);
    EXPECT_FLOAT_EQ(out[1], 0.6f);
}

TEST(SoundMixer, GuardsWriteSilence) {
    Mixer m;
    const std::vector<float> full(100, 1.0f);
    m.play(0, full, 0);
    for (float v : m.mix(4, 0.0)) EXPECT_EQ(v, 0.0f) << "no time stamp";

    std::vector<float> buffer(8, 99.0f);
    flightSimSoundMixer(buffer.data(), 32, 1.0, nullptr);
    for (float v : buffer) EXPECT_EQ(v, 0.0f) << "no table";

    m.state.PlaySounds[0].Valid2 = 7;
    for (float v : m.mix(4)) EXPECT_EQ(v, 0.0f) << "damaged table";
    EXPECT_EQ(flightSimSoundMixer(nullptr, 64, 1.0, &m.state), 0);

    m.state.PlaySounds[0].Valid2 = kMixerValid2;
    m.state.myBytesPerFrame = 4;  // too small for the pair of floats
    for (float v : m.mix(4)) EXPECT_EQ(v, 0.0f);
}

TEST(SoundMixer, TinyLoopsAtTopPitchNeverReadOutsideTheSound) {
    Mixer m;
    m.state.SampleRateMod = 44100.0 / 8000.0;  // a slow device makes the step larger still
    const std::vector<float> one{0.25f};
    const std::vector<float> two{0.5f, -0.5f};
    m.play(0, one, 0, 1.0, 2.288818359375);
    m.play(1, two, 0, 1.0, 2.288818359375);
    for (int buffer = 0; buffer < 20; ++buffer) {
        const auto out = m.mix(64);
        for (int f = 0; f < 64; ++f) {
            ASSERT_TRUE(out[2 * f] == 0.75f || out[2 * f] == -0.25f) << out[2 * f];
        }
        for (int c = 0; c < 2; ++c) {
            const PlaySoundDef& ch = m.state.PlaySounds[c];
            ASSERT_GE(ch.CurrentIndexIntoSample, 0.0);
            ASSERT_LT(ch.CurrentIndexIntoSample, ch.Samples);
        }
    }
}

TEST(SoundMixer, ChannelWithoutSamplesOrWithABadPositionIsMadeSafe) {
    Mixer m;
    const std::vector<float> sound(10, 0.5f);
    PlaySoundDef& empty = m.play(0, sound, 0);
    empty.Samples = 0;
    PlaySoundDef& lost = m.play(1, sound, 0);
    lost.CurrentIndexIntoSample = 1e12;
    const auto out = m.mix(1);
    EXPECT_EQ(empty.PlaySoundPtr, nullptr);
    EXPECT_EQ(out[0], 0.5f);  // the lost channel starts over at 0
}

}  // namespace
}  // namespace pellam
