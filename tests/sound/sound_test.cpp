// The sound object: its readers, which copy of a sound start-up loads, the sounds our generator
// ships, the mixer and the playing operations, the output stage's limiter, and SDL's drivers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/Beep.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/PeakLimiter.h"
#include "sound/PellamSound.h"
#include "sound/SoundReaders.h"
#include "tests/TestFolder.h"

namespace pellam {
namespace {

using Bytes = std::vector<uint8_t>;

void putLE(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A canonical RIFF WAVE file holding `samples`: mono, 16-bit, 44,100 Hz. The fields a reader
// checks sit at fixed offsets: channels at byte 22, rate 24, bits 34, data size 40.
Bytes makeWav(const std::vector<int16_t>& samples) {
    const auto data = static_cast<uint32_t>(2 * samples.size());
    Bytes b{'R', 'I', 'F', 'F'};
    putLE(b, 36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (auto [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {44100u, 4}, {88200u, 4}, {2u, 2}, {16u, 2}})
        putLE(b, value, bytes);  // chunk size, PCM, one channel, rate, bytes a second, a frame, bits
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLE(b, data, 4);
    for (int16_t s : samples) putLE(b, static_cast<uint16_t>(s), 2);
    return b;
}

// The file with the `n`-byte field at `offset` set to `value`.
Bytes patched(Bytes b, size_t offset, uint32_t value, int n) {
    for (int i = 0; i < n; ++i) b[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return b;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh application folder, the program's own for the test's life, where every sound has a
// user WAV of `frames` samples holding the value 100 x (k + 1) for sound k.
class ScopedAppFolder {
public:
    explicit ScopedAppFolder(size_t frames = 0) {
        platform::setApplicationFolder(folder_.path().string());
        for (int k = 0; frames && k <= SoundGuy::kLastSound; ++k)
            if (const char* name = SoundGuy::userFileName(k))
                writeFile(userSounds() / name, makeWav(std::vector<int16_t>(frames, int16_t(100 * (k + 1)))));
    }
    ~ScopedAppFolder() { platform::setApplicationFolder(""); }
    std::filesystem::path userSounds() const { return folder_.path() / "Necessary Data" / "Sounds"; }
    std::filesystem::path bundleSounds() const { return folder_.path() / "data" / "Sounds"; }

private:
    testing::TestFolder folder_{"pellam_sound"};
};

float userValue(int sound) { return static_cast<float>(100 * (sound + 1)) / 32768.0f; }

void setAllVolumes(SoundGuy& s, double v) {
    for (auto set : {&SoundGuy::setAppGlobalVolume, &SoundGuy::setGunsVolume, &SoundGuy::setEngineVolume,
                     &SoundGuy::setStallHornVolume, &SoundGuy::setOtherItemsVolume})
        (s.*set)(v);
}

// A device of a given format whose buffers the test renders by hand.
class HandDevice : public platform::AudioOutput {
public:
    explicit HandDevice(platform::AudioStreamFormat format) : format_(format) {}
    bool isOpen() const override { return true; }
    platform::AudioStreamFormat format() const override { return format_; }
    void addRenderProc(platform::AudioRenderProc proc, void* clientData) override { proc_ = proc, client_ = clientData; }
    void removeRenderProc() override { proc_ = nullptr, client_ = nullptr; }
    void start() override { ++starts; }
    void stop() override {}
    void lock() override {}
    void unlock() override {}
    std::vector<float> render(uint32_t frames) {
        std::vector<float> out(frames * format_.mBytesPerFrame / 4, 99.0f);
        if (proc_) proc_(out.data(), uint32_t(out.size() * 4), 1.0, client_);
        return out;
    }
    int starts = 0;

private:
    platform::AudioStreamFormat format_;
    platform::AudioRenderProc proc_ = nullptr;
    void* client_ = nullptr;
};

// The system's device, SDL's disk driver in these tests, with every buffer it asks the mixer
// for counted, so that a test waits for the device thread's work instead of for time.
class CountedDevice : public platform::AudioOutput {
public:
    CountedDevice() : device_(platform::openDefaultAudioOutput()) {}
    ~CountedDevice() override { device_.reset(); }  // the device thread ends before the counter goes
    bool isOpen() const override { return device_->isOpen(); }
    platform::AudioStreamFormat format() const override { return device_->format(); }
    void addRenderProc(platform::AudioRenderProc proc, void* clientData) override {
        device_->lock();
        proc_ = proc, client_ = clientData;
        device_->unlock();
        device_->addRenderProc(proc ? &CountedDevice::render : nullptr, proc ? this : nullptr);
    }
    void removeRenderProc() override { addRenderProc(nullptr, nullptr); }
    void start() override { device_->start(); }
    void stop() override { device_->stop(); }
    void lock() override { device_->lock(); }
    void unlock() override { device_->unlock(); }

    // Returns once the device thread has mixed `more` buffers after this call; the device must
    // be running.
    void waitForBuffers(int more) {
        std::unique_lock lock(mutex_);
        const long until = buffers_ + more;
        changed_.wait(lock, [&] { return buffers_ >= until; });
    }

private:
    static int32_t render(void* data, uint32_t bytes, double sampleTime, void* self) {
        auto* me = static_cast<CountedDevice*>(self);
        const int32_t answer = me->proc_ ? me->proc_(data, bytes, sampleTime, me->client_) : 0;
        {
            std::lock_guard lock(me->mutex_);
            ++me->buffers_;
        }
        me->changed_.notify_all();
        return answer;
    }
    std::unique_ptr<platform::AudioOutput> device_;
    platform::AudioRenderProc proc_ = nullptr;  // written under the device's lock
    void* client_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    long buffers_ = 0;
};

// A started sound object on SDL's disk driver, which mixes as fast as it is asked and writes to
// `file`; `device` is told which device it got.
std::unique_ptr<PellamSound> soundsOnDisk(const std::filesystem::path& file, CountedDevice*& device) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    auto sounds = std::make_unique<PellamSound>([&device] {
        auto d = std::make_unique<CountedDevice>();
        device = d.get();
        return d;
    });
    sounds->init();
    return sounds;
}

std::vector<float> readFloats(const std::filesystem::path& file) {
    std::vector<float> floats(std::filesystem::file_size(file) / 4);
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(floats.data()), std::streamsize(floats.size() * 4));
    return floats;
}

TEST(SoundReaders, WavReaderRefusesWhatIsNotCanonicalAndFixedHeaderReadersStopAtTheEnd) {
    const Bytes good = makeWav(std::vector<int16_t>(1000, 1));
    Bytes tagLate = good, tagInTime = good;  // the data tag is looked for below byte 1,024
    tagLate.insert(tagLate.begin() + 36, 1024 - 36, 0x20);
    tagInTime.insert(tagInTime.begin() + 36, 1023 - 36, 0x20);
    Bytes cut = patched(good, 40, 1000000, 4);  // a size past the end is cut to the samples present
    cut.push_back(0x7F);                        // and an odd byte at the end is not half a sample
    const struct {
        const char* what;
        Bytes file;
        size_t samples;  // 0: refused
    } files[] = {{"stereo", patched(good, 22, 2, 2), 0},
                 {"22,050 Hz", patched(good, 24, 22050, 4), 0},
                 {"8-bit", patched(good, 34, 8, 2), 0},
                 {"no data", patched(good, 40, 0, 4), 0},
                 {"over 2,000,000 bytes of data", patched(good, 40, 2000001, 4), 0},
                 {"not RIFF", patched(good, 0, 'X', 1), 0},
                 {"not WAVE", patched(good, 8, 'X', 1), 0},
                 {"1,444 bytes", makeWav(std::vector<int16_t>(700, 1)), 0},
                 {"1,500 bytes", makeWav(std::vector<int16_t>(728, 1)), 728},
                 {"data tag at byte 1,024", tagLate, 0},
                 {"data tag at byte 1,023", tagInTime, 1000},
                 {"size past the end", cut, 1000}};
    for (const auto& f : files)
        EXPECT_EQ(soundfile::readCanonicalWav(f.file).value_or(std::vector<float>{}).size(), f.samples) << f.what;

    // The fixed-header readers on a sample and a half, and on less than a header.
    const auto file = [](size_t header, std::initializer_list<uint8_t> body) {
        Bytes b(header, 0xEE);
        b.insert(b.end(), body);
        return b;
    };
    EXPECT_EQ(soundfile::readHigh8Of16At22k(file(44, {0x55, 0xC0, 0x40}), 44), (std::vector<float>{-0.5f, -0.5f, 0}));
    EXPECT_EQ(soundfile::readBigEndian16At44k(file(80, {0x80, 0x00, 0x12})), (std::vector<float>{-1}));
    EXPECT_TRUE(soundfile::readUnsigned8At5k(file(10, {})).empty());
}

TEST(SoundLoading, UserCopyWinsOnlyWhenCanonicalAndSoundFifteenRepeatsSoundZero) {
    ScopedAppFolder app;
    const std::pair<const char*, Bytes> copies[] = {{"Hit3.wav", patched(makeWav(std::vector<int16_t>(1000, 2000)), 22, 2, 2)},
                                                    {"gunjam2.wav", makeWav(std::vector<int16_t>(900, 2000))}};
    for (const auto& [name, user] : copies) {
        writeFile(app.bundleSounds() / name, makeWav(std::vector<int16_t>(1000, 1000)));
        writeFile(app.userSounds() / name, user);
    }
    writeFile(app.bundleSounds() / "initsound", Bytes(342, 0x80));
    // A FIFO in a user sound's place once held the loading for ever; a folder is no sound either.
    writeFile(app.bundleSounds() / "Flak1.wav", makeWav(std::vector<int16_t>(1000, 1000)));
    ASSERT_EQ(mkfifo((app.userSounds() / "Flak1.wav").c_str(), 0600), 0);
    std::filesystem::create_directories(app.userSounds() / "Flak2.wav");
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    ::testing::internal::CaptureStderr();
    sounds.init();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(sounds.rawSound(35), std::vector<float>(1000, 1000 / 32768.0f));
    // Each user copy that is not used is named in the log, with the reason.
    for (const char* name : {"Hit3.wav", "Flak1.wav", "Flak2.wav"}) {
        const std::string line = "The user sound " + (app.userSounds() / name).string() + " is not used";
        EXPECT_NE(log.find(line), std::string::npos) << name << "\n" << log;
    }
    EXPECT_NE(log.find("not a mono 16-bit"), std::string::npos);
    EXPECT_EQ(log.find("gunjam2.wav is not used"), std::string::npos);
    EXPECT_EQ(sounds.rawSound(33), std::vector<float>(1000, 1000 / 32768.0f)) << "a stereo copy is refused";
    EXPECT_EQ(sounds.rawSound(41), std::vector<float>(900, 2000 / 32768.0f));
    EXPECT_EQ(sounds.rawSound(15), sounds.rawSound(0));
    EXPECT_FALSE(sounds.isLoaded(5)) << "no file anywhere";
    for (int outside : {-1, 18, 50}) EXPECT_TRUE(sounds.rawSound(outside).empty()) << outside;
}

// The files our generator writes into the build's data folder, read as the game reads them.
TEST(SoundLoading, GeneratedSoundsLoadAudible) {
    platform::setApplicationFolder(std::getenv("PELLAM_BUILD_DIR"));
    SoundGuy sounds{SoundGuy::DeviceOpener{}};
    sounds.init();
    platform::setApplicationFolder("");
    for (int k = 0; k <= SoundGuy::kLastSound; ++k) {
        if (k == 18 || k == 19 || k == 23) continue;  // numbers no sound has
        const auto& s = sounds.rawSound(k);
        ASSERT_GT(s.size(), 4410u) << "sound " << k << " is missing or shorter than 0.1 s";
        EXPECT_GT(*std::max_element(s.begin(), s.end()), 0.3f) << "sound " << k << " is nearly silent";
    }
}

// Without a device; sound 14 is a ramp (sample k = (k - 1000) / 32768), so that the value mixed
// names the position read.
class SoundPlaying : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int16_t> ramp(2000);
        for (int k = 0; k < 2000; ++k) ramp[k] = int16_t(k - 1000);
        writeFile(app_.userSounds() / SoundGuy::userFileName(14), makeWav(ramp));
        sounds_.init();
        sounds_.mixerState().myBytesPerFrame = 8;  // as a stereo float device would have it
        setAllVolumes(sounds_, 1.0);
    }
    PlaySoundDef& channel(int k) { return sounds_.mixerState().PlaySounds[k]; }
    int channelOf(int sound) {
        for (int k = 0; k < kSoundChannels; ++k)
            if (channel(k).SoundID == sound) return k;
        return -1;
    }
    // `frames` stereo frames, pre-filled with 99 so that anything left unwritten shows.
    std::vector<float> mix(uint32_t frames, double sampleTime = 1.0, SoundMixerState* table = nullptr) {
        std::vector<float> out(2 * frames, 99.0f);
        flightSimSoundMixer(out.data(), 8 * frames, sampleTime, table ? table : &sounds_.mixerState());
        return out;
    }

    int32_t ticks_ = 1000;
    platform::ScopedTickSource clock_{[this] { return ticks_; }};
    ScopedAppFolder app_{2000};
    SoundGuy sounds_{SoundGuy::DeviceOpener{}};
};

TEST_F(SoundPlaying, OneShotPlaysEverySampleOnceALoopWrapsAndChannelsSum) {
    sounds_.placeSingleSound(14, 255);
    sounds_.SetContinousVolume(38, 255);
    channel(7).CurrentIndexIntoSample = 1999.0;
    sounds_.SetEngineAmpRate(38, 98304);  // 1.5 samples a frame
    const auto out = mix(2001);
    for (int f = 0; f < 2000; ++f) ASSERT_EQ(out[2 * f + 1], (f - 1000) / 32768.0f + userValue(38)) << f;
    EXPECT_EQ(out[4000], userValue(38)) << "the one-shot is over, the loop plays on";
    EXPECT_EQ(channel(0).SoundID, -1) << "the one-shot's channel is freed";
    EXPECT_DOUBLE_EQ(channel(7).CurrentIndexIntoSample, 1000.5) << "the fraction carries over each wrap";

    sounds_.mixerState().myBytesPerFrame = 32;
    EXPECT_EQ(mix(4)[4], 0.0f) << "an eight-channel device gets zeros after the pair";
}

// Whatever the device or a lost channel hands it, the mixer writes silence where it cannot mix
// and never reads outside a sound.
TEST_F(SoundPlaying, MixerGuardsWriteSilenceAndLostChannelsRecover) {
    SoundMixerState& state = sounds_.mixerState();
    sounds_.SetContinousVolume(17, 255);
    SoundMixerState damaged = state, narrow = state;
    damaged.PlaySounds[0].Valid2 = 7;
    narrow.myBytesPerFrame = 4;  // no room for the pair
    std::vector<float> noTable(8, 99.0f);
    flightSimSoundMixer(noTable.data(), 32, 1.0, nullptr);
    for (const auto& out : {mix(4, 0.0), mix(4, 1.0, &damaged), mix(4, 1.0, &narrow), noTable})
        EXPECT_EQ(out, std::vector<float>(8, 0.0f));
    EXPECT_EQ(flightSimSoundMixer(nullptr, 64, 1.0, &state), 0) << "no buffer";

    // An empty channel is freed; one lost far past its end starts over.
    sounds_.SetContinousVolume(30, 255);
    channel(7).Samples = 0;
    channel(6).CurrentIndexIntoSample = 1e12;
    EXPECT_EQ(mix(1)[0], userValue(30));
    EXPECT_EQ(channel(7).PlaySoundPtr, nullptr);
    EXPECT_EQ(channel(6).CurrentIndexIntoSample, 1.0);
}

TEST_F(SoundPlaying, OneShotsAndLoopsShareTheEightChannels) {
    platform::SystemBeep();
    EXPECT_EQ(channelOf(SoundGuy::kBeepSound), 0) << "the system beep plays through the sound object";
    freeSoundChannel(channel(0));
    for (int bad : {-5, -1, 18, 44, 50, 1000000}) {
        EXPECT_EQ(sounds_.placeSingleSound(bad, 200), 0) << bad;
        sounds_.SetContinousVolume(bad, 200);
        sounds_.SetEngineAmpRate(bad, 100000);
    }
    EXPECT_EQ(channelOf(-1), 0) << "nothing was placed";

    // Loops take the last free channels, one-shots the lowest; a full table answers 1 and
    // leaves every channel be, and a new loop takes the oldest one-shot's channel.
    for (int s : {1, 5, 25, 30, 31, 32}) sounds_.SetContinousVolume(s, 200);
    ticks_ = 900;
    sounds_.placeSingleSound(14, 255);
    ticks_ = 800;
    sounds_.placeSingleSound(9, 255);
    EXPECT_EQ(sounds_.placeSingleSound(9, 255), 1);
    EXPECT_EQ(channel(1).StartTime, 800);
    sounds_.SetContinousVolume(42, 200);
    EXPECT_EQ(channelOf(42), 1);

    // A loop changes in place and keeps its position; stopped, it starts again from the top.
    channel(1).CurrentIndexIntoSample = 500.0;
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channel(1).CurrentIndexIntoSample, 500.0);
    sounds_.SetContinousVolume(42, 0);
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channel(1).CurrentIndexIntoSample, 0.0);
    sounds_.setAppGlobalVolume(std::nan(""));
    sounds_.SetContinousVolume(42, 140);
    EXPECT_EQ(channelOf(42), -1) << "a volume that is not a number is silence";
}

