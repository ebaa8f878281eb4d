// The mixer on hand-made channel tables: positions, ends, wraps, pitch, summing, panning and
// the guards; samples are ramps (sample k = k) so the value mixed names the position read. Then
// the playing operations on a loaded sound object with a scripted device: channel choice, loops,
// pitch, muting, the gains, the hit-sound variants and the device following the application.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <set>

#include "platform/Beep.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "sound/SoundMixer.h"
#include "tests/sound/SoundTestSupport.h"

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

TEST(SoundMixer, OneShotPlaysEverySampleOnceAndFreesItsChannelALoopWraps) {
    Mixer m;
    const auto sound = ramp(1000);
    m.play(0, sound, 1);
    const auto out = m.mix(999);
    for (int f = 0; f < 999; ++f) ASSERT_EQ(out[2 * f], static_cast<float>(f));
    const auto last = m.mix(2);
    EXPECT_EQ(last[0], 999.0f);
    EXPECT_EQ(m.state.PlaySounds[0].PlaySoundPtr, nullptr);
    EXPECT_EQ(m.state.PlaySounds[0].SoundID, -1);
    EXPECT_EQ(last[2], 0.0f);  // nothing plays after it

    // A loop carries the fraction over the wrap.
    PlaySoundDef& ch = m.play(0, sound, 0, 1.0, 1.5);
    ch.CurrentIndexIntoSample = 999.0;
    const auto wrap = m.mix(3);
    EXPECT_EQ(wrap[0], 999.0f);
    EXPECT_EQ(wrap[2], 0.0f);  // position 0.5
    EXPECT_EQ(wrap[4], 2.0f);  // position 2.0
    EXPECT_DOUBLE_EQ(ch.CurrentIndexIntoSample, 3.5);
}

TEST(SoundMixer, PitchAndDeviceRateSetTheStep) {
    Mixer m;
    const auto sound = ramp(100);
    m.play(0, sound, 0, 1.0, 2.0);
    EXPECT_EQ(m.mix(4)[6], 6.0f);

    Mixer slow;
    slow.state.SampleRateMod = 44100.0 / 48000.0;
    slow.play(0, sound, 0);
    const auto out = slow.mix(13);
    // Steps of 0.91875: sample 0 is heard at frames 0 and 1; frame 12 is at position 11.025.
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[4], 1.0f);
    EXPECT_EQ(out[2 * 12], 11.0f);
    EXPECT_NEAR(slow.state.PlaySounds[0].CurrentIndexIntoSample, 13 * 0.91875, 1e-9);
}

