// The playing operations on a loaded sound object with a scripted device: channel choice,
// loops, pitch, muting, the gains, the hit-sound variants and the device following the
// application.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/Beep.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "sound/PellamSound.h"
#include "tests/sound/SoundTestSupport.h"

namespace pellam {
namespace {

using namespace soundtest;

class SoundPlaying : public ::testing::Test {
protected:
    void SetUp() override {
        app_.writeAllUserSounds(2000);
        sounds_ = std::make_unique<PellamSound>([this]() {
            auto d = std::make_unique<FakeAudioOutput>(floatFormat(44100, 2));
            device_ = d.get();
            return d;
        });
        sounds_->init();
        allVolumes(1.0);
    }
    void allVolumes(double v) {
        sounds_->setAppGlobalVolume(v);
        sounds_->setGunsVolume(v);
        sounds_->setEngineVolume(v);
        sounds_->setStallHornVolume(v);
        sounds_->setOtherItemsVolume(v);
    }
    PlaySoundDef& channel(int k) { return sounds_->mixerState().PlaySounds[k]; }
    int channelOf(int sound) {
        for (int k = 0; k < kSoundChannels; ++k)
            if (channel(k).SoundID == sound) return k;
        return -1;
    }

    int32_t ticks_ = 1000;
    platform::ScopedTickSource clock_{[this] { return ticks_; }};
    ScopedAppFolder app_{"playing"};
    FakeAudioOutput* device_ = nullptr;
    std::unique_ptr<SoundGuy> sounds_;
};

TEST_F(SoundPlaying, OneShotTakesTheLowestFreeChannelAndReportsOnlyAFullTable) {
    for (int k = 0; k < 8; ++k) EXPECT_EQ(sounds_->placeSingleSound(14, 100), 0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(channel(k).SoundID, 14);
        EXPECT_EQ(channel(k).PlayOnce, 1);
        EXPECT_EQ(channel(k).Samples, 2000);
        EXPECT_EQ(channel(k).StartTime, 1000);
        EXPECT_EQ(channel(k).PlaySoundPtr, sounds_->rawSound(14).data());
    }
    channel(3).CurrentIndexIntoSample = 123.0;
    EXPECT_EQ(sounds_->placeSingleSound(9, 100), 1);
    EXPECT_EQ(channel(3).CurrentIndexIntoSample, 123.0);
    EXPECT_EQ(channelOf(9), -1);

    EXPECT_EQ(sounds_->placeSingleSound(44, 100), 0);
    EXPECT_EQ(sounds_->placeSingleSound(-1, 100), 0);
    EXPECT_EQ(sounds_->placeSingleSound(18, 100), 0) << "never loaded";
    EXPECT_GT(device_->locks, 0) << "channels are written with the device locked";
}

TEST_F(SoundPlaying, OneShotGainIsVolumeTimesTwoPointEightTimesTheVolumeSettings) {
    sounds_->setOtherItemsVolume(0.5);
    sounds_->setAppGlobalVolume(0.5);
    sounds_->placeSingleSound(14, 255);
    EXPECT_DOUBLE_EQ(channel(0).LeftVolume, 0.7);
    EXPECT_DOUBLE_EQ(channel(0).RightVolume, 0.7);
    allVolumes(1.0);
    sounds_->placeSingleSound(14, 255);
    EXPECT_EQ(channel(1).LeftVolume, 1.0);
    allVolumes(0.0);
    EXPECT_EQ(sounds_->placeSingleSound(14, 255), 0);
    EXPECT_EQ(channel(2).SoundID, 14) << "a silent one-shot still takes a channel";
    EXPECT_EQ(channel(2).LeftVolume, 0.0);
}

TEST_F(SoundPlaying, VolumeSettingsAndToggleAreClamped) {
    sounds_->setOtherItemsVolume(3.0);
    sounds_->setAppGlobalVolume(-1.0);
    sounds_->placeSingleSound(14, 255);
    EXPECT_EQ(channel(0).LeftVolume, 0.0);
    sounds_->setAppGlobalVolume(std::nan(""));
    sounds_->setOtherItemsVolume(1.0);
    sounds_->placeSingleSound(14, 255);
    EXPECT_EQ(channel(1).LeftVolume, 0.0);

    sounds_->setSoundToggle(7);
    EXPECT_EQ(sounds_->getSoundToggle(), 2);
    sounds_->setSoundToggle(-3);
    EXPECT_EQ(sounds_->getSoundToggle(), 0);
    sounds_->toggleSoundSetting();
    EXPECT_EQ(sounds_->getSoundToggle(), 1);
    sounds_->toggleSoundSetting();
    EXPECT_EQ(sounds_->getSoundToggle(), 2);
    sounds_->toggleSoundSetting();
    EXPECT_EQ(sounds_->getSoundToggle(), 0);
}

TEST_F(SoundPlaying, PanningBySound) {
    platform::seedRandom(7);
    sounds_->placeSingleSound(2, 255);
    EXPECT_EQ(channel(0).PanEffect, 1);
    EXPECT_EQ(channel(0).PanPosition, 1.0);
    sounds_->placeSingleSound(3, 255);
    EXPECT_EQ(channel(1).PanEffect, 2);
    sounds_->placeSingleSound(27, 255);
    EXPECT_TRUE(channel(2).PanEffect == 1 || channel(2).PanEffect == 2);
    sounds_->placeSingleSound(33, 255);  // a hit: a fixed random place, one side at full gain
    EXPECT_EQ(channel(3).PanEffect, 0);
    EXPECT_TRUE(channel(3).LeftVolume == 1.0 || channel(3).RightVolume == 1.0);
    EXPECT_LE(channel(3).LeftVolume, 1.0);
    EXPECT_LE(channel(3).RightVolume, 1.0);
    sounds_->placeSingleSound(14, 255);
    EXPECT_EQ(channel(4).PanEffect, 0);
}

TEST_F(SoundPlaying, HitSoundsVaryAndComeAtMostTwiceASecond) {
    platform::seedRandom(11);
    std::set<int> heard;
    for (int k = 0; k < 40; ++k) {
        ticks_ += 30;
        EXPECT_EQ(sounds_->placeSingleSound(6, 200), 0);
        for (int s : {6, 16, 33, 34})
            if (channelOf(s) >= 0) heard.insert(s);
        for (int j = 0; j < 8; ++j) freeSoundChannel(channel(j));
    }
    EXPECT_EQ(heard, (std::set<int>{6, 16, 33, 34}));

    ticks_ += 30;
    sounds_->placeSingleSound(6, 200);
    ticks_ += 29;
    sounds_->placeSingleSound(6, 200);
    int placed = 0;
    for (int j = 0; j < 8; ++j) placed += channel(j).SoundID >= 0;
    EXPECT_EQ(placed, 1) << "the second hit came 29 ticks after the first";
    ticks_ += 1;
    sounds_->placeSingleSound(6, 200);
    sounds_->placeSingleSound(14, 200);  // other sounds are not spaced
    sounds_->placeSingleSound(14, 200);
    placed = 0;
    for (int j = 0; j < 8; ++j) placed += channel(j).SoundID >= 0;
    EXPECT_EQ(placed, 4);

    std::set<int> flak;
    for (int k = 0; k < 30; ++k) {
        sounds_->placeSingleSound(35, 200);
        for (int s : {35, 36})
            if (channelOf(s) >= 0) flak.insert(s);
        for (int j = 0; j < 8; ++j) freeSoundChannel(channel(j));
    }
    EXPECT_EQ(flak, (std::set<int>{35, 36}));
}

TEST_F(SoundPlaying, LoopStartsChangesAndStops) {
    sounds_->SetContinousVolume(22, 180);
    const int c = channelOf(22);
    ASSERT_EQ(c, 7) << "a loop takes the last free channel";
    EXPECT_EQ(channel(c).PlayOnce, 0);
    EXPECT_DOUBLE_EQ(channel(c).LeftVolume, 180 / 255.0);
    channel(c).CurrentIndexIntoSample = 500.0;
    channel(c).Pitch = 1.7;
    sounds_->SetContinousVolume(22, 140);
    EXPECT_DOUBLE_EQ(channel(c).LeftVolume, 140 / 255.0);
    EXPECT_EQ(channel(c).CurrentIndexIntoSample, 500.0) << "keeps its place";
    EXPECT_EQ(channel(c).Pitch, 1.7);
    sounds_->SetContinousVolume(22, 0);
    EXPECT_EQ(channelOf(22), -1);
    EXPECT_EQ(channel(c).PlaySoundPtr, nullptr);
    sounds_->SetContinousVolume(22, 140);
    EXPECT_EQ(channel(channelOf(22)).CurrentIndexIntoSample, 0.0) << "starts again from the first sample";
    EXPECT_EQ(channel(channelOf(22)).Pitch, 1.0);

    sounds_->SetContinousVolume(5, 1);  // 1/255 is below 0.01
    EXPECT_EQ(channelOf(5), -1);
    sounds_->SetContinousVolume(5, 200);
    EXPECT_GE(channelOf(5), 0);
    sounds_->SetContinousVolume(5, 1);
    EXPECT_EQ(channelOf(5), -1);

    sounds_->setGunsVolume(0.5);
    sounds_->setAppGlobalVolume(0.5);
    sounds_->SetContinousVolume(5, 255);
    EXPECT_DOUBLE_EQ(channel(channelOf(5)).LeftVolume, 0.25);
}

TEST_F(SoundPlaying, LoopsAndOneShotsTakeChannelsFromOppositeEnds) {
    for (int k = 0; k < 8; ++k) sounds_->placeSingleSound(14, 100);
    freeSoundChannel(channel(2));
    freeSoundChannel(channel(6));
    sounds_->SetContinousVolume(28, 200);
    EXPECT_EQ(channelOf(28), 6);
    sounds_->placeSingleSound(9, 100);
    EXPECT_EQ(channelOf(9), 2);
}

TEST_F(SoundPlaying, NewLoopTakesAQuietChannelElseTheOldestOneShotElseNothing) {
    const int loops[] = {1, 5, 17, 30, 31, 32, 40};  // seven loops, none of them engines but 17
    for (int s : loops) sounds_->SetContinousVolume(s, 200);
    ticks_ = 900;
    sounds_->placeSingleSound(14, 255);
    ASSERT_EQ(channelOf(14), 0);
    sounds_->SetContinousVolume(28, 200);
    EXPECT_EQ(channelOf(28), 0) << "took the one-shot's channel";
    EXPECT_EQ(channelOf(14), -1);

    channel(5).LeftVolume = channel(5).RightVolume = 0.05;
    const int quietSound = channel(5).SoundID;
    sounds_->SetContinousVolume(41, 200);
    EXPECT_EQ(channelOf(41), 5);
    EXPECT_EQ(channelOf(quietSound), -1);

    sounds_->SetContinousVolume(42, 200);
    EXPECT_EQ(channelOf(42), -1) << "every channel holds a loop that can be heard";
}

TEST_F(SoundPlaying, OldestOneShotIsTheFirstWithTheSmallestStartTime) {
    for (int k = 0; k < 8; ++k) {
        ticks_ = k == 3 || k == 6 ? 100 : 500;
        sounds_->placeSingleSound(14, 255);
    }
    sounds_->SetContinousVolume(28, 200);
    EXPECT_EQ(channelOf(28), 3);
}

TEST_F(SoundPlaying, EngineSoundsExcludeOneAnotherButNotGunsOrHorn) {
    sounds_->SetContinousVolume(17, 200);
    sounds_->SetContinousVolume(28, 200);
    sounds_->SetContinousVolume(5, 200);
    sounds_->SetContinousVolume(1, 200);
    sounds_->placeSingleSound(14, 200);
    sounds_->SetContinousVolume(38, 200);
    EXPECT_EQ(channelOf(17), -1);
    EXPECT_EQ(channelOf(28), -1);
    EXPECT_GE(channelOf(5), 0);
    EXPECT_GE(channelOf(1), 0);
    EXPECT_GE(channelOf(14), 0) << "one-shots are left alone";
    EXPECT_GE(channelOf(38), 0);

    sounds_->SetContinousVolume(22, 1);  // scales to silence: nothing else stops
    EXPECT_GE(channelOf(38), 0);
}

TEST_F(SoundPlaying, MuteLevels) {
    sounds_->SetContinousVolume(17, 200);
    sounds_->SetContinousVolume(5, 200);
    sounds_->setSoundToggle(1);
    EXPECT_EQ(sounds_->placeSingleSound(14, 200), 0);
    EXPECT_GE(channelOf(14), 0);
    sounds_->SetContinousVolume(17, 200);
    EXPECT_EQ(channelOf(17), -1) << "engines are muted";
    sounds_->SetContinousVolume(5, 200);
    EXPECT_GE(channelOf(5), 0) << "guns are not";

    sounds_->setSoundToggle(2);
    sounds_->placeSingleSound(9, 200);
    EXPECT_EQ(channelOf(9), -1);
    EXPECT_GE(channelOf(14), 0) << "a one-shot already playing finishes";
    sounds_->SetContinousVolume(5, 200);
    EXPECT_EQ(channelOf(5), -1);
}

TEST_F(SoundPlaying, EngineRateIsClampedAndSetOnTheSoundsChannel) {
    sounds_->SetContinousVolume(17, 200);
    const int c = channelOf(17);
    sounds_->SetEngineAmpRate(17, 200000);
    EXPECT_EQ(channel(c).Pitch, 2.288818359375);
    sounds_->SetEngineAmpRate(17, 0);
    EXPECT_EQ(channel(c).Pitch, 0.6103515625);
    sounds_->SetEngineAmpRate(17, 65536);
    EXPECT_EQ(channel(c).Pitch, 1.0);
    sounds_->SetEngineAmpRate(38, 100000);  // not playing: nothing happens
    for (int k = 0; k < 8; ++k) {
        if (k != c) {
            EXPECT_EQ(channel(k).Pitch, 1.0);
        }
    }
    sounds_->SetEngineAmpRate(-1, 100000);  // -1 marks free channels: not a sound
    for (int k = 0; k < 8; ++k) {
        if (k != c) {
            EXPECT_EQ(channel(k).Pitch, 1.0);
        }
    }
}

TEST_F(SoundPlaying, LoopRequestsOutsideTheTableAreIgnored) {
    for (int bad : {-5, -1, 44, 49, 50, 1000000}) sounds_->SetContinousVolume(bad, 200);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(channel(k).PlaySoundPtr, nullptr);
    sounds_->SetContinousVolume(18, 200);  // in range, never loaded
    for (int k = 0; k < 8; ++k) EXPECT_EQ(channel(k).PlaySoundPtr, nullptr);
}

TEST_F(SoundPlaying, MixerPlaysWhatTheOperationsPlace) {
    sounds_->placeSingleSound(14, 255);
    sounds_->SetContinousVolume(38, 255);
    const auto out = device_->render(4);
    EXPECT_FLOAT_EQ(out[0], userValue(14) + userValue(38));
    EXPECT_FLOAT_EQ(out[1], userValue(14) + userValue(38));
}

TEST_F(SoundPlaying, DeviceFollowsTheApplication) {
    EXPECT_EQ(device_->starts, 1);
    EXPECT_TRUE(sounds_->isRunning());
    sounds_->setCoreAudioOnOff(true);
    EXPECT_EQ(device_->starts, 1) << "already running";
    sounds_->setCoreAudioOnOff(false);
    sounds_->setCoreAudioOnOff(false);
    EXPECT_EQ(device_->stops, 1);
    EXPECT_FALSE(sounds_->isRunning());

    sounds_->SetContinousVolume(38, 200);
    const int c = channelOf(38);
    channel(c).CurrentIndexIntoSample = 700.0;
    sounds_->setCoreAudioOnOff(true);
    EXPECT_EQ(device_->starts, 2);
    EXPECT_EQ(channel(c).CurrentIndexIntoSample, 700.0) << "a loop resumes where it stood";

    sounds_->ExitSoundRoutines();
    EXPECT_FALSE(sounds_->isRunning());
    sounds_->startSounds();
    EXPECT_FALSE(sounds_->isRunning()) << "detached for good";
}

TEST_F(SoundPlaying, SystemBeepPlaysTheBell) {
    platform::SystemBeep();
    EXPECT_EQ(channelOf(SoundGuy::kBeepSound), 0);
    sounds_.reset();
    platform::SystemBeep();  // the sound object is gone: only counted
}

}  // namespace
}  // namespace pellam