TEST_F(SoundPlaying, EngineSoundsExcludeOneAnotherAndMuteLevelsSilenceTheirGroups) {
    for (int loop : {17, 28, 5, 1}) sounds_.SetContinousVolume(loop, 200);
    sounds_.placeSingleSound(14, 200);
    sounds_.SetContinousVolume(38, 200);  // another engine stops the first and the wind
    EXPECT_EQ(channelOf(17), -1);
    EXPECT_EQ(channelOf(28), -1);
    for (int kept : {5, 1, 14, 38}) EXPECT_GE(channelOf(kept), 0) << kept;
    sounds_.SetContinousVolume(22, 1);  // scales to silence: nothing else stops
    EXPECT_GE(channelOf(38), 0);

    // Level 1 mutes engines only; level 2 everything new, while a one-shot already playing finishes.
    sounds_.setSoundToggle(1);
    sounds_.SetContinousVolume(38, 200);
    EXPECT_EQ(channelOf(38), -1);
    sounds_.SetContinousVolume(5, 200);
    EXPECT_GE(channelOf(5), 0);
    sounds_.setSoundToggle(2);
    sounds_.placeSingleSound(9, 200);
    sounds_.SetContinousVolume(5, 200);
    EXPECT_EQ(channelOf(9), -1);
    EXPECT_EQ(channelOf(5), -1);
    EXPECT_GE(channelOf(14), 0);
}