TEST(SoundMixer, EightChannelsSumWithoutLimitAndEightChannelDevicesGetZerosAfterThePair) {
    Mixer m;
    const std::vector<float> full(50, 1.0f);
    for (int c = 0; c < 8; ++c) m.play(c, full, 0);
    EXPECT_EQ(m.mix(2)[1], 8.0f);

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

    // A channel without samples is freed; one lost far past its end starts over at 0.
    Mixer b;
    const std::vector<float> half(10, 0.5f);
    PlaySoundDef& empty = b.play(0, half, 0);
    empty.Samples = 0;
    b.play(1, half, 0).CurrentIndexIntoSample = 1e12;
    EXPECT_EQ(b.mix(1)[0], 0.5f);
    EXPECT_EQ(empty.PlaySoundPtr, nullptr);
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

class SoundPlaying : public ::testing::Test {
protected:
    void SetUp() override {
        app_.writeAllUserSounds(2000);
        sounds_ = soundtest::makeSounds(soundtest::floatFormat(44100, 2), &device_);
        soundtest::setAllVolumes(*sounds_, 1.0);
    }
    PlaySoundDef& channel(int k) { return sounds_->mixerState().PlaySounds[k]; }
    int channelOf(int sound) {
        for (int k = 0; k < kSoundChannels; ++k)
            if (channel(k).SoundID == sound) return k;
        return -1;
    }
    int busy() {
        int n = 0;
        for (int k = 0; k < kSoundChannels; ++k) n += channel(k).SoundID >= 0;
        return n;
    }
    void freeAll() {
        for (int k = 0; k < kSoundChannels; ++k) freeSoundChannel(channel(k));
    }

    int32_t ticks_ = 1000;
    platform::ScopedTickSource clock_{[this] { return ticks_; }};
    soundtest::ScopedAppFolder app_{"playing"};
    soundtest::FakeAudioOutput* device_ = nullptr;
    std::unique_ptr<SoundGuy> sounds_;
};

TEST_F(SoundPlaying, OneShotsFillFromTheLowestChannelWithTheirGainAndReportOnlyAFullTable) {
    sounds_->setOtherItemsVolume(0.5);
    sounds_->setAppGlobalVolume(0.5);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(sounds_->placeSingleSound(14, 255), 0);
    EXPECT_EQ(busy(), 8);
    EXPECT_EQ(channel(7).StartTime, 1000);
    EXPECT_DOUBLE_EQ(channel(7).LeftVolume, 0.7);  // 255/255 x 2.8 x 0.5 x 0.5
    channel(3).CurrentIndexIntoSample = 123.0;
    EXPECT_EQ(sounds_->placeSingleSound(9, 100), 1);
    EXPECT_EQ(channel(3).CurrentIndexIntoSample, 123.0);
    EXPECT_EQ(channelOf(9), -1);
    EXPECT_GT(device_->locks, 0) << "channels are written with the device locked";

    freeAll();
    for (int bad : {-5, -1, 18, 44, 49, 50, 1000000}) {
        EXPECT_EQ(sounds_->placeSingleSound(bad, 200), 0);
        sounds_->SetContinousVolume(bad, 200);
        sounds_->SetEngineAmpRate(bad, 100000);
    }
    EXPECT_EQ(busy(), 0);

    sounds_->setOtherItemsVolume(3.0);  // clamped to 1
    sounds_->setAppGlobalVolume(std::nan(""));
    sounds_->placeSingleSound(14, 255);
    EXPECT_EQ(channel(0).LeftVolume, 0.0) << "a silent one-shot still takes a channel";
}

TEST_F(SoundPlaying, HitSoundsVaryPanAndComeAtMostTwiceASecond) {
    platform::seedRandom(11);
    std::set<int> heard;
    for (int k = 0; k < 40; ++k) {
        ticks_ += 30;
        EXPECT_EQ(sounds_->placeSingleSound(6, 255), 0);
        const PlaySoundDef& hit = channel(0);
        heard.insert(hit.SoundID);
        EXPECT_TRUE(hit.LeftVolume == 1.0 || hit.RightVolume == 1.0) << "one side at full gain";
        freeAll();
    }
    EXPECT_EQ(heard, (std::set<int>{6, 16, 33, 34}));

    ticks_ += 30;
    sounds_->placeSingleSound(6, 200);
    ticks_ += 29;
    sounds_->placeSingleSound(6, 200);
    EXPECT_EQ(busy(), 1) << "the second hit came 29 ticks after the first";
    ticks_ += 1;
    sounds_->placeSingleSound(6, 200);
    sounds_->placeSingleSound(14, 200);  // other sounds are not spaced
    sounds_->placeSingleSound(14, 200);
    EXPECT_EQ(busy(), 4);
}

TEST_F(SoundPlaying, LoopStartsFromTheTopChangesInPlaceAndStops) {
    sounds_->SetContinousVolume(22, 180);
    const int c = channelOf(22);
    ASSERT_EQ(c, 7) << "a loop takes the last free channel";
    channel(c).CurrentIndexIntoSample = 500.0;
    channel(c).Pitch = 1.7;
    sounds_->SetContinousVolume(22, 140);
    EXPECT_DOUBLE_EQ(channel(c).LeftVolume, 140 / 255.0);
    EXPECT_EQ(channel(c).CurrentIndexIntoSample, 500.0) << "keeps its place";
    EXPECT_EQ(channel(c).Pitch, 1.7);
    sounds_->SetContinousVolume(22, 0);
    EXPECT_EQ(channel(c).PlaySoundPtr, nullptr);
    sounds_->SetContinousVolume(22, 140);
    EXPECT_EQ(channel(channelOf(22)).CurrentIndexIntoSample, 0.0) << "starts again from the first sample";

    sounds_->SetContinousVolume(5, 1);  // 1/255 is below 0.01
    EXPECT_EQ(channelOf(5), -1);
    sounds_->setGunsVolume(0.5);
    sounds_->setAppGlobalVolume(0.5);
    sounds_->SetContinousVolume(5, 255);
    EXPECT_DOUBLE_EQ(channel(channelOf(5)).LeftVolume, 0.25);

    sounds_->SetEngineAmpRate(22, 200000);
    EXPECT_EQ(channel(channelOf(22)).Pitch, 150000 / 65536.0);
    sounds_->SetEngineAmpRate(22, 0);
    EXPECT_EQ(channel(channelOf(22)).Pitch, 40000 / 65536.0);
    EXPECT_EQ(channel(channelOf(5)).Pitch, 1.0) << "only the sound's own channel";
}

TEST_F(SoundPlaying, NewLoopTakesALastFreeThenAQuietThenTheOldestOneShotChannelElseNothing) {
    for (int k = 0; k < 8; ++k) sounds_->placeSingleSound(14, 100);
    freeSoundChannel(channel(2));
    freeSoundChannel(channel(6));
    sounds_->SetContinousVolume(28, 200);
    EXPECT_EQ(channelOf(28), 6);
    sounds_->placeSingleSound(9, 100);
    EXPECT_EQ(channelOf(9), 2);
    freeAll();

    for (int s : {1, 5, 17, 30, 31, 32}) sounds_->SetContinousVolume(s, 200);  // loops, one engine
    ticks_ = 900;
    sounds_->placeSingleSound(14, 255);
    ticks_ = 800;
    sounds_->placeSingleSound(9, 255);
    ASSERT_EQ(channelOf(9), 1);
    sounds_->SetContinousVolume(28, 200);
    EXPECT_EQ(channelOf(28), 1) << "took the oldest one-shot's channel";
    EXPECT_EQ(channelOf(14), 0);

    channel(5).LeftVolume = channel(5).RightVolume = 0.05;
    const int quietSound = channel(5).SoundID;
    sounds_->SetContinousVolume(41, 200);
    EXPECT_EQ(channelOf(41), 5);
    EXPECT_EQ(channelOf(quietSound), -1);
    freeSoundChannel(channel(0));
    sounds_->SetContinousVolume(40, 200);
    sounds_->SetContinousVolume(42, 200);
    EXPECT_EQ(channelOf(42), -1) << "every channel holds a loop that can be heard";
}

TEST_F(SoundPlaying, EngineSoundsExcludeOneAnotherAndMuteLevelsSilenceTheirGroups) {
    for (int loop : {17, 28, 5, 1}) sounds_->SetContinousVolume(loop, 200);
    sounds_->placeSingleSound(14, 200);
    sounds_->SetContinousVolume(38, 200);  // another engine
    EXPECT_EQ(channelOf(17), -1);
    EXPECT_EQ(channelOf(28), -1);
    for (int kept : {5, 1, 14, 38}) EXPECT_GE(channelOf(kept), 0) << kept;
    sounds_->SetContinousVolume(22, 1);  // scales to silence: nothing else stops
    EXPECT_GE(channelOf(38), 0);

    // Level 1 mutes engines only; level 2 everything new, while a one-shot already playing finishes.
    sounds_->setSoundToggle(1);
    sounds_->SetContinousVolume(38, 200);
    EXPECT_EQ(channelOf(38), -1);
    sounds_->SetContinousVolume(5, 200);
    EXPECT_GE(channelOf(5), 0);
    sounds_->setSoundToggle(2);
    sounds_->placeSingleSound(9, 200);
    sounds_->SetContinousVolume(5, 200);
    EXPECT_EQ(channelOf(9), -1);
    EXPECT_EQ(channelOf(5), -1);
    EXPECT_GE(channelOf(14), 0);
}

TEST_F(SoundPlaying, MixerPlaysWhatTheOperationsPlaceAndTheDeviceFollowsTheApplication) {
    sounds_->placeSingleSound(14, 255);
    sounds_->SetContinousVolume(38, 255);
    const auto out = device_->render(4);
    EXPECT_FLOAT_EQ(out[1], soundtest::userValue(14) + soundtest::userValue(38));

    sounds_->setCoreAudioOnOff(true);  // already running
    sounds_->setCoreAudioOnOff(false);
    sounds_->setCoreAudioOnOff(false);
    EXPECT_EQ(device_->starts * 10 + device_->stops, 11);
    const int c = channelOf(38);
    channel(c).CurrentIndexIntoSample = 700.0;
    sounds_->setCoreAudioOnOff(true);
    EXPECT_EQ(device_->starts, 2);
    EXPECT_EQ(channel(c).CurrentIndexIntoSample, 700.0) << "a loop resumes where it stood";
    sounds_->ExitSoundRoutines();
    sounds_->startSounds();
    EXPECT_FALSE(sounds_->isRunning()) << "detached for good";
}

TEST_F(SoundPlaying, SystemBeepPlaysTheBellWhileTheSoundObjectLives) {
    platform::SystemBeep();
    EXPECT_EQ(channelOf(SoundGuy::kBeepSound), 0);
    sounds_.reset();
    platform::SystemBeep();  // the sound object is gone: only counted
}

}  // namespace
}  // namespace pellam