// Only a float device with a pair of channels or eight can play; a 48 kHz one steps through a
// sound more slowly, so that it keeps its pitch.
TEST_F(SoundPlaying, DeviceFormatDecidesWhetherSoundPlaysAndSetsTheStep) {
    const auto format = [](double rate, uint32_t channels, uint32_t bits) {
        return platform::AudioStreamFormat{rate, channels * bits / 8, channels, bits};
    };
    const struct {
        platform::AudioStreamFormat format;
        bool plays;
    } devices[] = {{format(48000, 2, 32), true}, {format(44100, 8, 32), true}, {format(44100, 6, 32), false},
                   {format(44100, 2, 16), false}};
    for (const auto& d : devices) {
        HandDevice* device = nullptr;
        SoundGuy sounds([&] {
            auto made = std::make_unique<HandDevice>(d.format);
            device = made.get();
            return made;
        });
        sounds.init();
        EXPECT_EQ(sounds.isRunning(), d.plays) << d.format.mChannelsPerFrame << " x " << d.format.mBitsPerChannel;
        EXPECT_EQ(device->starts, d.plays ? 1 : 0);
        if (d.format.mSampleRate != 48000) continue;
        EXPECT_DOUBLE_EQ(sounds.mixerState().SampleRateMod, 44100.0 / 48000.0);
        setAllVolumes(sounds, 1.0);
        sounds.placeSingleSound(14, 255);  // the ramp: the value heard names the position read
        const auto out = device->render(13);
        EXPECT_EQ(out[2], -1000 / 32768.0f) << "the first sample is heard twice";
        EXPECT_EQ(out[2 * 12], -989 / 32768.0f) << "frame 12 reads sample 11";
    }
}

// Without a driver the game runs silent and says so once, while its sounds still fill channels.
// Then the main thread starts, retunes and stops channels 20,000 times as fast as it can while
// the disk driver's thread mixes them flat out, waiting now and then for the thread to have mixed
// a few buffers: any read outside a sound's samples fails the sanitised build. The sounds are of
// one to three samples near full scale, played at the highest pitch, and every channel's sum
// still reaches the device within the limiter's ceiling.
TEST(SoundDevice, SilentWithoutADriverAndSafeAndWithinTheCeilingWhileChannelsChangeHands) {
    ScopedAppFolder app;
    for (int k = 0; k <= SoundGuy::kLastSound; ++k) {
        const auto wav = makeWav(std::vector<int16_t>(800, int16_t(k % 2 ? 32000 - k : k - 32000)));
        if (const char* name = SoundGuy::userFileName(k))
            writeFile(app.userSounds() / name, patched(wav, 40, 2 + 2 * (k % 3), 4));
    }
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ::testing::internal::CaptureStderr();
    for (int k = 0; k < 2; ++k) {
        PellamSound sounds;
        sounds.init();
        setAllVolumes(sounds, 1.0);
        sounds.setCoreAudioOnOff(true);
        EXPECT_FALSE(sounds.isRunning());
        EXPECT_EQ(sounds.placeSingleSound(14, 255), 0);
        EXPECT_EQ(sounds.mixerState().PlaySounds[0].SoundID, 14);
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    const size_t at = said.find("the game runs silent");
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_EQ(said.find("the game runs silent", at + 1), std::string::npos) << said;

    const auto file = app.userSounds() / "device.raw";
    {
        CountedDevice* device = nullptr;
        const auto made = soundsOnDisk(file, device);
        PellamSound& sounds = *made;
        ASSERT_TRUE(sounds.isRunning());
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
            if (operation % 500 == 0 && sounds.isRunning()) device->waitForBuffers(2);
        }
        // Last, an engine loop at full volume, a whisker under full scale, is mixed for certain.
        sounds.setCoreAudioOnOff(true);
        sounds.SetContinousVolume(17, 255);
        device->waitForBuffers(20);
        sounds.ExitSoundRoutines();
        sounds.startSounds();
        EXPECT_FALSE(sounds.isRunning()) << "after exit the device stays off";
    }
    platform::SystemBeep();  // the sound object is gone: only counted
    const std::vector<float> floats = readFloats(file);
    ASSERT_GT(floats.size(), 20000u);
    float peak = 0.0f;
    for (float f : floats) peak = std::isfinite(f) ? std::max(peak, std::fabs(f)) : 2.0f;
    EXPECT_LE(peak, platform::PeakLimiter::kCeiling);
    EXPECT_GT(peak, 0.999f * platform::PeakLimiter::kCeiling) << "loud sounds should reach the ceiling";
}

// A crash piles loud sounds into all eight channels, nearly eight times full scale: what the
// device plays stays below full scale, where a converter clips, and its tops stay round. A
// limiter that drops the gain only when each louder sample arrives holds every rising sample at
// its ceiling, and the waveform comes out squared off.
TEST(SoundLimiter, EightLoudChannelsReachTheDeviceBelowFullScaleWithRoundTops) {
    ScopedAppFolder app(100);
    const int loud[] = {7, 8, 11, 12, 14, 21, 30, 41};
    std::vector<int16_t> sine(8000);  // 441 Hz, a hundred samples a cycle, from silence
    for (size_t i = 0; i < sine.size(); ++i) sine[i] = int16_t(32000.0 * std::sin(2.0 * M_PI * double(i) / 100.0));
    for (int k : loud) writeFile(app.userSounds() / SoundGuy::userFileName(k), makeWav(sine));
    const auto file = app.userSounds() / "device.raw";
    {
        CountedDevice* device = nullptr;
        const auto made = soundsOnDisk(file, device);
        PellamSound& sounds = *made;
        ASSERT_TRUE(sounds.isRunning());
        sounds.setCoreAudioOnOff(false);  // all eight start in one buffer
        sounds.setAppGlobalVolume(1.0);
        sounds.setOtherItemsVolume(1.0);
        for (int k : loud) ASSERT_EQ(sounds.placeSingleSound(k, 255), 0) << k;
        sounds.setCoreAudioOnOff(true);
        for (bool playing = true; playing;) {
            device->waitForBuffers(1);
            device->lock();
            playing = sounds.mixerState().PlaySounds[0].PlaySoundPtr != nullptr;
            device->unlock();
        }
        device->waitForBuffers(2);  // and the limiter's look-ahead
        sounds.ExitSoundRoutines();
    }
    const std::vector<float> floats = readFloats(file);
    ASSERT_GT(floats.size(), 16000u);
    float peak = 0.0f;
    size_t run = 0, longestTop = 0;  // samples in a row within 0.1 % of the loudest
    for (float f : floats) {
        ASSERT_TRUE(std::isfinite(f));
        peak = std::max(peak, std::fabs(f));
    }
    for (float f : floats) {
        run = std::fabs(f) >= 0.999f * peak ? run + 1 : 0;
        longestTop = std::max(longestTop, run);
    }
    EXPECT_LT(peak, 1.0f) << "full scale clips";
    EXPECT_GT(peak, 0.85f) << "the crash should still be loud";
    EXPECT_LE(longestTop, 2u) << "a flat top: a pair of channels counts as two samples";
}

TEST(SoundLimiter, NotANumberIsSilenceAndQuietSoundPassesUnchangedOnceTheGainIsHome) {
    platform::PeakLimiter limiter(44100.0);
    const size_t late = limiter.latencyFrames();
    std::vector<float> burst(2 * 4410, 6.5f), quiet(2 * 88200, 0.0f), music(2 * 1000);
    burst[7] = std::nanf("");
    limiter.process(burst.data(), burst.size() / 2, 2);
    for (float f : burst) ASSERT_LE(std::fabs(f), platform::PeakLimiter::kCeiling);
    EXPECT_EQ(burst[2 * late + 7], 0.0f);
    limiter.process(quiet.data(), quiet.size() / 2, 2);  // two seconds
    for (size_t i = 0; i < music.size(); ++i) music[i] = 0.85f * std::sin(0.01f * float(i));
    const std::vector<float> mixed = music;
    limiter.process(music.data(), music.size() / 2, 2);
    EXPECT_TRUE(std::equal(mixed.begin(), mixed.end() - 2 * late, music.begin() + 2 * late));
}

}  // namespace
}  // namespace pellam
